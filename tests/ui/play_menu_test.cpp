// The Edit and Play menus of the window: the play commands follow their
// files and hand them to the configured player.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

// Lets the window's timers run for about `ms` milliseconds.
void runEvents(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(PlayMenu, PlayCommandsFollowTheirFilesAndReachThePlayer) {
  TempDir dir;
  writeRecorder(dir.file("player"), dir.file("played"));
  writeRecorder(dir.file("queue"), dir.file("queued"));
  EnvScope player("KAVREL_PLAYER", dir.file("player") + " %1");
  EnvScope queue("KAVREL_ENQUEUE", dir.file("queue") + " --add %1");
  MainWindow window;
  window.editor().dataFolder = dir.path();
  for (const char* name : {"MenuAmplify", "MenuFade", "MenuSilence", "MenuSplit", "MenuSaveSel", "MenuPlaySrc",
                           "MenuPlayPreview", "MenuPlaySel", "MenuPlayOut", "MenuEnqueueInput",
                           "MenuEnqueuePreview", "MenuEnqueueOutput"})
    ASSERT_NE(window.action(name), nullptr) << name;
  EXPECT_FALSE(window.action("MenuPlaySrc")->isEnabled());

  Mp3Builder b;
  b.frames(40);
  const std::string path = dir.file("song.mp3");
  writeFile(path, b.bytes());
  window.openFile(QString::fromStdString(path));
  EXPECT_TRUE(window.action("MenuPlaySrc")->isEnabled());
  EXPECT_TRUE(window.action("MenuEnqueueInput")->isEnabled());
  EXPECT_FALSE(window.action("MenuPlayOut")->isEnabled());

  window.action("MenuPlaySrc")->trigger();
  const auto played = waitForRecord(dir.file("played"));
  ASSERT_TRUE(played.has_value());
  EXPECT_EQ(*played, std::vector<std::string>{path});
  window.action("MenuEnqueueInput")->trigger();
  const auto queued = waitForRecord(dir.file("queued"));
  ASSERT_TRUE(queued.has_value());
  EXPECT_EQ(*queued, (std::vector<std::string>{"--add", path}));

  // The loaded file deleted from outside: play input goes off within a second.
  std::filesystem::remove(path);
  runEvents(1100);
  EXPECT_FALSE(window.action("MenuPlaySrc")->isEnabled());
  EXPECT_FALSE(window.action("MenuPlayPreview")->isEnabled());
}

}  // namespace
