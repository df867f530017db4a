// Save, Save As and the other saves: overwrite policy, the temporary file and
// its rename, replacing the source, failures and cancelling.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "document/messages.h"
#include "document/save_messages.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using SaveProcTest = EditorFixture;

std::vector<uint8_t> plain(int count) { return Mp3Builder().frames(count).bytes(); }

bool noTemporaryFiles(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().string().ends_with(".kvtmpmp3")) return false;
  return true;
}

TEST_F(SaveProcTest, SaveReplacesTheLoadedFileAndUnloadsTheDocumentOrReloadsIt) {
  const std::string path = load(plain(200));
  ::chmod(path.c_str(), 0640);
  doc().gainList[5] = {2, 2};
  doc().modified = true;
  ASSERT_TRUE(editor.save(Sender::User));
  EXPECT_EQ(boxes(), "");  // the default policy never asks on Save
  EXPECT_FALSE(doc().documentLoaded);                      // its frames pointed into the old file
  EXPECT_EQ(readGains(readFile(path), 5 * 417), (std::array<uint8_t, 4>{152, 152, 152, 152}));
  EXPECT_TRUE(noTemporaryFiles(dir.path()));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replacement keeps the permissions
  load(plain(50));
  editor.options().autoReload = true;
  truncateTo(20);
  ASSERT_TRUE(editor.save(Sender::User));
  EXPECT_EQ(std::tuple(doc().documentLoaded, doc().documentFrameCount(), doc().loadPath, doc().modified),
            std::tuple(true, 20, path, false));
  // Scripts never reload on their own.
  editor.scriptRunning = true;
  truncateTo(10);
  ASSERT_TRUE(editor.save(Sender::ScriptMarker));
  EXPECT_FALSE(doc().documentLoaded);
  EXPECT_EQ(readFile(path).size(), 10 * 417u);
}

TEST_F(SaveProcTest, SaveAsToANewNameKeepsTheDocumentOpenUnderThatName) {
  const std::string path = load(plain(10));
  doc().modified = true;
  const std::string target = dir.file("copy.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::User, target));
  EXPECT_EQ(std::tuple(doc().documentLoaded, doc().modified, doc().documentName, doc().loadPath),
            std::tuple(true, false, target, path));
  EXPECT_EQ(editor.options().lastSaveFolder, dir.path());
  EXPECT_EQ(readFile(target), readFile(path));
  // A busy editor refuses; user clicks are ignored during scripts.
  editor.dialogOpen = true;
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("busy.mp3")));
  EXPECT_EQ(editor.operationStatus, kStatusBusy);
  editor.dialogOpen = false;
  editor.scriptRunning = true;
  editor.operationStatus = 0;
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("busy.mp3")) || exists(dir.file("busy.mp3")));
}

TEST_F(SaveProcTest, OverwritePolicyDecidesWhoIsAsked) {
  load(plain(10));
  const std::string other = dir.file("other.mp3");
  writeFile(other, {1, 2, 3});
  // Default: Save As onto an existing file asks, with No as the default.
  host.answer(MessageResult::No);
  EXPECT_FALSE(editor.saveAs(Sender::User, other));
  EXPECT_EQ(std::pair(host.lastMessage().buttons, host.lastMessage().defaultButton),
            std::pair(MessageButtons::YesNo, MessageResult::No));
  EXPECT_EQ(boxes(), "!" + std::string(msg::kOverwriteCaption) + ": " + msg::kOverwritePrompt);
  EXPECT_EQ(readFile(other), (std::vector<uint8_t>{1, 2, 3}));
  host.answer(MessageResult::Yes);
  EXPECT_TRUE(editor.saveAs(Sender::User, other));
  EXPECT_EQ(readFile(other).size(), 10 * 417u);
  // Never overwrite without a prompt: Save asks too.
  boxes();
  editor.options().overwritePolicy = OverwritePolicy::NeverWithoutPrompt;
  host.answer(MessageResult::No);
  EXPECT_FALSE(editor.save(Sender::User));
  EXPECT_EQ(boxes(), "!" + std::string(msg::kOverwriteCaption) + ": " + msg::kOverwritePrompt);
  EXPECT_TRUE(doc().documentLoaded);
  // Always overwrite: nobody is asked; nor are scripts ever.
  editor.options().overwritePolicy = OverwritePolicy::Always;
  EXPECT_TRUE(editor.saveAs(Sender::User, other));
  editor.options().overwritePolicy = OverwritePolicy::NeverWithoutPrompt;
  editor.scriptRunning = true;
  EXPECT_TRUE(editor.saveAs(Sender::ScriptMarker, other));
  EXPECT_EQ(boxes(), "");
}

TEST_F(SaveProcTest, DialogNameProgramFolderAndAFailedRename) {
  const std::string path = load(plain(10));
  editor.dataFolder = dir.file("data");
  fs::create_directory(editor.dataFolder);
  host.answerSaveFile(editor.dataFolder + "/x.mp3");
  host.answerSaveFile(dir.file("chosen.mp3"));
  ASSERT_TRUE(editor.saveAs(Sender::User));
  ASSERT_EQ(host.requests.size(), 2u);
  EXPECT_EQ(host.requests[1].fileName, "base.mp3");
  EXPECT_EQ(boxes(), "!Warning: " + std::string(msg::kSaveToProgramFolder));
  EXPECT_FALSE(exists(editor.dataFolder + "/x.mp3"));
  EXPECT_EQ(readFile(dir.file("chosen.mp3")), readFile(path));
  // Cancel writes nothing.
  host.clearRecord();
  EXPECT_TRUE(!editor.saveAs(Sender::User) && doc().documentLoaded);
  // A folder of that name can't be replaced by a file: the temporary file stays, and the message says so.
  const std::string target = dir.file("taken.mp3");
  fs::create_directory(target);
  writeFile(target + "/inside", {1});
  host.answer(MessageResult::Yes);
  EXPECT_FALSE(editor.saveAs(Sender::User, target));
  EXPECT_EQ(std::tuple(host.lastMessage().text, readFile(target + ".kvtmpmp3").size(), doc().documentName),
            std::tuple(msg::kRenameFailed, 10 * 417u, target));
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(scriptSaveAsError(target, kStatusRenameFailed), msg::kRenameFailed);
}

TEST_F(SaveProcTest, FailedSavesWriteNothing) {
  // No frames, a folder that does not exist.
  load(plain(10));
  truncateTo(0);
  const std::string target = dir.file("empty.mp3");
  EXPECT_FALSE(editor.saveAs(Sender::User, target));
  EXPECT_EQ(host.lastMessage().text, msg::kZeroFrameCount);
  EXPECT_EQ(scriptSaveAsError(target), msg::kZeroFrameCount);
  EXPECT_FALSE(exists(target));
  editor.scriptRunning = false;
  load(plain(10));
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("no-such-folder/out.mp3")));
  EXPECT_EQ(host.lastMessage().text, msg::kDiskError);
  // A device of that name is never removed to make room.
  EXPECT_TRUE(!editor.saveproc(SaveMode::Preview, "/dev/null") && fs::is_character_file("/dev/null"));
  // A source truncated after loading is a disk error; the old file stays.
  const std::string path = load(plain(300));
  fs::resize_file(path, 100 * 417 + 10);
  const auto before = readFile(path);
  EXPECT_FALSE(editor.save(Sender::User));
  EXPECT_EQ(boxes(), "!Warning: " + std::string(msg::kDiskError));
  EXPECT_TRUE(readFile(path) == before && noTemporaryFiles(dir.path()));
  EXPECT_TRUE(doc().documentLoaded);  // a failed save changes nothing
  // A new target is not left half written either.
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("new.mp3")) || exists(dir.file("new.mp3")));
  // An inserted source deleted after the insert: a script gets the error.
  load(plain(20));
  fs::remove(insertFile("extra.mp3", 20, 90, 10));
  EXPECT_EQ(scriptSaveAsError(dir.file("new.mp3")), msg::kDiskError);
  EXPECT_FALSE(exists(dir.file("new.mp3")));
}

TEST_F(SaveProcTest, DiskFullOrEscLeavesTheOldFileAndNoTemporaryFile) {
  const std::string path = load(plain(1000));  // 417 kB
  const auto before = readFile(path);
  doc().gainList[0] = {1, 1};
  doc().modified = true;
  // A file size limit makes writes fail the way a full disk does.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = editor.save(Sender::User);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(host.lastMessage().text, msg::kDiskError);
  EXPECT_TRUE(readFile(path) == before && noTemporaryFiles(dir.path()));
  // Esc cancels without a message and leaves everything.
  host.clearRecord();
  host.escapeAfterProgress(1);
  EXPECT_TRUE(!editor.save(Sender::User) && host.messages().empty());
  EXPECT_TRUE(readFile(path) == before && noTemporaryFiles(dir.path()));
  EXPECT_EQ(std::tuple(doc().documentLoaded, doc().modified, doc().busy), std::tuple(true, true, false));
  // A script learns that nothing was saved.
  host.escapeAfterProgress(1);
  scriptSaveAsError(dir.file("cancelled.mp3"));
  EXPECT_FALSE(exists(dir.file("cancelled.mp3")));
}

TEST_F(SaveProcTest, PartsAndPreviewsNeverOverwriteASourceButSaveAsReplacesOneSafely) {
  const std::string path = load(plain(30));
  const std::string extra = insertFile("extra.mp3", 10, 90, 5);
  selectRange(0, 10);
  const auto loadedBefore = readFile(path);
  const auto extraBefore = readFile(extra);
  fs::create_symlink(path, dir.file("link.mp3"));
  EXPECT_FALSE(editor.saveproc(SaveMode::SaveSelection, path));
  EXPECT_EQ(host.lastMessage().text, msg::kTargetIsSource);
  EXPECT_FALSE(editor.saveproc(SaveMode::PlaySelection, extra));
  EXPECT_FALSE(editor.saveproc(SaveMode::Preview, dir.file("link.mp3")));
  editor.scriptRunning = true;
  EXPECT_FALSE(editor.saveproc(SaveMode::SaveSelection, dir.path() + "/./extra.mp3"));
  EXPECT_EQ(std::pair(int(editor.operationStatus), editor.lineError),
            std::pair(int(kStatusSaveFailed), std::string(msg::kTargetIsSource)));
  EXPECT_TRUE(readFile(path) == loadedBefore && readFile(extra) == extraBefore);
  EXPECT_TRUE(doc().documentLoaded);
  // Save As over the inserted file reads its frames before replacing it, and unloads.
  ASSERT_TRUE(editor.saveAs(Sender::ScriptMarker, extra));
  const auto out = readFile(extra);
  ASSERT_EQ(out.size(), 40 * 417u);
  EXPECT_EQ(std::pair(readGains(out, 5 * 417)[0], readGains(out, 15 * 417)[0]),
            std::pair(uint8_t(90), uint8_t(150)));
  EXPECT_FALSE(doc().documentLoaded);
}

TEST_F(SaveProcTest, SourceSlotsAreNeverReusedAfterAnUndoneInsert) {
  load(plain(10));
  insertFile("a.mp3", 5, 60, 10);
  const std::vector<int32_t> withA = doc().frameList;  // e.g. what a clipboard kept
  // What an undo puts back: the list, the file count and the names before the insert.
  truncateTo(10);
  doc().insertedFileCount = 0;
  doc().sourceNames[1].clear();
  insertFile("b.mp3", 5, 70, 10);
  EXPECT_EQ(doc().frameTable[doc().frameList[10]].sourceIndex, 2);
  // Paste the kept frames of A back after B's.
  doc().frameList.insert(doc().frameList.end(), withA.begin() + 10, withA.end());
  doc().gainList.resize(doc().frameList.size());
  const auto out = saveAsNew();
  ASSERT_EQ(out.size(), 20 * 417u);
  // A's frames still come from A.
  EXPECT_EQ(std::tuple(readGains(out, 0)[0], readGains(out, 10 * 417)[0], readGains(out, 15 * 417)[0]),
            std::tuple(150, 70, 60));
}

}  // namespace
}  // namespace kavrel::test
