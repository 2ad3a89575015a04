// The window front end's entry.
#include "gui/gui_main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/sheet_windows.h"
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

  TZemuMain window;
  QObject::connect(&window, &TZemuMain::ended, &app, &QCoreApplication::quit);
  // The sheet windows and the options dialog observe the context from before
  // the start-up on; they go before the window (and its context) does.
  SheetWindows sheets(window.context(), &window);
  sheets.AddWindowMenuEntries(window.windowMenu());
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
