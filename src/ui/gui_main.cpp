#include "ui/gui_main.h"

#include <QApplication>

#include "ui/main_window.h"

namespace kavrel {

int runGui(int argc, char** argv) {
  QApplication app(argc, argv);
  MainWindow window;
  window.show();
  // Only a single parameter is acted on.
  if (argc == 2) {
    window.editor().calledWithParameter = true;
    window.openFile(QString::fromLocal8Bit(argv[1]));
  }
  return app.exec();
}

}  // namespace kavrel
