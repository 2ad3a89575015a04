// The window front end's entry.
#include "gui/gui_main.h"

#include <QApplication>
#include <QLabel>

namespace zemu::gui {

int RunGui(int& argc, char** argv, const StartupOptions& /*startup*/) {
  QApplication app(argc, argv);
  QLabel placeholder(QStringLiteral("ZEMU"));
  placeholder.show();
  return QApplication::exec();
}

}  // namespace zemu::gui
