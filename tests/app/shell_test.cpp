// The shell around the editor: command line, leftovers, running copies and
// closing each other, recent files, closing questions, automatic exit and
// the help files.

#include "app/shell.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "settings/configuration.h"
#include "platform/desktop.h"
#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

void touch(const std::string& path) { writeFile(path, {1, 2, 3}); }

// Waits up to `ms` for the child to end; its exit status, or -1 when it
// still runs (it is killed then).
int waitEnd(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

// Waits until `path` exists (a child's socket).
void waitFor(const std::string& path) {
  for (int i = 0; i < 300 && !fs::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(ShellCommandLine, OneParameterIsActedOn) {
  using K = StartupRequest::Kind;
  const std::tuple<std::vector<std::string>, K, std::string> cases[] = {
      {{}, K::None, ""},
      {{"/m/a.mp3"}, K::OpenFile, "/m/a.mp3"},
      {{"--script=/s/job.txt"}, K::RunScript, "/s/job.txt"},
      {{"/s/job.txt"}, K::OpenFile, "/s/job.txt"},  // a leading "/" is a path here, never a script
      {{"/m/a.mp3", "/m/b.mp3"}, K::None, ""}};
  for (const auto& [args, kind, path] : cases) {
    const StartupRequest r = decideStartup(args);
    EXPECT_EQ(r.kind, kind) << args.size();
    EXPECT_EQ(r.path, path) << args.size();
  }
}

TEST(ShellDataFolder, KavrelHomeIsUsedAndCreatedAndLeftoversAreDeleted) {
  TempDir dir;
  const std::string home = dir.file("deep/er/data");
  ::setenv("KAVREL_HOME", (home + "/").c_str(), 1);
  const std::string found = discoverDataFolder();
  ::unsetenv("KAVREL_HOME");
  EXPECT_EQ(found, home);
  EXPECT_TRUE(fs::is_directory(home));
  // Without it, a folder that exists and is not a file.
  EXPECT_TRUE(fs::is_directory(discoverDataFolder()));

  for (const std::string& name : temporaryFileNames()) touch(dir.file(name));
  // The tag work files carry a process id; anything else is not ours.
  for (const char* name : {"kavrel.tag.file.1234", "kavrel.tag.file.99x", "kavrel.ini", "song.mp3"})
    touch(dir.file(name));
  EXPECT_EQ(cleanTemporaryFiles(dir.path()), int(temporaryFileNames().size()) + 1);
  for (const std::string& name : temporaryFileNames()) EXPECT_FALSE(fs::exists(dir.file(name))) << name;
  EXPECT_FALSE(fs::exists(dir.file("kavrel.tag.file.1234")));
  for (const char* name : {"kavrel.tag.file.99x", "kavrel.ini", "song.mp3"})
    EXPECT_TRUE(fs::exists(dir.file(name))) << name;
}

// ---------------------------------------------------------------- running copies

TEST(ShellInstances, SecondCopyKeepsTheFirstCopysTemporaryFiles) {
  TempDir dir;
  const std::string data = dir.file("data");
  const std::string tagFile = data + "/kavrel.tag.file." + std::to_string(::getpid());
  ::setenv("KAVREL_HOME", data.c_str(), 1);
  RecordingHost host;
  auto first = std::make_unique<InstanceRegistry>(dir.path());
  Editor a(host);
  EXPECT_FALSE(startProgram(a, *first).secondInstance);
  touch(data + "/kavrel.Preview.mp3");
  touch(tagFile);
  {
    InstanceRegistry second(dir.path());
    Editor b(host);
    EXPECT_TRUE(startProgram(b, second).secondInstance);
    EXPECT_TRUE(fs::exists(data + "/kavrel.Preview.mp3"));
    EXPECT_TRUE(fs::exists(tagFile));
  }
  // The first copy ended: the next start cleans up.
  first.reset();
  InstanceRegistry third(dir.path());
  Editor c(host);
  EXPECT_FALSE(startProgram(c, third).secondInstance);
  ::unsetenv("KAVREL_HOME");
  EXPECT_FALSE(fs::exists(data + "/kavrel.Preview.mp3"));
}

TEST(ShellInstances, ACopyInAnotherProcessCountsAsRunning) {
  TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    InstanceRegistry copy(dir.path());
    copy.registerCopy();
    char c = 1;
    (void)!::write(ready[1], &c, 1);
    ::sleep(30);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  {
    InstanceRegistry me(dir.path());
    EXPECT_TRUE(me.registerCopy());
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  // The lock went with the process.
  InstanceRegistry me(dir.path());
  EXPECT_FALSE(me.registerCopy());
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(ShellInstances, ExitAllAsksEveryOtherCopyToClose) {
  TempDir dir;
  std::vector<pid_t> children;
  for (int k = 0; k < 2; ++k) {
    const pid_t child = ::fork();
    if (child == 0) {
      InstanceRegistry copy(dir.path());
      copy.registerCopy();
      if (!copy.listen()) ::_exit(3);
      // A window's event loop in small: wait for the request, then end.
      for (int i = 0; i < 1000; ++i) {
        if (copy.takeCloseRequest()) ::_exit(7);
        ::usleep(5000);
      }
      ::_exit(4);
    }
    children.push_back(child);
    waitFor(dir.file("Kavrel4EXN/" + std::to_string(child) + ".sock"));
  }
  // A socket of a copy that died without cleaning up is passed over and removed.
  touch(dir.file("Kavrel4EXN/999999999.sock"));
  InstanceRegistry me(dir.path());
  me.registerCopy();
  ASSERT_TRUE(me.listen());
  EXPECT_EQ(me.exitAll([] {}), 2);
  for (pid_t child : children) EXPECT_EQ(waitEnd(child, 2000), 7);
  EXPECT_FALSE(fs::exists(dir.file("Kavrel4EXN/999999999.sock")));
  // This copy's own socket was not asked.
  EXPECT_FALSE(me.takeCloseRequest());
  EXPECT_TRUE(fs::exists(me.socketFolder() + "/" + std::to_string(::getpid()) + ".sock"));

  // A copy that takes the request but never closes (a busy one) is given
  // its time; exit-all returns while it still runs.
  const pid_t busy = ::fork();
  if (busy == 0) {
    InstanceRegistry copy(dir.path());
    copy.listen();
    for (;;) {
      copy.takeCloseRequest();
      ::usleep(5000);
    }
  }
  waitFor(dir.file("Kavrel4EXN/" + std::to_string(busy) + ".sock"));
  int turns = 0;
  const auto letEventsRun = [&] { ++turns; };  // this copy's events run while it waits
  EXPECT_EQ(exitAllCopies(dir.path(), letEventsRun, 400), 1);
  EXPECT_GT(turns, 0);
  EXPECT_EQ(::waitpid(busy, nullptr, WNOHANG), 0);
  ::kill(busy, SIGKILL);
  ::waitpid(busy, nullptr, 0);
}

// ---------------------------------------------------------------- the editor's part

class ShellEditorTest : public ::testing::Test {
 protected:
  ShellEditorTest() {
    fs::create_directories(dir.file("data"));
    editor.dataFolder = dir.file("data");
    editor.configurationPath = dir.file("data/kavrel.ini");
    editor.loadConfiguration();
    host.clearRecord();
  }
  std::string mp3(const std::string& name) {
    writeFile(dir.file(name), Mp3Builder().frames(20).bytes());
    return dir.file(name);
  }
  StoredConfiguration stored() const {
    return decodeConfiguration(readFile(editor.configurationPath)).value_or(StoredConfiguration{});
  }
  std::string box() const {
    const auto& m = host.messages();
    return m.size() == 1 ? m[0].caption + ": " + m[0].text : std::to_string(m.size()) + " boxes";
  }

  TempDir dir;
  RecordingHost host;
  Editor editor{host};
};

TEST_F(ShellEditorTest, LoadsPutTheFileInFrontOfTheRecentFilesAndStoreThem) {
  const std::string a = mp3("a.mp3"), b = mp3("B.MP3");
  for (const std::string& path : {a, b, a}) ASSERT_TRUE(editor.loadFile(path));
  EXPECT_EQ(editor.options().recentFiles, (std::array<std::string, 5>{a, b, "", "", ""}));
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(stored().strings[8 + 2 * i], editor.options().recentFiles[i]) << i;
  EXPECT_EQ(editor.recentFileCaption(0), " &1. a");
  EXPECT_EQ(editor.recentFileCaption(1), " &2. B");
  EXPECT_TRUE(editor.recentFileAvailable(1));
  EXPECT_FALSE(editor.recentFileAvailable(2));
  fs::remove(b);
  EXPECT_FALSE(editor.recentFileAvailable(1));  // gone from outside

  // A sixth file pushes the oldest out; the same name in another case moves up.
  for (const char* n : {"c.mp3", "d.mp3", "e.mp3", "f.mp3"}) ASSERT_TRUE(editor.loadFile(mp3(n)));
  putRecent(editor.options().recentFiles, dir.file("E.mp3"));
  EXPECT_EQ(editor.options().recentFiles,
            (std::array<std::string, 5>{dir.file("E.mp3"), dir.file("f.mp3"), dir.file("d.mp3"),
                                        dir.file("c.mp3"), a}));
  editor.openRecentFile(1);
  EXPECT_EQ(editor.document().loadPath, dir.file("f.mp3"));
  editor.scriptRunning = true;
  editor.openRecentFile(2);  // not while a script runs
  EXPECT_EQ(editor.document().loadPath, dir.file("f.mp3"));
}

TEST_F(ShellEditorTest, OpenAndDropLoadAFile) {
  const std::string a = mp3("a.mp3"), b = mp3("b.mp3");
  editor.options().lastInsertFolder = "/somewhere";
  host.answerOpenFile(a);
  editor.openCommand();
  ASSERT_EQ(host.openDialogs().size(), 1u);
  EXPECT_EQ(host.openDialogs()[0].title, " CHOOSE THE SOURCE FILE ");
  EXPECT_EQ(host.openDialogs()[0].folder, "/somewhere");
  EXPECT_TRUE(editor.document().documentLoaded);
  EXPECT_EQ(editor.options().lastInsertFolder, dir.path());  // remembered, and stored
  EXPECT_EQ(stored().strings[config_string::kOpenFolder], dir.path());

  editor.dropFiles({b, a});
  EXPECT_EQ(editor.document().loadPath, b);
  EXPECT_EQ(box(), "Warning: Drag & drop enabled for single file only.\r\nFirst file from the list loaded.");
}

TEST_F(ShellEditorTest, ClosingAsksAboutUnsavedChangesOnlyWhenTheOptionSaysSo) {
  ASSERT_TRUE(editor.loadFile(mp3("a.mp3")));
  editor.selection = {2, 5};
  editor.select();
  editor.deleteSelection(Sender::User);
  EXPECT_TRUE(editor.closeWindowQuery());  // option off: no question
  EXPECT_TRUE(host.messages().empty());

  editor.options().promptToSaveChanges = true;
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.closeWindowQuery());
  EXPECT_EQ(box(), "closing: Do you wish to save the changes?");
  EXPECT_EQ(host.messages()[0].buttons, MessageButtons::YesNoCancel);
  // The configuration was written all the same.
  EXPECT_EQ(stored().record[option_byte::kPromptToSave], 1);
  host.answer(MessageResult::No);
  EXPECT_TRUE(editor.closeWindowQuery());
  // Yes with the save dialog cancelled keeps the window.
  host.answer(MessageResult::Yes);
  host.answerSaveFile(std::nullopt);
  EXPECT_FALSE(editor.closeWindowQuery());
  host.answer(MessageResult::Yes);
  host.answerSaveFile(dir.file("saved.mp3"));
  EXPECT_TRUE(editor.closeWindowQuery());
  EXPECT_TRUE(fs::exists(dir.file("saved.mp3")));

  // Saved: nothing to ask. A checked removal box counts as a change.
  host.clearRecord();
  EXPECT_TRUE(editor.closeWindowQuery());
  EXPECT_TRUE(host.messages().empty());
  editor.setRemoveChecked(Block::Id3v1, true);
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.closeWindowQuery());
  // While a script runs nobody is asked.
  editor.scriptRunning = true;
  EXPECT_TRUE(editor.closeWindowQuery());

  // A start-up notice still waiting: closing writes no configuration.
  fs::remove(editor.configurationPath);
  editor.startupNoticePending = true;
  EXPECT_TRUE(editor.closeWindowQuery());
  EXPECT_FALSE(fs::exists(editor.configurationPath));
  editor.startupNoticePending = false;
  EXPECT_TRUE(editor.closeWindowQuery());
  EXPECT_TRUE(fs::exists(editor.configurationPath));
}

TEST_F(ShellEditorTest, AutomaticExitAfterCloseAndQuickSave) {
  const std::string a = mp3("a.mp3");
  for (const auto& [option, withParameter, exits] :
       {std::tuple(0, true, false), std::tuple(1, true, true), std::tuple(1, false, false),
        std::tuple(2, false, true)}) {
    editor.options().autoExit = option;
    editor.calledWithParameter = withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    EXPECT_EQ(editor.closeCommand(), exits) << option << withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    EXPECT_EQ(editor.quickSaveCommand(), exits) << option << withParameter;
  }
  // Reloading after the save keeps the program open.
  editor.options().autoReload = true;
  ASSERT_TRUE(editor.loadFile(a));
  EXPECT_FALSE(editor.quickSaveCommand());
  EXPECT_TRUE(editor.document().documentLoaded);
}

TEST_F(ShellEditorTest, HelpFiles) {
  std::vector<std::string> opened;
  int result = kShellSuccess;  // just enough
  editor.shellOpener = [&](const std::string& p) {
    opened.push_back(p);
    return result;
  };
  const std::string help = helpFilePath(editor.dataFolder, kHelpFileName);
  EXPECT_EQ(help, editor.dataFolder + "/kavrel.local.help.file.htm");
  editor.helpCommand(help);
  EXPECT_EQ(box(), " error: The help file is missing.");
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(opened.empty());
  touch(help);
  host.clearRecord();
  editor.helpCommand(helpFilePath(editor.dataFolder, kHelpFileName));
  EXPECT_EQ(opened, std::vector<std::string>{help});
  EXPECT_TRUE(host.messages().empty());
  result = 31;
  editor.helpCommand(help);
  EXPECT_EQ(box(), " error: System error trying to display the file");
}

}  // namespace
}  // namespace kavrel::test
