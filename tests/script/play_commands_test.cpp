// PLAYINPUT, PLAYOUTPUT, PLAYPREVIEW and PLAYSELECTION: their checks in
// order, their texts, and what reaches the (fake) player.
#include <filesystem>
#include <fstream>

#include "script/script_fixture.h"
#include "support/fake_player.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr size_t kFrameBytes = 104;  // 32 kbit/s, 44.1 kHz

class PlayCommandsTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    fs::create_directory(bin);
    fs::create_directory(data);
    writeRecorder(dir.file("player"), record);
    editor.dataFolder = data;
  }
  Lines played() {
    const auto lines = waitForRecord(record);
    fs::remove(record);
    return lines ? *lines : Lines{"(the player never ran)"};
  }
  bool playerStayedIdle() { return !waitForRecord(record, 0.3); }
  std::string notReady(const std::string& keyword) {
    return "Command: " + keyword + "\r\nCondition: not ready.\r\nPlease restart the script or the program.";
  }

  std::string bin = dir.file("bin");
  std::string data = dir.file("data");
  std::string record = dir.file("played");
  EnvScope pathScope{"PATH", bin};
  EnvScope playerScope{"KAVREL_PLAYER", dir.file("player")};
  EnvScope enqueueScope{"KAVREL_ENQUEUE", std::nullopt};
};

TEST_F(PlayCommandsTest, InputAndOutputNeedTheirFiles) {
  EXPECT_EQ(run("PLAYINPUT"), "PLAYINPUT: disabled - no file loaded? not ready?");
  EXPECT_EQ(run("PLAYOUTPUT"), "PLAYOUTPUT: disabled - no file saved? not ready?");
  load(100);
  EXPECT_EQ(run("PLAYINPUT"), "");
  EXPECT_EQ(played(), Lines{path});
  EXPECT_EQ(run("PLAYOUTPUT"), "PLAYOUTPUT: disabled - no file saved? not ready?");

  const std::string saved = dir.file("out.mp3");
  ASSERT_EQ(run("SAVEAS \"" + saved + "\""), "");
  EXPECT_EQ(run("PLAYOUTPUT"), "");
  EXPECT_EQ(played(), Lines{saved});

  // A file deleted by the line before counts at once.
  fs::remove(saved);
  EXPECT_EQ(run("PLAYOUTPUT"), "PLAYOUTPUT: disabled - no file saved? not ready?");
  fs::remove(path);
  EXPECT_EQ(run("PLAYINPUT"), "PLAYINPUT: disabled - no file loaded? not ready?");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PlayCommandsTest, NoPlayerFailsTheLine) {
  EnvScope none{"KAVREL_PLAYER", std::nullopt};
  load(100);
  EXPECT_EQ(run("PLAYINPUT"), "PLAYINPUT: System error trying to play.");
  EXPECT_EQ(run("PLAYPREVIEW"), "PLAYPREVIEW: System error trying to play.");
  ASSERT_EQ(run("SELECT 0, 1"), "");
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: System error trying to play.");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PlayCommandsTest, BusyEditorGivesTheNotReadyText) {
  load(100);
  ASSERT_EQ(run("SELECT 0, 1"), "");
  editor.dialogOpen = true;
  EXPECT_EQ(run("PLAYINPUT"), notReady("PLAYINPUT"));
  EXPECT_EQ(run("PLAYPREVIEW"), notReady("PLAYPREVIEW"));
  EXPECT_EQ(run("PLAYSELECTION"), notReady("PLAYSELECTION"));
  editor.dialogOpen = false;
  EXPECT_TRUE(playerStayedIdle());
}

TEST_F(PlayCommandsTest, PreviewPlaysTheEditedDocument) {
  EXPECT_EQ(run("PLAYPREVIEW"), "PLAYPREVIEW: No file loaded.");
  load(100);
  ASSERT_EQ(run("DELETE 0, 1"), "");
  const int32_t left = frames();
  EXPECT_EQ(run("PLAYPREVIEW"), "");
  EXPECT_EQ(played(), Lines{data + "/kavrel.Preview.mp3"});
  EXPECT_EQ(fs::file_size(data + "/kavrel.Preview.mp3"), size_t(left) * kFrameBytes);

  // Neither name can be written.
  fs::remove(data + "/kavrel.Preview.mp3");
  fs::create_directory(data + "/kavrel.Preview.mp3");
  fs::create_directory(data + "/kavrel.Prevyu.mp3");
  EXPECT_EQ(run("PLAYPREVIEW"),
            "PLAYPREVIEW:\r\nYou may need to close your mp3 player so that the\r\ntemporary mp3 file can be "
            "overwritten and then played.");
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PlayCommandsTest, PreviewChecksItsSourceFiles) {
  load(100);
  ASSERT_EQ(run("UNSELECT"), "");
  const std::string extra = mp3("extra.mp3", 10);
  ASSERT_EQ(run("INSERT \"" + extra + "\""), "");
  fs::remove(extra);
  EXPECT_EQ(run("PLAYPREVIEW"),
            "PLAYPREVIEW: A file to be inserted from was moved, renamed or deleted in the meantime.");
  // Once its frames are gone, a missing inserted file does not matter.
  ASSERT_EQ(run("DELETE 0, 0.262"), "");
  EXPECT_EQ(run("PLAYPREVIEW"), "");
  EXPECT_EQ(played(), Lines{data + "/kavrel.Preview.mp3"});
  fs::remove(path);
  EXPECT_EQ(run("PLAYPREVIEW"), notReady("PLAYPREVIEW"));
}

TEST_F(PlayCommandsTest, SelectionChecksItsParametersInOrder) {
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: No file loaded.");
  EXPECT_EQ(run("PLAYSELECTION 10"), "PLAYSELECTION: must have 0 or 2 parameters.");
  EXPECT_EQ(run("PLAYSELECTION 1, 2"), "PLAYSELECTION: No file loaded.");
  load(500);
  // No position preprocessing: EOF and relative positions are invalid here.
  EXPECT_EQ(run("PLAYSELECTION 10, EOF"), "2nd PLAYSELECTION parameter invalid:\r\nEOF");
  EXPECT_EQ(run("PLAYSELECTION R+1, 2"), "1st PLAYSELECTION parameter invalid:\r\nR+1");
  ASSERT_EQ(run("UNSELECT"), "");
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: no selection.");
  EXPECT_TRUE(playerStayedIdle());
}

TEST_F(PlayCommandsTest, SelectionPlaysItsFrames) {
  load(500);
  EXPECT_EQ(run("PLAYSELECTION 2, 4"), "");
  EXPECT_EQ(sel(), (std::array<int32_t, 2>{framesAt(2), framesAt(4)}));
  EXPECT_EQ(played(), Lines{data + "/kavrel.Selection.mp3"});
  EXPECT_EQ(fs::file_size(data + "/kavrel.Selection.mp3"), size_t(framesAt(4) - framesAt(2)) * kFrameBytes);

  // Without parameters the current selection plays.
  EXPECT_EQ(run("PLAYSELECTION"), "");
  EXPECT_EQ(played(), Lines{data + "/kavrel.Selection.mp3"});

  fs::remove(path);
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: disabled - not ready? unknown error?");
}

}  // namespace
}  // namespace kavrel::test
