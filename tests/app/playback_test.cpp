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
    if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos) continue;
    std::istringstream rest(stat.substr(stat.rfind(')') + 1));
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

TEST(PlayerCommandRules, PlayerAndEnqueueCommandsLoseTheirPlaceholder) {
  const std::pair<std::string, std::string> player[] = {
      {R"("C:\Players\p.exe" /play "%1")", R"("C:\Players\p.exe")"},
      {R"(C:\Players\p.exe %1)", R"("C:\Players\p.exe")"},
      {R"(C:\Players\p.exe /play)", R"(C:\Players\p.exe /play)"},
      {R"(C:\Players\p.exe  "%1")", R"("C:\Players\p.exe")"},  // the quote and the blanks go with it
      {"p", "p"},                                              // too short
      {"%1", "%1"},                                            // the placeholder at the very start
      {" %1", ""},
      {"mpv --no-video %f", "mpv --no-video"}};  // switches stay separate words...
  for (const auto& [command, cut] : player) EXPECT_EQ(cutPlayerCommand(command), cut) << command;
  // ...unless the text is one program whose path holds a blank.
  t::TempDir dir;
  const std::string program = dir.file("my player");
  t::writeScript(program, "exit 0\n");
  EXPECT_EQ(cutPlayerCommand(program + " %1"), "\"" + program + "\"");

  // The enqueue command loses its last word; blanks inside quotes never cut.
  const std::pair<std::string, std::string> enqueue[] = {
      {R"("C:\Players\p.exe" /add "%1")", R"("C:\Players\p.exe" /add)"},
      {R"("C:\My Players\p.exe" "%1 x")", R"("C:\My Players\p.exe")"},
      {"p.exe", "p.exe"}};
  for (const auto& [command, cut] : enqueue) EXPECT_EQ(cutEnqueueCommand(command), cut) << command;
  const CommandSplit split = splitEnqueueCommand(R"("C:\My Players\p.exe" /add)");
  EXPECT_EQ(split.program + "|" + split.switches, R"("C:\My Players\p.exe"|/add)");
  const CommandSplit alone = splitEnqueueCommand(R"("C:\My Players\p.exe")");
  EXPECT_EQ(alone.program + "|" + alone.switches, R"("C:\My Players\p.exe"|)");
  EXPECT_EQ(splitCommandWords(R"("/opt/my player/p"  --x "" a"b c"d)"),
            (Lines{"/opt/my player/p", "--x", "", "ab cd"}));
  EXPECT_TRUE(splitCommandWords("  \t ").empty());
}

TEST(PlayerCommandRules, DesktopEntriesGiveThePlayAndEnqueueCommands) {
  const std::pair<std::string, std::string> exec[] = {
      {"vlc --started-from-file %U", "vlc --started-from-file"},
      {R"("/opt/My App/run" --name %c %i %f)", R"("/opt/My App/run" --name)"},
      // A word built around the file has no meaning without it; %% is a per cent sign.
      {"player --file=%u --gain 50%% %F", "player --gain 50%"},
      {"player %f --enqueue", "player --enqueue"},  // arguments after the file stay
      // Value escapes and the escapes inside quoted words.
      {R"("run\sme" "a \\"b\\"" %U)", R"("run me" "a \"b\"")"}};
  for (const auto& [line, command] : exec) EXPECT_EQ(desktopExecCommand(line), command) << line;
  EXPECT_EQ(splitCommandWords(desktopExecCommand(R"("run\sme" "a \\"b\\" c\\\\d" %U)")),
            (Lines{"run me", R"(a "b" c\d)"}));

  const DesktopEntryCommands c = readDesktopEntry(
      "[Desktop Entry]\nName=Player\nExec=player --play %U\nActions=new-window;enqueue-it;\n\n"
      "[Desktop Action new-window]\nName=New window\nExec=player --new %U\n\n"
      "[Desktop Action enqueue-it]\nName=Add to the list\nName[de]=Einreihen\nExec=player --add %U\n");
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

TEST(PlayerCommandRules, EveryShellCodeHasItsText) {
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

TEST_F(DesktopTest, RunPassesEveryWordDetachesTheProgramAndReportsOnesThatCannotStart) {
  const std::string program = dir.file("my player");
  t::writeScript(
      program,
      "o=$(readlink /proc/$$/fd/1)\n{ for a in \"$@\" \"$o\"; do printf '%s\\n' \"$a\"; done; } > '" +
          record("args") + ".part'\nmv '" + record("args") + ".part' '" + record("args") + "'\n");
  EXPECT_EQ(shellRun("\"" + program + "\" --add", {"/music/a b.mp3", "-x.mp3"}), kShellSuccess);
  // The program's output goes nowhere near ours.
  EXPECT_EQ(t::waitForRecord(record("args")), (Lines{"--add", "/music/a b.mp3", "-x.mp3", "/dev/null"}));

  const std::string plain = dir.file("not-executable");
  std::ofstream(plain) << "data";
  // A script whose interpreter is missing fails at exec time.
  const std::string broken = dir.file("broken");
  std::ofstream(broken) << "#!/no/such/interpreter\n";
  fs::permissions(broken, fs::perms::owner_all);
  for (const auto& [command, result] : {std::pair<std::string, int>("", kShellFileNotFound),
                                        {"no-such-player", kShellFileNotFound},
                                        {dir.file("missing"), kShellFileNotFound},
                                        {plain, kShellNoAssociation},
                                        {broken, kShellFileNotFound}})
    EXPECT_EQ(shellRun(command, {"x"}), result) << command;
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, OpenUsesTheDesktopOpenerAndItsVerdict) {
  const std::string song = dir.file("song.mp3");
  std::ofstream(song) << "x";
  EXPECT_EQ(shellOpen(dir.file("gone.mp3")), kShellFileNotFound);
  EXPECT_EQ(shellOpen(song), kShellNoAssociation);  // no opener at all

  t::writeRecorder(bin + "/xdg-open", record("opened"));
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const int relative = shellOpen("song.mp3");
  fs::current_path(before);
  EXPECT_EQ(relative, kShellSuccess);
  EXPECT_EQ(t::waitForRecord(record("opened")), Lines{song});  // always an absolute name

  // 3: no program for the type, 4: the program failed, 2: the file vanished;
  // an opener that keeps the player in the foreground has succeeded.
  for (const auto& [script, result] : {std::pair("exit 3\n", kShellNoAssociation),
                                       {"exit 4\n", kShellNoAssociation},
                                       {"exit 2\n", kShellFileNotFound},
                                       {"sleep 3\n", kShellSuccess}}) {
    t::writeScript(bin + "/xdg-open", script);
    EXPECT_EQ(shellOpen(song), result) << script;
  }
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, CaptureReturnsTheOutputOfASuccessfulRun) {
  t::writeScript(bin + "/answer", "echo \"$1\"; echo on-stderr >&2\n");
  t::writeScript(bin + "/fails", "echo partial; exit 1\n");
  t::writeScript(bin + "/hangs", "sleep 30\n");
  EXPECT_EQ(captureOutput({"answer", "vlc.desktop"}, 5000), "vlc.desktop\n");
  EXPECT_EQ(captureOutput({"fails"}, 5000), std::nullopt);
  EXPECT_EQ(captureOutput({"missing"}, 5000), std::nullopt);
  EXPECT_EQ(captureOutput({"hangs"}, 200), std::nullopt);
  EXPECT_TRUE(noZombiesLeft());
}

TEST_F(DesktopTest, LookupTakesTheConfiguredCommandsThenTheMp3TypesDesktopEntry) {
  t::EnvScope player{"KAVREL_PLAYER", " \"/opt/my player/p\" --play "};
  t::EnvScope enqueue{"KAVREL_ENQUEUE", "/opt/p --add %f"};
  t::EnvScope dataHome{"XDG_DATA_HOME", dir.file("home")};
  t::EnvScope dataDirs{"XDG_DATA_DIRS", dir.file("system")};
  auto text = [](const PlayerCommands& c) {
    return c.player + "|" + c.enqueue + (c.playerReplacesOpener ? "|replaces the opener" : "");
  };
  EXPECT_EQ(text(lookUpPlayerCommands()), "\"/opt/my player/p\" --play|/opt/p --add|replaces the opener");
  ::unsetenv("KAVREL_PLAYER");
  ::unsetenv("KAVREL_ENQUEUE");
  // Nothing to ask: no commands, playback uses the opener alone.
  EXPECT_EQ(text(lookUpPlayerCommands()), "|");

  t::writeScript(bin + "/xdg-mime",
                 "[ \"$*\" = 'query default audio/mpeg' ] && echo vendor-player.desktop\n");
  fs::create_directories(dir.file("system/applications/vendor"));
  std::ofstream(dir.file("system/applications/vendor/player.desktop"))
      << "[Desktop Entry]\nExec=player %U\nActions=Enqueue;\n[Desktop Action Enqueue]\nExec=player -e %U\n";
  EXPECT_EQ(text(lookUpPlayerCommands()), "player|player -e");
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
    const std::string path = dir.file("song.mp3");
    t::writeFile(path, t::Mp3Builder().frames(n, {.bitrateIndex = 1}).bytes());
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
  bool stayedIdle(const char* name = "played") { return !t::waitForRecord(record(name), 0.3); }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  std::string work(const char* name) const { return data + "/" + name; }
  std::string lastBox() const { return host.lastMessage().caption + ": " + host.lastMessage().text; }

  t::TempDir dir;
  std::string bin = dir.file("bin");
  std::string data = dir.file("data");
  t::EnvScope path{"PATH", bin};
  t::EnvScope player{"KAVREL_PLAYER", dir.file("player")};
  t::EnvScope enqueue{"KAVREL_ENQUEUE", dir.file("enqueuer") + " --add \"%f\""};
  t::RecordingHost host;
  Editor editor{host};
};

TEST_F(EditorPlayTest, PlaysAndQueuesTheLoadedAndTheSavedFile) {
  const std::string song = load();
  editor.playInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(recorded(), Lines{song});
  EXPECT_FALSE(editor.isBusy());
  ASSERT_TRUE(editor.canEnqueue());
  editor.enqueueInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(recorded("queued"), (Lines{"--add", song}));
  editor.enqueuePreview(Sender::User);
  EXPECT_EQ(recorded("queued"), (Lines{"--add", work("kavrel.Preview.mp3")}));

  // Nothing saved yet.
  editor.playOutput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_EQ(lastBox(), "Warning: The file was moved, renamed or deleted in the meantime.");
  editor.enqueueOutput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_TRUE(stayedIdle("queued"));
  const std::string saved = dir.file("saved.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::User, saved));
  EXPECT_EQ(editor.lastSavedFile, saved);
  editor.playOutput(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(recorded(), Lines{saved});

  // A queue program that is gone.
  editor.setPlayerCommands({dir.file("player"), dir.file("gone") + " --add", true});
  editor.enqueueInput(Sender::User);
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(lastBox(), " SYSTEM  ERROR: The file seems to have disappeared.");
}

TEST_F(EditorPlayTest, PreviewAndSelectionAreWrittenToWorkFiles) {
  load(50);
  selectRange(0, 20);
  editor.deleteSelection(Sender::User);
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  const std::string preview = work("kavrel.Preview.mp3");
  EXPECT_EQ(recorded(), Lines{preview});
  EXPECT_EQ(fs::file_size(preview), 30 * kFrameBytes);
  EXPECT_EQ(editor.lastSavedFile, "");  // not what "play output" plays

  // A player still reading the work file keeps the complete old one.
  std::ifstream held(preview, std::ios::binary);
  selectRange(0, 10);
  editor.deleteSelection(Sender::User);
  editor.playPreview(Sender::User);
  EXPECT_EQ(recorded(), Lines{preview});
  EXPECT_EQ(fs::file_size(preview), 20 * kFrameBytes);
  held.seekg(0, std::ios::end);
  EXPECT_EQ(size_t(held.tellg()), 30 * kFrameBytes);

  // Something that is no file holds the first name: the alternate.
  fs::remove(preview);
  fs::create_directory(preview);
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(recorded(), Lines{work("kavrel.Prevyu.mp3")});
  EXPECT_EQ(fs::file_size(work("kavrel.Prevyu.mp3")), 20 * kFrameBytes);
  // Both names held: the player is never asked.
  fs::remove(work("kavrel.Prevyu.mp3"));
  fs::create_directory(work("kavrel.Prevyu.mp3"));
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(lastBox(),
            " error: You may need to close your mp3 player so that the\r\ntemporary mp3 file can be "
            "overwritten and "
            "then played.");
  EXPECT_TRUE(stayedIdle());

  editor.playSelection(Sender::User);  // no selection: nothing to play
  EXPECT_EQ(editor.operationStatus, 1);
  selectRange(10, 15);
  editor.playSelection(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(recorded(), Lines{work("kavrel.Selection.mp3")});
  EXPECT_EQ(fs::file_size(work("kavrel.Selection.mp3")), 5 * kFrameBytes);
  fs::remove(work("kavrel.Selection.mp3"));
  fs::create_directory(work("kavrel.Selection.mp3"));
  editor.playSelection(Sender::User);
  EXPECT_EQ(recorded(), Lines{work("kavrel.Selexion.mp3")});
}

TEST_F(EditorPlayTest, MissingSourcesStopPreviewAndSelection) {
  const std::string song = load(50);
  const std::string extra = dir.file("extra.mp3");
  t::writeFile(extra, t::Mp3Builder().frames(5, {.bitrateIndex = 1}).bytes());
  editor.insertFile(Sender::User, extra);
  ASSERT_EQ(editor.document().documentFrameCount(), 55);
  fs::remove(extra);
  editor.playPreview(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_EQ(lastBox(), "Warning: A file to be inserted from was moved, renamed or deleted in the meantime.");
  EXPECT_FALSE(fs::exists(work("kavrel.Preview.mp3")));

  fs::remove(song);
  selectRange(0, 10);
  editor.playSelection(Sender::User);
  EXPECT_EQ(lastBox(), "Warning: Source file was moved, renamed or deleted in the meantime.");
  editor.playPreview(Sender::User);
  EXPECT_EQ(lastBox(), "Warning: The file was moved, renamed or deleted in the meantime.");
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
  EXPECT_EQ(lastBox(), " SYSTEM  ERROR: No (or invalid) system viewer for this file type.");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Stop);
  // In a script the text is the line's, and no box shows.
  host.clearRecord();
  editor.lineError.clear();
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
  EXPECT_EQ(recorded(), Lines{song});
  EXPECT_TRUE(host.messages().empty());
  // The opener plays it: the player is not started as well.
  t::writeRecorder(bin + "/xdg-open", record("opened"));
  editor.playInput(Sender::User);
  EXPECT_EQ(recorded("opened"), Lines{song});
  EXPECT_TRUE(stayedIdle());
}

TEST_F(EditorPlayTest, AvailabilityFollowsTheFilesOnDisk) {
  // The play and enqueue commands on, in this order, as a string of 0 and 1.
  auto shown = [&] {
    editor.refreshPlayAvailability();
    std::string bits;
    for (Command c : {Command::PlayInput, Command::PlayPreview, Command::PlaySelection,
                      Command::EnqueueInput, Command::EnqueuePreview,
                      Command::PlayOutput, Command::EnqueueOutput})
      bits += editor.enabled(c) ? '1' : '0';
    return bits;
  };
  EXPECT_EQ(shown(), "0000000");
  const std::string song = load(50);
  EXPECT_EQ(shown(), "1101100");
  selectRange(5, 10);
  const std::string saved = dir.file("saved.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::User, saved));
  EXPECT_EQ(shown(), "1111111");
  fs::remove(song);
  EXPECT_EQ(shown(), "0000011");
  // The saved file outlives the document; without a queue program there
  // are no enqueue commands.
  editor.unload(false);
  editor.setPlayerCommands({dir.file("player"), "", true});
  EXPECT_EQ(shown(), "0000010");
  fs::remove(saved);
  EXPECT_EQ(shown(), "0000000");
}

}  // namespace
}  // namespace kavrel
