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

#include "app/configuration.h"
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

TEST(ShellCommandLine, OneParameterIsActedOn) {
  EXPECT_EQ(decideStartup({}).kind, StartupRequest::Kind::None);
  const StartupRequest open = decideStartup({"/m/a.mp3"});
  EXPECT_EQ(open.kind, StartupRequest::Kind::OpenFile);
  EXPECT_EQ(open.path, "/m/a.mp3");
  const StartupRequest script = decideStartup({"--script=/s/job.txt"});
  EXPECT_EQ(script.kind, StartupRequest::Kind::RunScript);
  EXPECT_EQ(script.path, "/s/job.txt");
  // A leading "/" is a path here, never a script.
  EXPECT_EQ(decideStartup({"/s/job.txt"}).kind, StartupRequest::Kind::OpenFile);
  EXPECT_EQ(decideStartup({"/m/a.mp3", "/m/b.mp3"}).kind, StartupRequest::Kind::None);
}

TEST(ShellDataFolder, KavrelHomeIsUsedAndCreated) {
  TempDir dir;
  const std::string home = dir.file("deep/er/data");
  ::setenv("KAVREL_HOME", (home + "/").c_str(), 1);
  const std::string found = discoverDataFolder();
  ::unsetenv("KAVREL_HOME");
  EXPECT_EQ(found, home);
  EXPECT_TRUE(fs::is_directory(home));
  // Without it, a folder that exists and is not a file.
  const std::string other = discoverDataFolder();
  EXPECT_FALSE(other.empty());
  EXPECT_TRUE(fs::is_directory(other));
}

TEST(ShellTemporaryFiles, LeftoversAreDeletedOthersStay) {
  TempDir dir;
  for (const std::string& name : temporaryFileNames()) touch(dir.file(name));
  touch(dir.file("kavrel.tag.file.1234"));
  touch(dir.file("kavrel.tag.file.99x"));  // not a work file of ours
  touch(dir.file("kavrel.ini"));
  touch(dir.file("song.mp3"));
  EXPECT_EQ(cleanTemporaryFiles(dir.path()), int(temporaryFileNames().size()) + 1);
  for (const std::string& name : temporaryFileNames()) EXPECT_FALSE(fs::exists(dir.file(name))) << name;
  EXPECT_FALSE(fs::exists(dir.file("kavrel.tag.file.1234")));
  EXPECT_TRUE(fs::exists(dir.file("kavrel.tag.file.99x")));
  EXPECT_TRUE(fs::exists(dir.file("kavrel.ini")));
  EXPECT_TRUE(fs::exists(dir.file("song.mp3")));
}

// ---------------------------------------------------------------- running copies

TEST(ShellInstances, SecondCopyKeepsTheFirstCopysTemporaryFiles) {
  TempDir dir;
  const std::string data = dir.file("data");
  ::setenv("KAVREL_HOME", data.c_str(), 1);
  RecordingHost host;
  auto first = std::make_unique<InstanceRegistry>(dir.path());
  Editor a(host);
  EXPECT_FALSE(startProgram(a, *first).secondInstance);
  touch(data + "/kavrel.Preview.mp3");
  touch(data + "/kavrel.tag.file." + std::to_string(::getpid()));

  {
    InstanceRegistry second(dir.path());
    Editor b(host);
    EXPECT_TRUE(startProgram(b, second).secondInstance);
    EXPECT_TRUE(fs::exists(data + "/kavrel.Preview.mp3"));
    EXPECT_TRUE(fs::exists(data + "/kavrel.tag.file." + std::to_string(::getpid())));
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
  }
  // Both are listening once their sockets are there.
  for (int i = 0; i < 300; ++i) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir.file("Kavrel4EXN"), ec)) n += e.is_socket();
    if (n == 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // A socket of a copy that died without cleaning up is passed over and removed.
  touch(dir.file("Kavrel4EXN/999999999.sock"));
  int turns = 0;
  InstanceRegistry me(dir.path());
  me.registerCopy();
  ASSERT_TRUE(me.listen());
  EXPECT_EQ(me.exitAll([&] { ++turns; }), 2);
  for (pid_t child : children) EXPECT_EQ(waitEnd(child, 2000), 7);
  EXPECT_FALSE(fs::exists(dir.file("Kavrel4EXN/999999999.sock")));
  // This copy's own socket was not asked.
  EXPECT_FALSE(me.takeCloseRequest());
  EXPECT_TRUE(fs::exists(me.socketFolder() + "/" + std::to_string(::getpid()) + ".sock"));
}

TEST(ShellInstances, ExitAllWaitsOnlyAWhileForACopyThatStays) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) {
    InstanceRegistry copy(dir.path());
    copy.listen();
    for (;;) {
      copy.takeCloseRequest();  // takes it, but never closes (a busy copy)
      ::usleep(5000);
    }
  }
  for (int i = 0; i < 300 && !fs::exists(dir.file("Kavrel4EXN/" + std::to_string(child) + ".sock")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(exitAllCopies(dir.path(), nullptr, 400), 1);
  // It gave the copy its time, then returned while the copy still runs.
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
  EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), 0);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
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
  std::string mp3(const std::string& name, int frames = 20) {
    Mp3Builder b;
    b.frames(frames);
    writeFile(dir.file(name), b.bytes());
    return dir.file(name);
  }
  std::array<std::string, 5> storedRecentFiles() {
    const auto s = decodeConfiguration(readFile(editor.configurationPath));
    std::array<std::string, 5> out;
    for (size_t i = 0; i < 5 && s; ++i) out[i] = s->strings[8 + 2 * i];
    return out;
  }

  TempDir dir;
  RecordingHost host;
  Editor editor{host};
};

TEST_F(ShellEditorTest, LoadsPutTheFileInFrontOfTheRecentFilesAndStoreThem) {
  const std::string a = mp3("a.mp3"), b = mp3("B.MP3");
  ASSERT_TRUE(editor.loadFile(a));
  ASSERT_TRUE(editor.loadFile(b));
  ASSERT_TRUE(editor.loadFile(a));
  EXPECT_EQ(editor.options().recentFiles, (std::array<std::string, 5>{a, b, "", "", ""}));
  EXPECT_EQ(storedRecentFiles(), editor.options().recentFiles);
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

TEST_F(ShellEditorTest, OpenStartsInTheLastOpenFolderAndRemembersIt) {
  const std::string a = mp3("a.mp3");
  editor.lastInsertFolder = "/somewhere";
  host.answerOpenFile(a);
  editor.openCommand();
  ASSERT_EQ(host.openDialogs().size(), 1u);
  EXPECT_EQ(host.openDialogs()[0].title, " CHOOSE THE SOURCE FILE ");
  EXPECT_EQ(host.openDialogs()[0].folder, "/somewhere");
  EXPECT_TRUE(editor.document().documentLoaded);
  EXPECT_EQ(editor.lastInsertFolder, dir.path());
  const auto s = decodeConfiguration(readFile(editor.configurationPath));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->strings[config_string::kOpenFolder], dir.path());
}

TEST_F(ShellEditorTest, DroppingSeveralFilesLoadsTheFirst) {
  const std::string a = mp3("a.mp3"), b = mp3("b.mp3"), c = mp3("c.mp3");
  editor.dropFiles({a, b, c});
  EXPECT_EQ(editor.document().loadPath, a);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text,
            "Drag & drop enabled for single file only.\r\nFirst file from the list loaded.");
}

TEST_F(ShellEditorTest, ClosingAsksAboutUnsavedChangesOnlyWhenTheOptionSaysSo) {
  ASSERT_TRUE(editor.loadFile(mp3("a.mp3")));
  editor.selection = {2, 5};
  editor.select();
  editor.deleteSelection(Sender::User);
  ASSERT_TRUE(editor.document().modified);

  EXPECT_TRUE(editor.closeWindowQuery());  // option off: no question
  EXPECT_TRUE(host.messages().empty());

  editor.options().promptToSaveChanges = true;
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.closeWindowQuery());
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Do you wish to save the changes?");
  EXPECT_EQ(host.messages()[0].caption, "closing");
  EXPECT_EQ(host.messages()[0].buttons, MessageButtons::YesNoCancel);
  // The configuration was written all the same.
  EXPECT_EQ(decodeConfiguration(readFile(editor.configurationPath))->record[option_byte::kPromptToSave], 1);

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
}

TEST_F(ShellEditorTest, StartupNoticePendingMeansNoWriteOnClose) {
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
  struct Case {
    int option;
    bool withParameter;
    bool exits;
  };
  for (const Case c :
       {Case{0, true, false}, Case{1, true, true}, Case{1, false, false}, Case{2, false, true}}) {
    editor.options().autoExit = c.option;
    editor.calledWithParameter = c.withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    EXPECT_EQ(editor.closeCommand(), c.exits) << c.option << c.withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    editor.options().autoReload = false;
    EXPECT_EQ(editor.quickSaveCommand(), c.exits) << c.option << c.withParameter;
  }
  // Reloading after the save keeps the program open.
  editor.options().autoExit = 2;
  editor.options().autoReload = true;
  ASSERT_TRUE(editor.loadFile(a));
  EXPECT_FALSE(editor.quickSaveCommand());
  EXPECT_TRUE(editor.document().documentLoaded);
}

TEST_F(ShellEditorTest, HelpFiles) {
  std::vector<std::string> opened;
  int result = 42;
  editor.shellOpener = [&](const std::string& p) {
    opened.push_back(p);
    return result;
  };
  const std::string help = helpFilePath(editor.dataFolder, kHelpFileName);
  EXPECT_EQ(help, editor.dataFolder + "/kavrel.local.help.file.htm");
  editor.helpCommand(help);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "The help file is missing.");
  EXPECT_EQ(host.messages()[0].caption, " error");
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(opened.empty());

  touch(help);
  editor.helpCommand(helpFilePath(editor.dataFolder, kHelpFileName));
  EXPECT_EQ(opened, std::vector<std::string>{help});
  EXPECT_EQ(host.messages().size(), 1u);
  result = 31;
  editor.helpCommand(help);
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[1].text, "System error trying to display the file");
}

}  // namespace
}  // namespace kavrel::test
