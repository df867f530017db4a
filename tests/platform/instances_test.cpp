// The command line, the data folder, the help lookup and running copies.
#include "platform/instances.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "base/paths.h"
#include "support/fake_player.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

void touch(const std::string& path) { writeFile(path, {1, 2, 3}); }

TEST(CommandLine, OneParameterIsActedOn) {
  // kind (0 nothing, 1 open, 2 script) and path; a leading "/" is a path here, never a script
  // clang-format off
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "0 "}, {{""}, "0 "}, {{"/m/a.mp3"}, "1 /m/a.mp3"}, {{"--script=/s/job.txt"}, "2 /s/job.txt"},
      {{"/s/job.txt"}, "1 /s/job.txt"}, {{"/m/a.mp3", "/m/b.mp3"}, "0 "}};
  // clang-format on
  for (const auto& [args, request] : cases) {
    const StartupRequest r = decideStartup(args);
    EXPECT_EQ(std::to_string(int(r.kind)) + " " + r.path, request) << args.size();
  }
}

TEST(DataFolder, KavrelHomeIsUsedAndCreatedLeftoversAreDeletedHelpIsFound) {
  TempDir dir;
  const std::string home = dir.file("deep/er/data");
  {
    EnvScope kavrelHome{"KAVREL_HOME", home + "/"};
    EXPECT_TRUE(discoverDataFolder() == home && fs::is_directory(home));
  }
  EXPECT_TRUE(fs::is_directory(discoverDataFolder()));  // without it, a folder that exists

  // The tag's work files carry a process id; anything else is not ours.
  const std::string pid = std::to_string(::getpid());
  EXPECT_EQ(textViewFilePath("/d"), "/d/kavrel.tag.txt." + pid);
  EXPECT_EQ(imageViewFilePath("/d", "png"), "/d/kavrel.tag.image." + pid + ".png");
  std::vector<std::string> names = temporaryFileNames();
  ASSERT_EQ(names.size(), 11u);
  names.insert(names.end(), {"kavrel.tag.file.1234", "kavrel.tag.txt.77", "kavrel.tag.image.5.gif",
                             fileNameOf(imageViewFilePath(dir.path(), "jpg")), "kavrel.tag.file.99x",
                             "kavrel.tag.file.", "kavrel.tag.txt.7.txt", "kavrel.tag.image.5.tif",
                             "kavrel.tag.image..png", "kavrel.ini", "a.mp3"});
  for (const std::string& name : names) touch(dir.file(name));
  EXPECT_EQ(cleanTemporaryFiles(dir.path()), 15);
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) left.insert(entry.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"a.mp3", "deep", "kavrel.ini", "kavrel.tag.file.", "kavrel.tag.file.99x",
                                         "kavrel.tag.txt.7.txt", "kavrel.tag.image.5.tif",
                                         "kavrel.tag.image..png"}));
  // Help: the data folder, then beside the program; neither: the data folder's.
  const std::string name = "kavrel.help-lookup." + std::to_string(::getpid()) + ".htm";
  const std::string beside = executableFolder() + "/" + name;
  EXPECT_EQ(helpFilePath(home, name), home + "/" + name);
  touch(beside);
  EXPECT_EQ(helpFilePath(home, name), beside);
  touch(home + "/" + name);
  EXPECT_EQ(helpFilePath(home, name), home + "/" + name);
  fs::remove(beside);
}

// A running copy in a child process: it registers and listens, says so on `ready`, and ends with 7 when asked
// to close; a busy copy takes the request and goes on. Once `lifeline` closes it ends: 5 when it was asked
// (busy), 4 when nobody asked.
pid_t startCopy(const std::string& folder, int ready, int lifeline[2], bool busy) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::close(lifeline[1]);
  InstanceRegistry copy(folder);
  copy.registerCopy();
  if (!copy.listen()) ::_exit(3);
  const char c = 1;
  (void)!::write(ready, &c, 1);
  bool asked = false;
  for (;;) {
    pollfd p[2] = {{copy.listenFd(), POLLIN, 0}, {lifeline[0], POLLIN, 0}};
    ::poll(p, 2, -1);
    asked = copy.takeCloseRequest() || asked;
    if (asked && !busy) ::_exit(7);
    if (p[1].revents != 0) ::_exit(asked ? 5 : 4);
  }
}

TEST(RunningCopies, CopiesInOtherProcessesAreSeenAndAskedToClose) {
  TempDir dir;
  int ready[2], lifeline[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(lifeline), 0);
  std::vector<pid_t> copies;
  for (bool busy : {false, false, true}) {
    copies.push_back(startCopy(dir.path(), ready[1], lifeline, busy));
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
  }
  // A socket of a copy that died without cleaning up is passed over and removed.
  touch(dir.file("Kavrel4EXN/999999999.sock"));
  {
    InstanceRegistry me(dir.path());
    EXPECT_TRUE(me.registerCopy());
    ASSERT_TRUE(me.listen());
    int turns = 0;  // this copy's events run while it waits for the busy one
    EXPECT_EQ(me.exitAll([&] { ++turns; }), 3);
    EXPECT_GT(turns, 0);
    ::close(lifeline[1]);
    std::vector<int> ends;
    for (pid_t pid : copies) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      ends.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    EXPECT_EQ(ends, (std::vector<int>{7, 7, 5}));
    EXPECT_FALSE(fs::exists(dir.file("Kavrel4EXN/999999999.sock")));
    // This copy was not asked, and its socket stays while it runs.
    const std::string mine = me.socketFolder() + "/" + std::to_string(::getpid()) + ".sock";
    EXPECT_TRUE(!me.takeCloseRequest() && fs::exists(mine));
  }
  // The locks went with the processes.
  InstanceRegistry alone(dir.path());
  EXPECT_FALSE(alone.registerCopy());
  for (int fd : {ready[0], ready[1], lifeline[0]}) ::close(fd);
}

}  // namespace
}  // namespace kavrel::test
