// The Play menu of the Editor: which file reaches the (fake) player, queue
// program or opener, and when the commands are available.
#include <unistd.h>

#include <fstream>

#include "support/editor_fixture.h"
#include "support/fake_player.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using E = Editor;

constexpr size_t kFrameBytes = 104;  // 32 kbit/s, 44.1 kHz, no padding
const std::string kMoved = "1 Warning: The file was moved, renamed or deleted in the meantime.";
const std::string kNoViewer = "  SYSTEM  ERROR: No (or invalid) system viewer for this file type.";

class EditorPlayTest : public EditorFixture {
 protected:
  void SetUp() override {
    fs::create_directory(bin);
    fs::create_directory(data);
    writeRecorder(dir.file("player"), dir.file("played"));
    writeRecorder(dir.file("enqueuer"), dir.file("queued"));
    writeRecorder(bin + "/xdg-open", dir.file("opened"));  // a configured player replaces it
    editor.dataFolder = data;
  }
  std::string load(int frames = 50) {
    return EditorFixture::load(Mp3Builder().frames(frames, {.bitrateIndex = 1}).bytes(), "song.mp3");
  }
  // Runs a command: its outcome, the boxes it showed, its line error, and
  // once it succeeded the program that ran with its arguments ("played /a.mp3").
  std::string act(void (Editor::*command)(Sender), Sender sender = Sender::User) {
    host.clearRecord();
    editor.lineError.clear();
    (editor.*command)(sender);
    std::string out = std::to_string(editor.operationStatus);
    for (const auto& m : host.messages()) out += " " + m.caption + ": " + m.text;
    if (!editor.lineError.empty()) out += " [" + editor.lineError + "]";
    for (int i = 0; editor.operationStatus == 0 && i < 2000; ++i, ::usleep(10000)) {
      for (const char* name : {"played", "queued", "opened"}) {
        if (const auto lines = waitForRecord(dir.file(name), 0)) {
          fs::remove(dir.file(name));
          out += std::string(" ") + name;
          for (const std::string& line : *lines) out += " " + line;
          return out;
        }
      }
    }
    return out;
  }
  std::string work(const char* name) const { return data + "/" + name; }
  std::string bin = dir.file("bin");
  std::string data = dir.file("data");
  EnvScope path{"PATH", bin};
  EnvScope player{"KAVREL_PLAYER", dir.file("player")};
  EnvScope enqueue{"KAVREL_ENQUEUE", dir.file("enqueuer") + " --add \"%f\""};
};

TEST_F(EditorPlayTest, PlaysAndQueuesTheLoadedAndTheSavedFile) {
  const std::string song = load();
  EXPECT_EQ(act(&E::playInput), "0 played " + song);
  EXPECT_FALSE(editor.isBusy());
  EXPECT_EQ(act(&E::enqueueInput), "0 queued --add " + song);
  EXPECT_EQ(act(&E::enqueuePreview), "0 queued --add " + work("kavrel.Preview.mp3"));
  EXPECT_EQ(act(&E::playOutput), kMoved);  // nothing saved yet
  EXPECT_EQ(act(&E::enqueueOutput), kMoved);
  ASSERT_TRUE(editor.saveAs(Sender::User, dir.file("saved.mp3")));
  EXPECT_EQ(act(&E::playOutput), "0 played " + dir.file("saved.mp3"));
  EXPECT_EQ(act(&E::enqueueOutput), "0 queued --add " + dir.file("saved.mp3"));
  // A queue program that is gone, and none at all.
  editor.setPlayerCommands({dir.file("player"), dir.file("gone") + " --add", true});
  EXPECT_EQ(act(&E::enqueueInput), "3  SYSTEM  ERROR: The file seems to have disappeared.");
  editor.setPlayerCommands({dir.file("player"), "", true});
  EXPECT_EQ(act(&E::enqueueInput), "3" + kNoViewer);
}

TEST_F(EditorPlayTest, PreviewAndSelectionAreWrittenToWorkFiles) {
  load(50);
  selectRange(0, 20);
  editor.deleteSelection(Sender::User);
  const std::string preview = work("kavrel.Preview.mp3"), alternate = work("kavrel.Prevyu.mp3");
  EXPECT_EQ(act(&E::playPreview), "0 played " + preview);
  EXPECT_EQ(fs::file_size(preview), 30 * kFrameBytes);
  EXPECT_EQ(editor.lastSavedFile, "");  // not what "play output" plays
  // A player still reading the work file keeps the complete old one.
  std::ifstream held(preview, std::ios::binary);
  selectRange(0, 10);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(act(&E::playPreview), "0 played " + preview);
  EXPECT_EQ(fs::file_size(preview), 20 * kFrameBytes);
  held.seekg(0, std::ios::end);
  EXPECT_EQ(size_t(held.tellg()), 30 * kFrameBytes);
  // Something that is no file holds the first name: the alternate, silently;
  // both names held: the player is never asked.
  fs::remove(preview);
  fs::create_directory(preview);
  EXPECT_EQ(act(&E::playPreview), "0 played " + alternate);
  EXPECT_EQ(fs::file_size(alternate), 20 * kFrameBytes);
  fs::remove(alternate);
  fs::create_directory(alternate);
  EXPECT_EQ(act(&E::playPreview),
            "2  error: You may need to close your mp3 player so that the\r\ntemporary mp3 file can be "
            "overwritten and then played.");
  EXPECT_EQ(act(&E::playSelection), "1");  // no selection: nothing to play
  selectRange(10, 15);
  EXPECT_EQ(act(&E::playSelection), "0 played " + work("kavrel.Selection.mp3"));
  EXPECT_EQ(fs::file_size(work("kavrel.Selection.mp3")), 5 * kFrameBytes);
  fs::remove(work("kavrel.Selection.mp3"));
  fs::create_directory(work("kavrel.Selection.mp3"));
  const std::string alternateSelection = act(&E::playSelection);  // (a box about the first name shows)
  EXPECT_TRUE(alternateSelection.ends_with("played " + work("kavrel.Selexion.mp3"))) << alternateSelection;
}

TEST_F(EditorPlayTest, MissingSourcesStopPreviewAndSelection) {
  const std::string song = load(50);
  const std::string extra = dir.file("extra.mp3");
  writeFile(extra, Mp3Builder().frames(5, {.bitrateIndex = 1}).bytes());
  editor.insertFile(Sender::User, extra);
  ASSERT_EQ(editor.document().documentFrameCount(), 55);
  fs::remove(extra);
  EXPECT_EQ(act(&E::playPreview),
            "1 Warning: A file to be inserted from was moved, renamed or deleted in the meantime.");
  EXPECT_FALSE(fs::exists(work("kavrel.Preview.mp3")));
  fs::remove(song);
  selectRange(0, 10);
  EXPECT_EQ(act(&E::playSelection), "1 Warning: Source file was moved, renamed or deleted in the meantime.");
  EXPECT_EQ(act(&E::playPreview), kMoved);
  EXPECT_EQ(act(&E::playInput), kMoved);
}

TEST_F(EditorPlayTest, WithoutAConfiguredPlayerTheOpenerGoesFirst) {
  EnvScope none{"KAVREL_PLAYER", std::nullopt};
  const std::string song = load();
  // No opener and no player: a system error; in a script without a box.
  fs::remove(bin + "/xdg-open");
  EXPECT_EQ(act(&E::playInput), "3" + kNoViewer + " [System error trying to play.]");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Stop);
  editor.scriptRunning = true;
  EXPECT_EQ(act(&E::playInput, Sender::ScriptMarker), "3 [System error trying to play.]");
  editor.scriptRunning = false;
  // The opener finds no program for the type: the desktop's player runs.
  writeScript(bin + "/xdg-open", "exit 3\n");
  editor.setPlayerCommands({dir.file("player"), "", false});
  EXPECT_EQ(act(&E::playInput), "0 played " + song);
  // The opener plays it: the player (one that cannot start) is not tried.
  writeRecorder(bin + "/xdg-open", dir.file("opened"));
  editor.setPlayerCommands({dir.file("gone"), "", false});
  EXPECT_EQ(act(&E::playInput), "0 opened " + song);
}

TEST_F(EditorPlayTest, AvailabilityFollowsTheFilesOnDisk) {
  // The play and enqueue commands on, in this order, as a string of 0 and 1.
  auto shown = [&] {
    editor.refreshPlayAvailability();
    std::string bits;
    for (Command c : {Command::PlayInput, Command::PlayPreview, Command::PlaySelection, Command::EnqueueInput,
                      Command::EnqueuePreview, Command::PlayOutput, Command::EnqueueOutput})
      bits += editor.enabled(c) ? '1' : '0';
    return bits;
  };
  EXPECT_EQ(shown(), "0000000");
  const std::string song = load(50);
  EXPECT_EQ(shown(), "1101100");
  selectRange(5, 10);
  ASSERT_TRUE(editor.saveAs(Sender::User, dir.file("saved.mp3")));
  EXPECT_EQ(shown(), "1111111");
  fs::remove(song);
  EXPECT_EQ(shown(), "0000011");
  // The saved file outlives the document; without a queue program there are no enqueue commands.
  editor.unload(false);
  editor.setPlayerCommands({dir.file("player"), "", true});
  EXPECT_EQ(shown(), "0000010");
  fs::remove(dir.file("saved.mp3"));
  EXPECT_EQ(shown(), "0000000");
}

}  // namespace
}  // namespace kavrel::test
