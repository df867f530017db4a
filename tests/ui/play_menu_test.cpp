// The Edit and Play menus of the window: the play commands follow their files and
// hand them to the configured player.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

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
  const std::string path = dir.file("song.mp3");
  writeFile(path, Mp3Builder().frames(40).bytes());
  window.openFile(QString::fromStdString(path));
  EXPECT_TRUE(window.action("MenuPlaySrc")->isEnabled() && window.action("MenuEnqueueInput")->isEnabled());
  EXPECT_FALSE(window.action("MenuPlayOut")->isEnabled());
  window.action("MenuPlaySrc")->trigger();
  EXPECT_EQ(waitForRecord(dir.file("played")), std::vector<std::string>{path});
  window.action("MenuEnqueueInput")->trigger();
  EXPECT_EQ(waitForRecord(dir.file("queued")), (std::vector<std::string>{"--add", path}));
  // The loaded file deleted from outside: play input goes off within a second.
  std::filesystem::remove(path);
  QTest::qWait(1100);
  EXPECT_FALSE(window.action("MenuPlaySrc")->isEnabled() || window.action("MenuPlayPreview")->isEnabled());
}

}  // namespace
