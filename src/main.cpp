// The kavrel executable: headless modes first, then the editor window.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef KAVREL_WITH_GUI
#include "ui/gui_main.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = kavrel::runCommandLine(args, std::cout, std::cerr)) return *status;
#ifdef KAVREL_WITH_GUI
  return kavrel::runGui(argc, argv);
#else
  std::cerr << "kavrel: built without the graphical editor; use --info FILE\n";
  return 2;
#endif
}
