// The kavrel executable as a user starts it: the window with a file, copies
// that know of each other and close each other, and silent runs that take
// their log path and options from kavrel.ini.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "settings/configuration.h"
#include "app/editor.h"
#include "app/shell.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

extern char** environ;

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ShellInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(home());
    fs::create_directories(data());
    fs::create_directories(runtime());
    ::chmod(runtime().c_str(), 0700);
  }
  void TearDown() override {
    for (pid_t pid : running_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  std::string home() const { return dir.file("home"); }
  std::string data() const { return dir.file("data"); }
  std::string runtime() const { return dir.file("run"); }
  std::string ini() const { return data() + "/kavrel.ini"; }

  std::map<std::string, std::string> environment() const {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string kv = *e;
      const size_t eq = kv.find('=');
      if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    env["HOME"] = home();
    env["KAVREL_HOME"] = data();
    env["XDG_RUNTIME_DIR"] = runtime();
    env["QT_QPA_PLATFORM"] = "offscreen";
    env.erase("DISPLAY");
    env.erase("WAYLAND_DISPLAY");
    return env;
  }

  // Starts the executable with `args`; its process id.
  pid_t start(const std::vector<std::string>& args) {
    std::vector<std::string> words{KAVREL_EXE};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (const auto& [k, v] : environment()) envText.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int r = ::posix_spawn(&pid, KAVREL_EXE, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(r, 0);
    running_.push_back(pid);
    return pid;
  }
  // Runs to the end; the exit status.
  int run(const std::vector<std::string>& args) {
    const pid_t pid = start(args);
    int status = 0;
    ::waitpid(pid, &status, 0);
    running_.erase(std::find(running_.begin(), running_.end(), pid));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // True once `pid` ended within `limit`.
  bool ends(pid_t pid, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        running_.erase(std::find(running_.begin(), running_.end(), pid));
        return true;
      }
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }
  bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      if (condition()) return true;
      std::this_thread::sleep_for(20ms);
    }
    return condition();
  }
  // The window of `pid` listens for close requests.
  bool listening(pid_t pid) {
    return waitFor([&] { return fs::exists(runtime() + "/Kavrel4EXN/" + std::to_string(pid) + ".sock"); });
  }
  std::optional<StoredConfiguration> stored() const {
    if (!fs::exists(ini())) return std::nullopt;
    return decodeConfiguration(readFile(ini()));
  }
  // A kavrel.ini made by the program's own code, `change` applied.
  void writeIni(const std::function<void(Editor&)>& change) {
    RecordingHost host;
    Editor editor(host);
    editor.dataFolder = data();
    editor.configurationPath = ini();
    editor.loadConfiguration();
    change(editor);
    editor.saveConfiguration();
  }
  std::string mp3(const std::string& name) {
    Mp3Builder b;
    b.frames(40);
    writeFile(dir.file(name), b.bytes());
    return dir.file(name);
  }
  std::string text(const std::string& path) {
    if (!fs::exists(path)) return {};
    const auto bytes = readFile(path);
    return {bytes.begin(), bytes.end()};
  }

  TempDir dir;
  std::vector<pid_t> running_;
};

TEST_F(ShellInteropTest, WindowOpensTheFileGivenOnTheCommandLine) {
  writeIni([](Editor&) {});
  const std::string song = mp3("song.mp3");
  const pid_t gui = start({song});
  ASSERT_TRUE(listening(gui));
  // The loader stores the file as the first recent file.
  EXPECT_TRUE(waitFor([&] {
    const auto s = stored();
    return s && s->strings[config_string::kRecentFile1] == song;
  }));
  EXPECT_EQ(exitAllCopies(runtime(), nullptr), 1);
  EXPECT_TRUE(ends(gui, 3s));
}

TEST_F(ShellInteropTest, TwoParametersOpenNothing) {
  writeIni([](Editor&) {});
  const pid_t gui = start({mp3("a.mp3"), mp3("b.mp3")});
  ASSERT_TRUE(listening(gui));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(exitAllCopies(runtime(), nullptr), 1);
  ASSERT_TRUE(ends(gui, 3s));
  const auto s = stored();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->strings[config_string::kRecentFile1], "");
}

TEST_F(ShellInteropTest, ExitAllClosesOtherRunningCopies) {
  // The first start has no kavrel.ini: its notice box is open when the
  // request comes, and the copy closes all the same.
  const pid_t first = start({});
  ASSERT_TRUE(listening(first));
  ASSERT_TRUE(waitFor([&] { return fs::exists(ini()); }));
  const pid_t second = start({});
  ASSERT_TRUE(listening(second));
  std::this_thread::sleep_for(300ms);

  EXPECT_EQ(exitAllCopies(runtime(), nullptr), 2);
  EXPECT_TRUE(ends(first, 3s));
  EXPECT_TRUE(ends(second, 3s));
  EXPECT_FALSE(fs::exists(runtime() + "/Kavrel4EXN/" + std::to_string(first) + ".sock"));
  // Each closed as its window would: the settings were written on the way out.
  EXPECT_TRUE(stored().has_value());
}

TEST_F(ShellInteropTest, ScriptRunTakesLogPathAndOptionsFromTheConfiguration) {
  const std::string log = dir.file("logs/my.log");
  fs::create_directories(dir.file("logs"));
  writeIni([&](Editor& e) {
    e.options().logPath = log;
    e.options().silentIgnoreErrors = false;
  });
  const std::string script = dir.file("job.txt");
  const std::string body = "LOAD " + mp3("in.mp3") + "\r\nBOGUS\r\nSAVEAS " + dir.file("never.mp3") + "\r\n";
  writeFile(script, std::vector<uint8_t>(body.begin(), body.end()));
  EXPECT_EQ(run({"--script=" + script}), 1);  // stopped at the failed line
  EXPECT_FALSE(fs::exists(dir.file("never.mp3")));
  const std::string written = text(log);
  EXPECT_NE(written.find("Script name: " + script + "\r\nExecution started at "), std::string::npos)
      << written;
  EXPECT_NE(written.find("Syntax error: BOGUS\r\nExecution finished at "), std::string::npos) << written;
  EXPECT_FALSE(fs::exists(home() + "/kavrel.log"));
  // The run ends as the program ends: kavrel.ini written, the loaded file
  // in the recent files.
  const auto s = stored();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->strings[config_string::kLogPath], log);
  EXPECT_EQ(s->strings[config_string::kRecentFile1], dir.file("in.mp3"));

  // A log path among the program's files is not taken: the default log.
  writeIni([&](Editor& e) { e.options().logPath = data() + "/inside.log"; });
  EXPECT_EQ(run({"--script=" + dir.file("missing.txt")}), 3);
  EXPECT_FALSE(fs::exists(data() + "/inside.log"));
  EXPECT_NE(text(home() + "/kavrel.log").find("The script you specified doesn't exist."), std::string::npos);
}

TEST_F(ShellInteropTest, ScriptRunBesideARunningWindowKeepsItsWorkFiles) {
  writeIni([](Editor&) {});
  const pid_t gui = start({});
  ASSERT_TRUE(listening(gui));
  const std::string preview = data() + "/kavrel.Preview.mp3";
  writeFile(preview, {1, 2, 3});
  const std::string script = dir.file("empty.txt");
  writeFile(script, {});
  EXPECT_EQ(run({"--script=" + script}), 0);
  EXPECT_TRUE(fs::exists(preview));

  EXPECT_EQ(exitAllCopies(runtime(), nullptr), 1);
  ASSERT_TRUE(ends(gui, 3s));
  // Alone now: the leftover goes.
  EXPECT_EQ(run({"--script=" + script}), 0);
  EXPECT_FALSE(fs::exists(preview));
}

}  // namespace
}  // namespace kavrel::test
