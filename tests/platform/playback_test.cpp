// Handing files to other programs and finding the player.
#include "platform/playback.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/desktop.h"
#include "support/fake_player.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Every program we started and that ended gets reaped: waits while one of
// them is a zombie (with a generous cap, so that a fault fails, not hangs).
bool noZombiesLeft() {
  for (int i = 0; i < 2000; ++i, ::usleep(10000)) {
    siginfo_t info{};
    if (::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0) return true;
  }
  return false;
}

TEST(CommandWords, BlanksSeparateQuotesGroupAndEscapesResolve) {
  const std::tuple<std::string, bool, Lines> rows[] = {
      {R"("/opt/my player/p"  --x "" a"b c"d)", false, {"/opt/my player/p", "--x", "", "ab cd"}},
      {"  \t\n ", false, {}}, {"a\tb\nc", false, {"a", "b", "c"}},
      {R"("q \"x\" b\\s \e" u\"v)", false, {R"(q "x" b\s \e)", R"(u\v)"}},
      {R"("q \e")", true, {"q e"}}};
  for (const auto& [command, desktop, words] : rows)
    EXPECT_EQ(splitCommandWords(command, desktop), words) << command;
}

TEST(CommandWords, EveryShellCodeHasItsText) {
  std::string texts;
  for (int code : {2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32, 0, -1}) texts += shellErrorText(code) + "|";
  EXPECT_EQ(texts,
            "The file seems to have disappeared.|The path seems invalid.|Your access is denied.|"
            "Insufficient memory (reboot is advised).|Invalid file format.|"
            "Sharing violation (file is probably in use).|No (or invalid) system viewer for this file type.|"
            "DDE error.|DDE error.|DDE error.|No (or invalid) system viewer for this file type.|DLL error.|"
            "Unknown error, code: 0|Unknown error, code: -1|");
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(bin); }
  void TearDown() override { EXPECT_TRUE(noZombiesLeft()); }
  TempDir dir;
  std::string bin = dir.file("bin");
  EnvScope path{"PATH", bin};  // only our fakes are found
};

TEST_F(DesktopTest, RunPassesEveryWordDetachesTheProgramAndReportsOnesThatCannotStart) {
  const std::string program = dir.file("my player"), args = dir.file("args");
  writeScript(program,
              "o=$(readlink /proc/$$/fd/1)\n{ for a in \"$@\" \"$o\"; do printf '%s\\n' \"$a\"; done; } > '" +
                  args + ".part'\nmv '" + args + ".part' '" + args + "'\n");
  EXPECT_EQ(shellRun("\"" + program + "\" --add", {"/music/a b.mp3", "-x.mp3"}), kShellSuccess);
  // The program's output goes nowhere near ours.
  EXPECT_EQ(waitForRecord(args), (Lines{"--add", "/music/a b.mp3", "-x.mp3", "/dev/null"}));
  const std::string plain = dir.file("not-executable");
  std::ofstream(plain) << "data";
  const std::string broken = dir.file("broken");  // its interpreter is missing: exec fails
  std::ofstream(broken) << "#!/no/such/interpreter\n";
  fs::permissions(broken, fs::perms::owner_all);
  std::string results;  // 2: not found, 31: cannot be started
  for (const std::string& command :
       {std::string(), std::string("no-such-player"), dir.file("missing"), plain, broken})
    results += std::to_string(shellRun(command, {"x"})) + " ";
  EXPECT_EQ(results, "2 2 2 31 2 ");
}

TEST_F(DesktopTest, OpenUsesTheDesktopOpenerAndItsVerdict) {
  const std::string song = dir.file("song.mp3");
  std::ofstream(song) << "x";
  EXPECT_EQ(shellOpen(dir.file("gone.mp3")), kShellFileNotFound);
  EXPECT_EQ(shellOpen(song), kShellNoAssociation);  // no opener at all

  writeRecorder(bin + "/xdg-open", dir.file("opened"));
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const int relative = shellOpen("song.mp3");
  fs::current_path(before);
  EXPECT_EQ(relative, kShellSuccess);
  EXPECT_EQ(waitForRecord(dir.file("opened")), Lines{song});  // always an absolute name
  // A web address (a picture linked from a tag) is handed over as it is.
  fs::remove(dir.file("opened"));
  EXPECT_EQ(shellOpen("https://example.org/cover.jpg"), kShellSuccess);
  EXPECT_EQ(waitForRecord(dir.file("opened")), Lines{"https://example.org/cover.jpg"});
  // 3: no program for the type, 4: the program failed, 2: the file vanished;
  // an opener that keeps the player in the foreground has succeeded.
  std::string results;
  for (const char* script : {"exit 3\n", "exit 4\n", "exit 2\n", "sleep 3\n"}) {
    writeScript(bin + "/xdg-open", script);
    results += std::to_string(shellOpen(song)) + " ";
  }
  EXPECT_EQ(results, "31 31 2 33 ");
}

TEST_F(DesktopTest, CaptureReturnsTheOutputOfASuccessfulRun) {
  writeScript(bin + "/answer", "echo \"$1\"; echo on-stderr >&2\n");
  writeScript(bin + "/fails", "echo partial; exit 1\n");
  writeScript(bin + "/hangs", "sleep 30\n");
  EXPECT_EQ(captureOutput({"answer", "vlc.desktop"}, 5000), "vlc.desktop\n");
  EXPECT_FALSE(captureOutput({"fails"}, 5000) || captureOutput({"missing"}, 5000) ||
               captureOutput({"hangs"}, 200));
}

std::string split(const std::string& command) {
  const CommandSplit s = splitEnqueueCommand(command);
  return s.program + "|" + s.switches;
}
std::string entry(const std::string& text) {
  const DesktopEntryCommands c = readDesktopEntry(text);
  return c.open + "|" + c.enqueue;
}

TEST(PlayerCommands, CommandLinesAndDesktopEntriesGiveCommandsWithoutTheirFile) {
  const std::tuple<std::string (*)(const std::string&), std::string, std::string> rows[] = {
      {cutPlayerCommand, R"("C:\Players\p.exe" /play "%1")", R"("C:\Players\p.exe")"},
      {cutPlayerCommand, R"(C:\Players\p.exe %1)", R"("C:\Players\p.exe")"},
      {cutPlayerCommand, R"(C:\Players\p.exe /play)", R"(C:\Players\p.exe /play)"},
      {cutPlayerCommand, R"(C:\Players\p.exe  "%1")", R"("C:\Players\p.exe")"},  // quote and blanks go too
      {cutPlayerCommand, "p", "p"},                                              // too short
      {cutPlayerCommand, "%1", "%1"},  // the placeholder at the very start
      {cutPlayerCommand, " %1", ""},
      {cutPlayerCommand, "mpv --no-video %f", "mpv --no-video"},  // switches stay separate words
      // The enqueue command loses its last word; blanks inside quotes never cut.
      {cutEnqueueCommand, R"("C:\Players\p.exe" /add "%1")", R"("C:\Players\p.exe" /add)"},
      {cutEnqueueCommand, R"("C:\My Players\p.exe" "%1 x")", R"("C:\My Players\p.exe")"},
      {cutEnqueueCommand, "p.exe", "p.exe"},
      {split, R"("C:\My Players\p.exe" /add -x)", R"("C:\My Players\p.exe"|/add -x)"},
      {split, R"("C:\My Players\p.exe")", R"("C:\My Players\p.exe"|)"},
      // Exec lines: a word built around the file has no meaning without it;
      // %% is a per cent sign; arguments after the file stay; escapes resolve.
      {desktopExecCommand, "vlc --started-from-file %U", "vlc --started-from-file"},
      {desktopExecCommand, R"("/opt/My App/run" --name %c %i %f)", R"("/opt/My App/run" --name)"},
      {desktopExecCommand, "player --file=%u --gain 50%% %F", "player --gain 50%"},
      {desktopExecCommand, "player %f --enqueue", "player --enqueue"},
      {desktopExecCommand, R"("run\sme" "a \\"b\\" c\\\\d" %U)", R"("run me" "a \"b\" c\\d")"},
      // The queue command: the first action whose id or name says "enqueue".
      {entry,
       "[Desktop Entry]\nName=Player\nExec=player --play %U\nActions=new-window;enqueue-it;\n\n"
       "[Desktop Action new-window]\nName=New window\nExec=player --new %U\n\n"
       "[Desktop Action enqueue-it]\nName=Add to the list\nName[de]=Einreihen\nExec=player --add %U\n",
       "player --play|player --add"},
      {entry, "[Desktop Entry]\nExec=p %f\nActions=q;\n[Desktop Action q]\nName=Enqueue\nExec=p -e %f\n",
       "p|p -e"},
      {entry, "[Desktop Entry]\nExec=p %f\n", "p|"},
      {entry, "[Other]\nExec=q\n[Desktop Entry]\nName=x\n", "|"}};  // other groups' keys never count
  for (const auto& [function, text, command] : rows) EXPECT_EQ(function(text), command) << text;
  // A program whose path holds a blank stays one word.
  TempDir dir;
  writeScript(dir.file("my player"), "exit 0\n");
  EXPECT_EQ(cutPlayerCommand(dir.file("my player") + " %1"), "\"" + dir.file("my player") + "\"");
}

TEST(PlayerCommands, LookupTakesTheConfiguredCommandsThenTheMp3TypesDesktopEntry) {
  TempDir dir;
  const std::string bin = dir.file("bin");
  fs::create_directory(bin);
  EnvScope path{"PATH", bin};
  EnvScope player{"KAVREL_PLAYER", " \"/opt/my player/p\" --play "};
  EnvScope enqueue{"KAVREL_ENQUEUE", "/opt/p --add %f"};
  EnvScope dataHome{"XDG_DATA_HOME", dir.file("home")};
  EnvScope dataDirs{"XDG_DATA_DIRS", dir.file("system")};
  auto text = [](const PlayerCommands& c) {
    return c.player + "|" + c.enqueue + (c.playerReplacesOpener ? "|replaces the opener" : "");
  };
  EXPECT_EQ(text(lookUpPlayerCommands()), "\"/opt/my player/p\" --play|/opt/p --add|replaces the opener");
  ::setenv("KAVREL_PLAYER", "/opt/p %1", 1);
  EXPECT_EQ(text(lookUpPlayerCommands()), "\"/opt/p\"|/opt/p --add|replaces the opener");
  ::unsetenv("KAVREL_PLAYER");
  ::unsetenv("KAVREL_ENQUEUE");
  // Nothing to ask: no commands, playback uses the opener alone.
  EXPECT_EQ(text(lookUpPlayerCommands()), "|");
  writeScript(bin + "/xdg-mime", "[ \"$*\" = 'query default audio/mpeg' ] && echo vendor-player.desktop\n");
  fs::create_directories(dir.file("system/applications/vendor"));
  std::ofstream(dir.file("system/applications/vendor/player.desktop"))
      << "[Desktop Entry]\nExec=player %U\nActions=Enqueue;\n[Desktop Action Enqueue]\nExec=player -e %U\n";
  EXPECT_EQ(text(lookUpPlayerCommands()), "player|player -e");
  // The user's own entry hides the system's; a configured queue command wins.
  fs::create_directories(dir.file("home/applications"));
  std::ofstream(dir.file("home/applications/vendor-player.desktop")) << "[Desktop Entry]\nExec=mine %f\n";
  ::setenv("KAVREL_ENQUEUE", "q --add", 1);
  EXPECT_EQ(text(lookUpPlayerCommands()), "mine|q --add");
  EXPECT_EQ(findDesktopEntry("../x.desktop"), "");
}

}  // namespace
}  // namespace kavrel::test
