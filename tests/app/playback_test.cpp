// Playback: the command-line rules for player and queue commands, starting
// programs (fake ones that record their arguments), the desktop lookup, and
// the Editor's play and enqueue commands with their files and messages.
#include "platform/playback.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"
#include "app/editor.h"
#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;
namespace t = kavrel::test;
using Lines = std::vector<std::string>;

constexpr size_t kFrameBytes = 104;  // 32 kbit/s, 44.1 kHz, no padding

// True while a program we started has ended but was not reaped.
bool zombieChildren() {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    const size_t name = stat.rfind(')');
    if (name == std::string::npos) continue;
    std::istringstream rest(stat.substr(name + 1));
    char state = 0;
    long parent = 0;
    rest >> state >> parent;
    if (state == 'Z' && parent == long(::getpid())) return true;
  }
  return false;
}

// Every program that ended is reaped soon after, none waits for us.
bool noZombiesLeft() {
  for (int i = 0; i < 500 && zombieChildren(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !zombieChildren();
}

// ------------------------------------------------------------ command rules

TEST(PlayerCommandRules, PlayerCommandKeepsOnlyTheProgram) {
  EXPECT_EQ(cutPlayerCommand(R"("C:\Players\p.exe" /play "%1")"), R"("C:\Players\p.exe")");
  EXPECT_EQ(cutPlayerCommand(R"(C:\Players\p.exe %1)"), R"("C:\Players\p.exe")");
  EXPECT_EQ(cutPlayerCommand(R"(C:\Players\p.exe /play)"), R"(C:\Players\p.exe /play)");
  // The quote before the placeholder and the blanks go with it.
  EXPECT_EQ(cutPlayerCommand(R"(C:\Players\p.exe  "%1")"), R"("C:\Players\p.exe")");
  // Too short, or a placeholder at the very start: nothing to cut.
  EXPECT_EQ(cutPlayerCommand("p"), "p");
  EXPECT_EQ(cutPlayerCommand("%1"), "%1");
  EXPECT_EQ(cutPlayerCommand(" %1"), "");
}

TEST(PlayerCommandRules, SwitchesBeforeThePlaceholderStaySeparateWords) {
  EXPECT_EQ(cutPlayerCommand("mpv --no-video %f"), "mpv --no-video");
  // ...unless the text is one program whose path holds a blank.
  t::TempDir dir;
  const std::string program = dir.file("my player");
  t::writeScript(program, "exit 0\n");
  EXPECT_EQ(cutPlayerCommand(program + " %1"), "\"" + program + "\"");
}

TEST(PlayerCommandRules, EnqueueCommandLosesItsLastWord) {
  const std::string cut = cutEnqueueCommand(R"("C:\Players\p.exe" /add "%1")");
  EXPECT_EQ(cut, R"("C:\Players\p.exe" /add)");
  const CommandSplit split = splitEnqueueCommand(cut);
  EXPECT_EQ(split.program, R"("C:\Players\p.exe")");
  EXPECT_EQ(split.switches, "/add");
  // Blanks inside quotes never cut.
  EXPECT_EQ(cutEnqueueCommand(R"("C:\My Players\p.exe" "%1 x")"), R"("C:\My Players\p.exe")");
  EXPECT_EQ(cutEnqueueCommand("p.exe"), "p.exe");
  const CommandSplit alone = splitEnqueueCommand(R"("C:\My Players\p.exe")");
  EXPECT_EQ(alone.program, R"("C:\My Players\p.exe")");
  EXPECT_EQ(alone.switches, "");
}

TEST(PlayerCommandRules, CommandWordsGroupByDoubleQuotes) {
  EXPECT_EQ(splitCommandWords(R"("/opt/my player/p"  --x "" a"b c"d)"),
            (Lines{"/opt/my player/p", "--x", "", "ab cd"}));
  EXPECT_TRUE(splitCommandWords("  \t ").empty());
}

TEST(PlayerCommandRules, DesktopExecLosesItsFieldCodes) {
  EXPECT_EQ(desktopExecCommand("vlc --started-from-file %U"), "vlc --started-from-file");
  EXPECT_EQ(desktopExecCommand(R"("/opt/My App/run" --name %c %i %f)"), R"("/opt/My App/run" --name)");
  // A word built around the file has no meaning without it; %% is a per cent sign.
  EXPECT_EQ(desktopExecCommand("player --file=%u --gain 50%% %F"), "player --gain 50%");
  // Arguments after the file stay (the file goes last).
  EXPECT_EQ(desktopExecCommand("player %f --enqueue"), "player --enqueue");
  // Value escapes and the escapes inside quoted words.
  EXPECT_EQ(desktopExecCommand(R"("run\sme" "a \\"b\\"" %U)"), R"("run me" "a \"b\"")");
  EXPECT_EQ(splitCommandWords(desktopExecCommand(R"("run\sme" "a \\"b\\" c\\\\d" %U)")),
            (Lines{"run me", R"(a "b" c\d)"}));
}

TEST(PlayerCommandRules, DesktopEntryGivesPlayAndEnqueueCommands) {
  const DesktopEntryCommands c = readDesktopEntry(
      "[Desktop Entry]\n"
      "Name=Player\n"
      "Exec=player --play %U\n"
      "Actions=new-window;enqueue-it;\n"
      "\n"
      "[Desktop Action new-window]\n"
      "Name=New window\n"
      "Exec=player --new %U\n"
      "\n"
      "[Desktop Action enqueue-it]\n"
      "Name=Add to the list\n"
      "Name[de]=Einreihen\n"
      "Exec=player --add %U\n");
  EXPECT_EQ(c.open, "player --play");
  EXPECT_EQ(c.enqueue, "player --add");
  // An action found by its name; an entry without one has no queue command.
  EXPECT_EQ(readDesktopEntry(
                "[Desktop Entry]\nExec=p %f\nActions=q;\n[Desktop Action q]\nName=Enqueue\nExec=p -e %f\n")
                .enqueue,
            "p -e");
  EXPECT_EQ(readDesktopEntry("[Desktop Entry]\nExec=p %f\n").enqueue, "");
  // Keys of other groups never count as the main Exec line.
  EXPECT_EQ(readDesktopEntry("[Other]\nExec=q\n[Desktop Entry]\nName=x\n").open, "");
}

// ------------------------------------------------------------ starting programs

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(bin); }
  std::string record(const std::string& name) const { return dir.file(name); }

  t::TempDir dir;
  std::string bin = dir.file("bin");
  // Only our fakes are found on the PATH.
  t::EnvScope path{"PATH", bin};
};

TEST_F(DesktopTest, RunPassesEveryWordAndDetachesTheProgram) {
  const std::string program = dir.file("my player");
  t::writeScript(
      program,
      "o=$(readlink /proc/$$/fd/1)\n{ for a in \"$@\" \"$o\"; do printf '%s\\n' \"$a\"; done; } > '" +
          record("args") + ".part'\nmv '" + record("args") + ".part' '" + record("args") + "'\n");
  const std::string command = "\"" + program + "\" --add";
  EXPECT_EQ(shellRun(command, {"/music/a b.mp3", "-x.mp3"}), kShellSuccess);
  const auto args = t::waitForRecord(record("args"));
  ASSERT_TRUE(args);
  // The program's output goes nowhere near ours.
  EXPECT_EQ(*args, (Lines{"--add", "/music/a b.mp3", "-x.mp3", "/dev/null"}));
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, RunReportsProgramsThatCannotStart) {
  EXPECT_EQ(shellRun("", {"x"}), kShellFileNotFound);
  EXPECT_EQ(shellRun("no-such-player", {"x"}), kShellFileNotFound);
  EXPECT_EQ(shellRun(dir.file("missing"), {"x"}), kShellFileNotFound);
  const std::string plain = dir.file("not-executable");
  std::ofstream(plain) << "data";
  EXPECT_EQ(shellRun(plain, {"x"}), kShellNoAssociation);
  // A script whose interpreter is missing fails at exec time.
  const std::string broken = dir.file("broken");
  std::ofstream(broken) << "#!/no/such/interpreter\n";
  fs::permissions(broken, fs::perms::owner_all);
  EXPECT_EQ(shellRun(broken, {"x"}), kShellFileNotFound);
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, OpenUsesTheDesktopOpenerAndItsVerdict) {
  const std::string song = dir.file("song.mp3");
  std::ofstream(song) << "x";
  EXPECT_EQ(shellOpen(dir.file("gone.mp3")), kShellFileNotFound);
  // No opener at all.
  EXPECT_EQ(shellOpen(song), kShellNoAssociation);

  t::writeRecorder(bin + "/xdg-open", record("opened"));
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const int relative = shellOpen("song.mp3");
  fs::current_path(before);
  EXPECT_EQ(relative, kShellSuccess);
  const auto opened = t::waitForRecord(record("opened"));
  ASSERT_TRUE(opened);
  EXPECT_EQ(*opened, Lines{song});  // always an absolute name

  t::writeScript(bin + "/xdg-open", "exit 3\n");  // no program for the type
  EXPECT_EQ(shellOpen(song), kShellNoAssociation);
  t::writeScript(bin + "/xdg-open", "exit 4\n");  // the program failed
  EXPECT_EQ(shellOpen(song), kShellNoAssociation);
  t::writeScript(bin + "/xdg-open", "exit 2\n");  // the file vanished
  EXPECT_EQ(shellOpen(song), kShellFileNotFound);
  // An opener that keeps the player in the foreground has succeeded.
  t::writeScript(bin + "/xdg-open", "sleep 3\n");
  EXPECT_EQ(shellOpen(song), kShellSuccess);
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, CaptureReturnsTheOutputOfASuccessfulRun) {
  t::writeScript(bin + "/answer", "echo \"$1\"; echo on-stderr >&2\n");
  t::writeScript(bin + "/fails", "echo partial; exit 1\n");
  EXPECT_EQ(captureOutput({"answer", "vlc.desktop"}, 5000), "vlc.desktop\n");
  EXPECT_EQ(captureOutput({"fails"}, 5000), std::nullopt);
  EXPECT_EQ(captureOutput({"missing"}, 5000), std::nullopt);
  t::writeScript(bin + "/hangs", "sleep 30\n");
  EXPECT_EQ(captureOutput({"hangs"}, 200), std::nullopt);
  EXPECT_TRUE(noZombiesLeft());
}

TEST(ShellErrorTexts, EveryCodeHasItsText) {
  EXPECT_EQ(shellErrorText(2), "The file seems to have disappeared.");
  EXPECT_EQ(shellErrorText(3), "The path seems invalid.");
  EXPECT_EQ(shellErrorText(5), "Your access is denied.");
  EXPECT_EQ(shellErrorText(8), "Insufficient memory (reboot is advised).");
  EXPECT_EQ(shellErrorText(11), "Invalid file format.");
  EXPECT_EQ(shellErrorText(26), "Sharing violation (file is probably in use).");
  for (int r : {27, 31}) EXPECT_EQ(shellErrorText(r), "No (or invalid) system viewer for this file type.");
  for (int r : {28, 29, 30}) EXPECT_EQ(shellErrorText(r), "DDE error.");
  EXPECT_EQ(shellErrorText(32), "DLL error.");
  EXPECT_EQ(shellErrorText(0), "Unknown error, code: 0");
  EXPECT_EQ(shellErrorText(-1), "Unknown error, code: -1");
}

// ------------------------------------------------------------ the lookup

class LookupTest : public DesktopTest {
 protected:
  t::EnvScope player{"KAVREL_PLAYER", std::nullopt};
  t::EnvScope enqueue{"KAVREL_ENQUEUE", std::nullopt};
  t::EnvScope dataHome{"XDG_DATA_HOME", dir.file("home")};
  t::EnvScope dataDirs{"XDG_DATA_DIRS", dir.file("system")};
};

TEST_F(LookupTest, ConfiguredCommandsComeFirst) {
  t::EnvScope p{"KAVREL_PLAYER", " \"/opt/my player/p\" --play "};
  t::EnvScope q{"KAVREL_ENQUEUE", "/opt/p --add %f"};
  const PlayerCommands c = lookUpPlayerCommands();
  EXPECT_EQ(c.player, "\"/opt/my player/p\" --play");
  EXPECT_TRUE(c.playerReplacesOpener);
  EXPECT_EQ(c.enqueue, "/opt/p --add");
}

TEST_F(LookupTest, DesktopEntryOfTheMp3TypeGivesTheCommands) {
  // Nothing to ask: no commands, playback uses the opener alone.
  PlayerCommands c = lookUpPlayerCommands();
  EXPECT_EQ(c.player, "");
  EXPECT_EQ(c.enqueue, "");
  EXPECT_FALSE(c.playerReplacesOpener);

  t::writeScript(bin + "/xdg-mime",
                 "[ \"$*\" = 'query default audio/mpeg' ] && echo vendor-player.desktop\n");
  fs::create_directories(dir.file("system/applications/vendor"));
  std::ofstream(dir.file("system/applications/vendor/player.desktop"))
      << "[Desktop Entry]\nExec=player %U\nActions=Enqueue;\n[Desktop Action Enqueue]\nExec=player -e %U\n";
  c = lookUpPlayerCommands();
  EXPECT_EQ(c.player, "player");
  EXPECT_EQ(c.enqueue, "player -e");
  EXPECT_FALSE(c.playerReplacesOpener);

  // The user's own entry hides the system's.
  fs::create_directories(dir.file("home/applications"));
  std::ofstream(dir.file("home/applications/vendor-player.desktop")) << "[Desktop Entry]\nExec=mine %f\n";
  EXPECT_EQ(lookUpPlayerCommands().player, "mine");
  EXPECT_EQ(findDesktopEntry("../x.desktop"), "");
}

// ------------------------------------------------------------ Editor commands

class EditorPlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(bin);
    fs::create_directory(data);
    t::writeRecorder(dir.file("player"), record("played"));
    t::writeRecorder(dir.file("enqueuer"), record("queued"));
    editor.dataFolder = data;
    editor.options().autoSelectAll = false;
  }
  std::string record(const std::string& name) const { return dir.file(name); }
  std::string load(int n = 50) {
    t::Mp3Builder b;
    b.frames(n, {.bitrateIndex = 1});
    const std::string path = dir.file("song.mp3");
    t::writeFile(path, b.bytes());
    EXPECT_TRUE(editor.loadFile(path));
    host.clearRecord();
    return path;
  }
  // The arguments a fake program recorded (it is ready for the next run).
  Lines recorded(const char* name = "played") {
    const auto lines = t::waitForRecord(record(name));
    fs::remove(record(name));
    return lines ? *lines : Lines{"(the program never ran)"};
  }
  Lines played() { return recorded(); }
  bool stayedIdle(const char* name = "played") { return !t::waitForRecord(record(name), 0.3); }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  std::string work(const char* name) const { return data + "/" + name; }

  t::TempDir dir;
  std::string bin = dir.file("bin");
  std::string data = dir.file("data");
  t::EnvScope path{"PATH", bin};
  t::EnvScope player{"KAVREL_PLAYER", dir.file("player")};
  t::EnvScope enqueue{"KAVREL_ENQUEUE", dir.file("enqueuer") + " --add \"%f\""};
  t::RecordingHost host;
  Editor editor{host};
};

TEST_F(EditorPlayTest, PlaysTheLoadedAndTheSavedFile) {
  const std::string song = load();
  editor.playInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(played(), Lines{song});
  EXPECT_FALSE(editor.isBusy());

  // Nothing saved yet.
  editor.playOutput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_EQ(host.lastMessage().text, "The file was moved, renamed or deleted in the meantime.");
  EXPECT_EQ(host.lastMessage().caption, "Warning");

  const std::string saved = dir.file("saved.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::User, saved));
  EXPECT_EQ(editor.lastSavedFile, saved);
  editor.playOutput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(played(), Lines{saved});
}

TEST_F(EditorPlayTest, PreviewWritesTheEditedDocument) {
  load(50);
  selectRange(0, 20);
  editor.deleteSelection(Sender::User);
  ASSERT_EQ(editor.document().documentFrameCount(), 30);
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(played(), Lines{work("kavrel.Preview.mp3")});
  EXPECT_EQ(fs::file_size(work("kavrel.Preview.mp3")), 30 * kFrameBytes);
  // The work files are not what "play output" plays.
  EXPECT_EQ(editor.lastSavedFile, "");
}

TEST_F(EditorPlayTest, PreviewFallsBackToItsAlternateFile) {
  load(50);
  // Something that is no file holds the first name.
  fs::create_directory(work("kavrel.Preview.mp3"));
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(played(), Lines{work("kavrel.Prevyu.mp3")});
  EXPECT_EQ(fs::file_size(work("kavrel.Prevyu.mp3")), 50 * kFrameBytes);

  // Both names held: the player is never asked.
  fs::remove(work("kavrel.Prevyu.mp3"));
  fs::create_directory(work("kavrel.Prevyu.mp3"));
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(
      host.lastMessage().text,
      "You may need to close your mp3 player so that the\r\ntemporary mp3 file can be overwritten and then "
      "played.");
  EXPECT_EQ(host.lastMessage().caption, " error");
  EXPECT_TRUE(stayedIdle());
}

TEST_F(EditorPlayTest, PreviewReplacesAFileAPlayerMayStillRead) {
  load(50);
  editor.playPreview(Sender::User);
  played();
  const std::string first = work("kavrel.Preview.mp3");
  std::ifstream held(first, std::ios::binary);  // a player still reading it
  selectRange(0, 10);
  editor.deleteSelection(Sender::User);
  editor.playPreview(Sender::User);
  EXPECT_EQ(played(), Lines{first});
  EXPECT_EQ(fs::file_size(first), 40 * kFrameBytes);
  // The reader keeps the complete old file.
  held.seekg(0, std::ios::end);
  EXPECT_EQ(size_t(held.tellg()), 50 * kFrameBytes);
}

TEST_F(EditorPlayTest, SelectionPlaysOnlyTheSelectedFrames) {
  load(50);
  editor.playSelection(Sender::User);  // no selection: nothing to play
  EXPECT_EQ(editor.operationStatus, 1);
  selectRange(10, 22);
  editor.playSelection(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(played(), Lines{work("kavrel.Selection.mp3")});
  EXPECT_EQ(fs::file_size(work("kavrel.Selection.mp3")), 12 * kFrameBytes);

  fs::remove(work("kavrel.Selection.mp3"));
  fs::create_directory(work("kavrel.Selection.mp3"));
  editor.playSelection(Sender::User);
  EXPECT_EQ(played(), Lines{work("kavrel.Selexion.mp3")});
}

TEST_F(EditorPlayTest, MissingSourcesStopPreviewAndSelection) {
  const std::string song = load(50);
  t::Mp3Builder b;
  b.frames(5, {.bitrateIndex = 1});
  const std::string extra = dir.file("extra.mp3");
  t::writeFile(extra, b.bytes());
  editor.insertFile(Sender::User, extra);
  ASSERT_EQ(editor.document().documentFrameCount(), 55);
  fs::remove(extra);
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_EQ(host.lastMessage().text,
            "A file to be inserted from was moved, renamed or deleted in the meantime.");
  EXPECT_FALSE(fs::exists(work("kavrel.Preview.mp3")));

  fs::remove(song);
  selectRange(0, 10);
  editor.playSelection(Sender::User);
  EXPECT_EQ(host.lastMessage().text, "Source file was moved, renamed or deleted in the meantime.");
  editor.playPreview(Sender::User);
  EXPECT_EQ(host.lastMessage().text, "The file was moved, renamed or deleted in the meantime.");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  editor.playInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
}

TEST_F(EditorPlayTest, NoPlayerAnywhereIsReportedAsASystemError) {
  t::EnvScope none{"KAVREL_PLAYER", std::nullopt};
  load();
  editor.playInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(editor.lineError, "System error trying to play.");
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().text, "No (or invalid) system viewer for this file type.");
  EXPECT_EQ(host.lastMessage().caption, " SYSTEM  ERROR");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Stop);

  // In a script the text is the line's, and no box shows.
  host.clearRecord();
  editor.scriptRunning = true;
  editor.playInput(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(editor.lineError, "System error trying to play.");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(EditorPlayTest, TheOpenerGoesFirstAndTheDesktopPlayerAfterIt) {
  t::EnvScope none{"KAVREL_PLAYER", std::nullopt};
  t::EnvScope noQueue{"KAVREL_ENQUEUE", std::nullopt};
  t::EnvScope dataHome{"XDG_DATA_HOME", dir.file("home")};
  t::EnvScope dataDirs{"XDG_DATA_DIRS", dir.file("system")};
  t::writeScript(bin + "/xdg-mime", "echo kavrel-test-player.desktop\n");
  fs::create_directories(dir.file("home/applications"));
  std::ofstream(dir.file("home/applications/kavrel-test-player.desktop"))
      << "[Desktop Entry]\nExec=" << dir.file("player") << " %U\n";
  const std::string song = load();

  // The opener finds no program for the type: the entry's player runs.
  t::writeScript(bin + "/xdg-open", "exit 3\n");
  editor.playInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(played(), Lines{song});
  EXPECT_TRUE(host.messages().empty());

  // The opener plays it: the player is not started as well.
  t::writeRecorder(bin + "/xdg-open", record("opened"));
  editor.playInput(Sender::User);
  EXPECT_EQ(recorded("opened"), Lines{song});
  EXPECT_TRUE(stayedIdle());
}

TEST_F(EditorPlayTest, EnqueueAddsToThePlayersQueue) {
  const std::string song = load(50);
  ASSERT_TRUE(editor.canEnqueue());
  editor.enqueueInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(recorded("queued"), (Lines{"--add", song}));
  editor.enqueuePreview(Sender::User);
  EXPECT_EQ(recorded("queued"), (Lines{"--add", work("kavrel.Preview.mp3")}));
  editor.enqueueOutput(Sender::User);  // nothing saved
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_TRUE(stayedIdle("queued"));

  // A queue program that is gone.
  editor.setPlayerCommands({dir.file("player"), dir.file("gone") + " --add", true});
  editor.enqueueInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(host.lastMessage().text, "The file seems to have disappeared.");
  EXPECT_EQ(host.lastMessage().caption, " SYSTEM  ERROR");
}

TEST_F(EditorPlayTest, AvailabilityFollowsTheFilesOnDisk) {
  auto on = [&](Control c) { return editor.enabled(c); };
  editor.refreshPlayAvailability();
  EXPECT_FALSE(on(Control::MenuPlaySrc));
  EXPECT_FALSE(on(Control::MenuPlayOut));

  const std::string song = load(50);
  editor.refreshPlayAvailability();
  EXPECT_TRUE(on(Control::MenuPlayPreview));
  EXPECT_TRUE(on(Control::MenuEnqueuePreview));
  EXPECT_FALSE(on(Control::MenuPlaySel));
  EXPECT_FALSE(on(Control::MenuEnqueueOutput));

  selectRange(5, 10);
  const std::string saved = dir.file("saved.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::User, saved));
  editor.refreshPlayAvailability();
  EXPECT_TRUE(on(Control::ButPselect));
  EXPECT_TRUE(on(Control::MenuEnqueueOutput));

  fs::remove(song);
  editor.refreshPlayAvailability();
  EXPECT_FALSE(on(Control::MenuPlayPreview));
  EXPECT_FALSE(on(Control::ButPselect));
  EXPECT_TRUE(on(Control::MenuPlayOut));

  // The saved file outlives the document; without a queue program there
  // are no enqueue commands.
  editor.unload(false);
  editor.setPlayerCommands({dir.file("player"), "", true});
  editor.refreshPlayAvailability();
  EXPECT_TRUE(on(Control::MenuPlayOut));
  EXPECT_FALSE(on(Control::MenuEnqueueOutput));
  fs::remove(saved);
  editor.refreshPlayAvailability();
  EXPECT_FALSE(on(Control::MenuPlayOut));
}

}  // namespace
}  // namespace kavrel
