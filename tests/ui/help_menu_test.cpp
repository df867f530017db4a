// The Help menu hands the manual and the script tutorial, as built beside
// the executable, to the desktop opener.
#include <gtest/gtest.h>

#include <QAction>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/main_window.h"

namespace {

using namespace kavrel;

TEST(HelpMenu, OpensTheBuiltManualAndTutorial) {
  MainWindow window;
  window.editor().dataFolder = KAVREL_HELP_DIR;
  std::vector<std::string> opened;
  window.editor().shellOpener = [&](const std::string& path) {
    opened.push_back(path);
    return 42;
  };
  window.action("MenuHelp1")->trigger();
  window.action("MenuHelp2")->trigger();
  const std::string dir = KAVREL_HELP_DIR;
  ASSERT_EQ(opened, (std::vector<std::string>{dir + "/kavrel.local.help.file.htm",
                                              dir + "/kavrel.script.tutorial.htm"}));
  // The headings come from the Markdown sources, so a swapped page shows.
  const char* headings[] = {"<h1>Kavrel manual</h1>", "<h1>Kavrel script tutorial</h1>"};
  for (size_t i = 0; i < 2; ++i) {
    std::ifstream in(opened[i]);
    std::stringstream page;
    page << in.rdbuf();
    EXPECT_EQ(page.str().rfind("<!DOCTYPE html>", 0), 0u) << opened[i];
    EXPECT_NE(page.str().find(headings[i]), std::string::npos) << opened[i];
  }
}

}  // namespace
