// The window front end's entry.
#include "gui/gui_main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "gui/graph_windows.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/qt_text.h"
#include "gui/sheet_windows.h"
#include "gui/window_memory.h"
#include "host/window_texts.h"

namespace zemu::gui {

namespace {

// Qt's own dialogs (files, fonts, buttons) in Japanese, where the
// translations are installed.
void InstallJapaneseTranslations(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
}

}  // namespace

int RunGui(int& argc, char** argv, const StartupOptions& startup) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's end is the program's
  InstallJapaneseTranslations(app);

  WindowMemory memory(WindowMemory::DefaultFileName());
  TZemuMain window;
  window.SetMemory(&memory);
  // The sheet windows and the options dialog observe the context from before
  // the start-up on; they go before the window (and its context) does.
  SheetWindows sheets(window.context(), &window);
  sheets.SetMemory(&memory);
  sheets.SetGraphHandler([&window](const QString& name) { window.graphs()->AskAndOpen(name); });
  window.SetSheetPlacer(&sheets);
  sheets.AddWindowMenuEntries(window.windowMenu());
  QObject::connect(&window, &TZemuMain::ended, &app, [&] {
    sheets.Remember();
    QString why;
    if (!memory.Save(why)) {
      std::fprintf(stderr, "%s%s: %s\n", ToQString(kWindowMemoryNotSaved).toLocal8Bit().constData(),
                   memory.fileName().toLocal8Bit().constData(), why.toLocal8Bit().constData());
    }
    QCoreApplication::quit();
  });
  QObject::connect(&window, &TZemuMain::endRequested, &sheets, &SheetWindows::ApplyAllEdits);
  TOptions options(window.context(), &window);
  QObject::connect(&window, &TZemuMain::optionsRequested, &options, [&options] {
    options.show();
    options.raise();
    options.activateWindow();
  });
  window.Start(startup);
  window.UseHistoryFile(FindHistoryFile(window.context()));
  return QApplication::exec();
}

}  // namespace zemu::gui
