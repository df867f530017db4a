#include "ui/gui_main.h"

#include <QApplication>
#include <QIcon>
#include <string>
#include <vector>

#include "ui/main_window.h"

// Resources of a static library are registered by hand, from outside any namespace.
static void registerResources() { Q_INIT_RESOURCE(kavrel); }

namespace kavrel {

int runGui(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kavrel");
  QApplication::setApplicationVersion(KAVREL_VERSION);
  QGuiApplication::setDesktopFileName("io.github.kavrel.Kavrel");
  registerResources();
  QApplication::setWindowIcon(QIcon(":/icons/kavrel.svg"));
  // What is left once Qt took its own switches.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  MainWindow window;
  window.start(args);
  window.show();
  return app.exec();
}

}  // namespace kavrel
