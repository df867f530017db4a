// Script runs: reading files, the error policy of interactive and silent
// runs, the log, recent scripts and the Scripts-menu options.
#include "script/runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "script/log.h"
#include "script/messages.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

std::string text(const std::string& path) {
  const auto bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

using Lines = std::vector<std::string>;

Lines logLines(const std::string& path) {
  Lines lines;
  const std::string all = text(path);
  size_t start = 0;
  for (size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(all.substr(start, end - start));
  EXPECT_EQ(start, all.size()) << "the log ends with CR LF";
  return lines;
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor.options().logPath = dir.file("run.log");
    Mp3Builder b;
    b.frames(1000, {.bitrateIndex = 1});
    mp3 = dir.file("in.mp3");
    writeFile(mp3, b.bytes());
  }
  std::string script(const std::string& name, const std::string& body) {
    const std::string p = dir.file(name);
    writeFile(p, std::vector<uint8_t>(body.begin(), body.end()));
    return p;
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }

  TempDir dir;
  RecordingHost host;
  Editor editor{host};
  ScriptRunner runner{editor};
  std::string mp3;
};

TEST(ScriptFileReaderTest, LineEndsAndByteOrderMark) {
  TempDir dir;
  for (const std::string body :
       {"\xEF\xBB\xBFone\r\ntwo\r\n\r\nthree", "one\ntwo\n\nthree\n", "one\rtwo\r\rthree\r"}) {
    const std::string p = dir.file("s.txt");
    writeFile(p, std::vector<uint8_t>(body.begin(), body.end()));
    ScriptFileReader reader(p);
    std::vector<std::string> lines;
    std::string line;
    ScriptFileReader::Result r;
    while ((r = reader.next(line)) == ScriptFileReader::Result::Line) lines.push_back(line);
    EXPECT_EQ(r, ScriptFileReader::Result::End);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"})) << body;
  }
  // An overlong line is cut, but stays over the limit.
  const std::string p = dir.file("long.txt");
  std::string body(200000, 'x');
  body += "\nnext";
  writeFile(p, std::vector<uint8_t>(body.begin(), body.end()));
  ScriptFileReader reader(p);
  std::string line;
  ASSERT_EQ(reader.next(line), ScriptFileReader::Result::Line);
  EXPECT_GT(line.size(), kMaxScriptLine);
  EXPECT_LT(line.size(), 200000u);
  ASSERT_EQ(reader.next(line), ScriptFileReader::Result::Line);
  EXPECT_EQ(line, "next");
  EXPECT_FALSE(ScriptFileReader(dir.file("none.txt")).isOpen());
}

TEST_F(RunnerTest, SilentRunLogsFailedLinesAndGoesOnByDefault) {
  const std::string s =
      script("job.txt", "LOAD " + mp3 + "\r\nSELECT 1, 2\r\nBOGUS\r\nDELETE 5\r\nDELETE\r\nSAVEAS " +
                            dir.file("out.mp3") + "\r\nVOLUME 3, centre");
  EXPECT_EQ(runner.runSilent(s), RunResult::Completed);
  EXPECT_TRUE(exists("out.mp3"));
  EXPECT_TRUE(editor.scriptRunning);  // a silent run ends the program
  EXPECT_TRUE(host.messages().empty());
  const auto lines = logLines(dir.file("run.log"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "Script name: " + s);
  EXPECT_EQ(lines[2].rfind("Execution started at ", 0), 0u);
  EXPECT_EQ(Lines(lines.begin() + 3, lines.begin() + 7),
            (Lines{"Syntax error: BOGUS", "DELETE: must have 0 or 2 parameters.",
                   "VOLUME channel parameter invalid:", "centre"}));
  EXPECT_EQ(lines[7].rfind("Execution finished at ", 0), 0u);
  EXPECT_EQ(editor.options().recentScripts[0], "");  // silent runs leave the list alone
}

TEST_F(RunnerTest, SilentRunStopsAtTheFailedLineWhenNotIgnoring) {
  editor.options().silentIgnoreErrors = false;
  const std::string s =
      script("job.txt", "LOAD " + mp3 + "\nSELECT 1, 2\nTRIM 10, EOF\nSAVEAS " + dir.file("out.mp3") + "\n");
  EXPECT_EQ(runner.runSilent(s), RunResult::Stopped);
  EXPECT_FALSE(exists("out.mp3"));
  const auto lines = logLines(dir.file("run.log"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(Lines(lines.begin() + 3, lines.begin() + 5), (Lines{"2nd TRIM parameter invalid:", "EOF"}));
  EXPECT_EQ(lines[5].rfind("Execution finished at ", 0), 0u);
  // The document keeps what was done before the failed line.
  EXPECT_TRUE(editor.multipleSelected);
}

TEST_F(RunnerTest, MissingScriptAndUnwritableLog) {
  EXPECT_EQ(runner.runSilent(dir.file("missing.txt")), RunResult::ScriptMissing);
  const auto lines = logLines(dir.file("run.log"));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], "Script name: " + dir.file("missing.txt"));
  EXPECT_EQ(lines[3], "The script you specified doesn't exist.");
  // The log is appended to, never truncated.
  EXPECT_EQ(runner.runSilent(dir.file("missing.txt")), RunResult::ScriptMissing);
  EXPECT_EQ(logLines(dir.file("run.log")).size(), 10u);
  // A log that cannot be written loses its entries, never the run.
  editor.options().logPath = dir.file("no/such/folder/run.log");
  const std::string s = script("job.txt", "LOAD " + mp3 + "\nBOGUS\nSAVEAS " + dir.file("out.mp3"));
  EXPECT_EQ(runner.runSilent(s), RunResult::Completed);
  EXPECT_TRUE(exists("out.mp3"));
  // A folder is no readable script.
  editor.options().logPath = dir.file("run.log");
  EXPECT_EQ(runner.runSilent(dir.path()), RunResult::ReadError);
  EXPECT_EQ(logLines(dir.file("run.log"))[13], "Disk error reading the script file. Aborted.");
}

TEST_F(RunnerTest, InteractiveRunAsksWhetherToGoOn) {
  const std::string s = script("job.txt", "LOAD " + mp3 + "\nBOGUS\nSELECT 1, 2\nNOPE\nDELETE\n");
  host.answer({MessageResult::Ok, MessageResult::Cancel});
  EXPECT_EQ(runner.batchExecute(s), RunResult::Stopped);
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].text, "Syntax error: BOGUS\r\n\nIgnore and continue?");
  EXPECT_EQ(host.messages()[0].caption, "script processing error");
  EXPECT_EQ(host.messages()[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(editor.document().documentFrameCount(), 1000);  // DELETE never ran
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_FALSE(editor.scriptRunning);
  EXPECT_FALSE(std::filesystem::exists(dir.file("run.log")));  // no log outside silent runs
  // A missing script is a warning box.
  host.clearRecord();
  EXPECT_EQ(runner.batchExecute(dir.file("none.txt")), RunResult::ScriptMissing);
  EXPECT_EQ(host.lastMessage().text, "The script you specified doesn't exist.");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
}

TEST_F(RunnerTest, MessageBoxAfterExecutionAndRecentScripts) {
  const std::string a = script("a.txt", "; nothing\n");
  const std::string b = script("b.mp3", "; nothing\n");
  editor.options().showMessageBoxAfterRun = true;
  EXPECT_EQ(runner.batchExecute(a), RunResult::Completed);
  EXPECT_EQ(host.lastMessage().text, "Script executed:\r\na.txt");
  EXPECT_EQ(host.lastMessage().caption, "Kavrel");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Information);
  editor.options().showMessageBoxAfterRun = false;
  runner.batchExecute(b);
  auto& recent = editor.options().recentScripts;
  EXPECT_EQ(recent, (std::array<std::string, 5>{b, a, "", "", ""}));
  EXPECT_EQ(runner.recentScriptCaption(0), " &1. b");
  EXPECT_EQ(runner.recentScriptCaption(1), " &2. a.txt");
  EXPECT_EQ(runner.recentScriptCaption(2), std::nullopt);
  // (The list's own rules are the recent files' ones, in shell_test.)
  // Locked: runs keep the order.
  host.clearRecord();
  runner.toggleLockScriptsOrder();
  EXPECT_TRUE(editor.options().lockScriptsOrder);
  EXPECT_EQ(host.lastMessage().caption, "scripts order locked");
  runner.batchExecute(a);
  EXPECT_EQ(recent[0], b);
  runner.toggleLockScriptsOrder();
  EXPECT_FALSE(editor.options().lockScriptsOrder);
  // Locking an empty list is refused.
  recent = {};
  host.clearRecord();
  runner.toggleLockScriptsOrder();
  EXPECT_FALSE(editor.options().lockScriptsOrder);
  EXPECT_EQ(host.lastMessage().text, std::string(msg::kLockEmptyList));
  EXPECT_EQ(host.lastMessage().caption, " not allowed");
}

TEST_F(RunnerTest, MenuCommands) {
  int saves = 0;
  runner.saveConfiguration = [&] { ++saves; };
  const std::string s = script("job.txt", "LOAD " + mp3 + "\n");
  host.answerOpenFile(s);
  runner.scriptLoadCommand();
  EXPECT_EQ(editor.options().lastScriptFolder, dir.path());
  EXPECT_EQ(editor.document().documentFrameCount(), 1000);
  EXPECT_EQ(host.openDialogs().at(0).title, " - choose the script - ");
  EXPECT_EQ(editor.options().recentScripts[0], s);
  EXPECT_GE(saves, 2);
  // Menu commands do nothing while a script runs.
  editor.scriptRunning = true;
  runner.setProcessingErrorPolicy(ProcessingErrorPolicy::Fail);
  runner.toggleSilentIgnore();
  EXPECT_EQ(editor.options().processingErrorPolicy, ProcessingErrorPolicy::TryToContinue);
  EXPECT_TRUE(editor.options().silentIgnoreErrors);
  editor.scriptRunning = false;
  runner.setProcessingErrorPolicy(ProcessingErrorPolicy::Prompt);
  EXPECT_EQ(editor.options().processingErrorPolicy, ProcessingErrorPolicy::Prompt);
  host.clearRecord();
  runner.toggleSilentIgnore();
  runner.toggleSilentIgnore();
  EXPECT_TRUE(editor.options().silentIgnoreErrors);
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.lastMessage().caption, "silent mode info");
  host.clearRecord();
  runner.toggleShowMessageBox();
  runner.toggleShowMessageBox();
  EXPECT_EQ(host.messages().size(), 1u);  // only when switched on
  // The log may not go into the program's folder; the dialog opens again.
  editor.dataFolder = dir.file("program");
  host.clearRecord();
  host.answerSaveFile(dir.file("program/x.log"));
  host.answerSaveFile(dir.file("elsewhere.log"));
  runner.chooseLogLocation();
  EXPECT_EQ(host.saveDialogs().size(), 2u);
  EXPECT_EQ(host.messages().at(0).text,
            "You are not allowed to save to application working folder.\r\nPlease change the path.");
  EXPECT_EQ(editor.options().logPath, dir.file("elsewhere.log"));
  EXPECT_EQ(host.lastMessage().caption, "log file info");
  host.clearRecord();
  runner.readLogCommand();
  EXPECT_EQ(host.lastMessage().text, "Log file doesn't exist.");
}

// The command line: exit status and the default log in the home folder.
TEST(ScriptCommandLineTest, ExitStatus) {
  TempDir dir;
  const char* oldHome = std::getenv("HOME");
  const std::string keptHome = oldHome ? oldHome : "";
  ::setenv("HOME", dir.path().c_str(), 1);
  // The run keeps its kavrel.ini here, not beside the test program.
  ::setenv("KAVREL_HOME", dir.file("data").c_str(), 1);
  Mp3Builder b;
  b.frames(500, {.bitrateIndex = 1});
  writeFile(dir.file("in.mp3"), b.bytes());
  auto write = [&](const std::string& name, const std::string& body) {
    writeFile(dir.file(name), std::vector<uint8_t>(body.begin(), body.end()));
    return dir.file(name);
  };
  std::ostringstream out, err;
  const std::string good =
      write("good.txt", "LOAD " + dir.file("in.mp3") + "\nBOGUS\nSAVEAS " + dir.file("o.mp3"));
  EXPECT_EQ(runCommandLine({"--script=" + good}, out, err), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("o.mp3")));
  EXPECT_NE(text(dir.file("kavrel.log")).find("Syntax error: BOGUS\r\n"), std::string::npos);
  EXPECT_EQ(runCommandLine({"--script", dir.file("none.txt")}, out, err), 3);
  EXPECT_EQ(runCommandLine({"--script="}, out, err), 2);
  EXPECT_EQ(defaultLogPath(), dir.file("kavrel.log"));
  ::unsetenv("KAVREL_HOME");
  if (oldHome) {
    ::setenv("HOME", keptHome.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
}

}  // namespace
}  // namespace kavrel::test
