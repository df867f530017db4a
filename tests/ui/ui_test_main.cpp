// The main of the window test programs: offscreen, with a data folder of
// this run's own so remembered folders and options never carry over.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/test_files.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings and remembered folders of this run only.
  const kavrel::test::TempDir home;
  qputenv("KAVREL_HOME", home.path().c_str());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
