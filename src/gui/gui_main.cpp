// The window front end's entry.
#include "gui/gui_main.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>

#include "console/window_texts.h"
#include "gui/main_window.h"

namespace zemu::gui {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

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

bool CanOpenDisplay() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

int RunGui(int& argc, char** argv, const StartupOptions& startup) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's end is the program's
  InstallJapaneseTranslations(app);

  TZemuMain window;
  QObject::connect(&window, &TZemuMain::ended, &app, &QCoreApplication::quit);
  // The sheet windows and the options dialog join here, before the start-up:
  // they observe window.context() and plug into window.windowMenu() and
  // window.optionsRequested().
  window.Start(startup);
  return QApplication::exec();
}

}  // namespace zemu::gui
