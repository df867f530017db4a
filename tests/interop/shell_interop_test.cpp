// The kavrel executable as a user starts it: windows, copies, silent runs.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/editor.h"
#include "interop.h"
#include "platform/instances.h"
#include "settings/configuration.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"

extern char** environ;

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ShellInterop : public ::testing::Test {
 protected:
  void TearDown() override {
    for (pid_t pid : running_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  static bool hasWindow() {
    const auto exe = readFile(KAVREL_EXE);
    return std::string(exe.begin(), exe.end()).find("built without the graphical editor") ==
           std::string::npos;
  }
  // The window of the executable started with `args`, once it listens for close requests; its process id.
  pid_t startWindow(const std::vector<std::string>& args) {
    std::vector<std::string> words{"env"};
    for (const auto& [key, value] : k.environment()) words.push_back(key + "=" + value);
    words.push_back(KAVREL_EXE);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;  // env runs the executable in its own process
    EXPECT_EQ(::posix_spawnp(&pid, "env", &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    running_.push_back(pid);
    EXPECT_TRUE(waitFor([&] { return fs::exists(socket(pid)); })) << "no window listens";
    return pid;
  }
  std::string socket(pid_t pid) const { return k.runtime() + "/Kavrel4EXN/" + std::to_string(pid) + ".sock"; }
  // Waits for the condition; the limit only keeps a broken program from hanging the test.
  static bool waitFor(const std::function<bool()>& condition) {
    for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(20ms))
      if (condition()) return true;
    return condition();
  }
  bool ends(pid_t pid) {
    if (!waitFor([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; })) return false;
    running_.erase(std::find(running_.begin(), running_.end(), pid));
    return true;
  }
  std::string ini() const { return k.data() + "/kavrel.ini"; }
  std::optional<StoredConfiguration> stored() const {
    return fs::exists(ini()) ? decodeConfiguration(readFile(ini())) : std::nullopt;
  }
  std::string recentFile() const { return stored() ? stored()->strings[config_string::kRecentFile1] : "?"; }
  // A kavrel.ini made by the program's own code, `change` applied.
  void writeIni(const std::function<void(Options&)>& change = [](Options&) {}) {
    RecordingHost host;
    Editor editor(host);
    editor.dataFolder = k.data();
    editor.configurationPath = ini();
    editor.loadConfiguration();
    change(editor.options());
    editor.saveConfiguration();
  }
  std::string mp3(const std::string& name) {
    writeFile(k.dir.file(name), Mp3Builder().frames(40).bytes());
    return k.dir.file(name);
  }
  Kavrel k;
  std::vector<pid_t> running_;
};

#define REQUIRE_WINDOW() \
  if (!hasWindow()) GTEST_SKIP() << "kavrel was built without its window (KAVREL_GUI=OFF)"

TEST_F(ShellInterop, WindowOpensTheOneFileGivenOnTheCommandLine) {
  REQUIRE_WINDOW();
  writeIni();
  const std::string song = mp3("song.mp3");
  const pid_t one = startWindow({song});
  // The loader stores the file as the first recent file.
  EXPECT_TRUE(waitFor([&] { return recentFile() == song; }));
  EXPECT_EQ(exitAllCopies(k.runtime(), nullptr), 1);
  EXPECT_TRUE(ends(one));
}

TEST_F(ShellInterop, ExitAllClosesOtherRunningCopies) {
  REQUIRE_WINDOW();
  // The first start has no kavrel.ini: its notice box opens, and the copy closes all the same.
  const pid_t first = startWindow({});
  ASSERT_TRUE(waitFor([&] { return fs::exists(ini()); }));
  const pid_t second = startWindow({});
  std::this_thread::sleep_for(300ms);  // room for the notice box to show; no verdict hangs on it
  EXPECT_EQ(exitAllCopies(k.runtime(), nullptr), 2);
  EXPECT_TRUE(ends(first) && ends(second));
  EXPECT_FALSE(fs::exists(socket(first)));
  // Each closed as its window would: the settings were written on the way out.
  EXPECT_TRUE(stored().has_value());
}

TEST_F(ShellInterop, ScriptRunTakesLogPathAndOptionsFromTheConfiguration) {
  const std::string log = k.dir.file("logs/my.log");
  fs::create_directories(k.dir.file("logs"));
  writeIni([&](Options& o) {
    o.logPath = log;
    o.silentIgnoreErrors = false;
  });
  const auto r =
      k.script("LOAD " + mp3("in.mp3") + "\r\nBOGUS\r\nSAVEAS " + k.dir.file("never.mp3") + "\r\n");
  EXPECT_EQ(r.exitCode, 1) << r.output;  // stopped at the failed line
  EXPECT_FALSE(fs::exists(k.dir.file("never.mp3")));
  EXPECT_TRUE(
      std::regex_match(readText(log), std::regex("\r\nScript name: " + k.dir.file("job.txt") +
                                             "\r\nExecution started at [^\r\n]+\r\n"
                                             "Syntax error: BOGUS\r\nExecution finished at [^\r\n]+\r\n")))
      << readText(log);
  EXPECT_FALSE(fs::exists(k.home() + "/kavrel.log"));
  // The run ends as the program ends: kavrel.ini written, the loaded file in the recent files.
  ASSERT_TRUE(stored());
  EXPECT_EQ(std::tuple(stored()->strings[config_string::kLogPath], recentFile()),
            std::tuple(log, k.dir.file("in.mp3")));
  // A log path among the program's files is not taken: the default log.
  writeIni([&](Options& o) { o.logPath = k.data() + "/inside.log"; });
  EXPECT_EQ(k.run("--script=" + k.dir.file("missing.txt")).exitCode, 3);
  EXPECT_FALSE(fs::exists(k.data() + "/inside.log"));
  EXPECT_NE(k.log().find("Script name: " + k.dir.file("missing.txt") + "\r\nExecution started at "),
            std::string::npos);
  EXPECT_NE(k.log().find("The script you specified doesn't exist.\r\nExecution finished at "),
            std::string::npos)
      << k.log();
}

TEST_F(ShellInterop, ScriptRunBesideARunningWindowKeepsItsWorkFiles) {
  REQUIRE_WINDOW();
  writeIni();
  const pid_t window = startWindow({});
  const std::string preview = k.data() + "/kavrel.Preview.mp3";
  writeFile(preview, {1, 2, 3});
  EXPECT_EQ(k.script("").exitCode, 0);
  EXPECT_TRUE(fs::exists(preview));
  EXPECT_EQ(exitAllCopies(k.runtime(), nullptr), 1);
  ASSERT_TRUE(ends(window));
  // Alone now: the leftover goes.
  EXPECT_EQ(k.script("").exitCode, 0);
  EXPECT_FALSE(fs::exists(preview));
}

}  // namespace
}  // namespace kavrel::test
