// Loading, inserting and closing through the Editor, as the window and the
// script engine see them: message boxes, policy questions, status codes,
// the remove check boxes and the state left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/editor.h"
#include "document/messages.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

using Ends = std::array<int32_t, 2>;
const std::string kLoadLead = "Error processing file: \r\n ";

class EditorTest : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  EditorTest() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  std::string write(const std::string& name, const t::Mp3Builder& b) { return write(name, b.bytes()); }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.file(name);
    t::writeFile(path, bytes);
    return path;
  }
  // Ten 128 kbit/s frames at 44.1 kHz, loaded.
  void loadTenFrames() {
    EXPECT_TRUE(editor.loadFile(write("base.mp3", t::Mp3Builder().frames(10))));
    host.clearRecord();
  }
  Document& doc() { return editor.document(); }
  // The text of the one message box shown, or how many there were.
  std::string onlyMessage() const {
    const auto& m = host.messages();
    return m.size() == 1 ? m[0].text : std::to_string(m.size()) + " message boxes";
  }
  // What an insert may change.
  auto snapshot() {
    const Document& d = doc();
    return std::tuple(d.frameList, d.gainList, d.frameTable.count(), d.sourceFirstFrame, d.sourceNames,
                      d.insertedFileCount, d.kbpsHistogram, d.editSummary, d.sourceSummary, editor.selection,
                      d.modified);
  }
  // Nothing loaded, nothing busy.
  void expectEmpty(const std::string& what) {
    EXPECT_FALSE(doc().documentLoaded) << what;
    EXPECT_EQ(doc().documentFrameCount(), 0) << what;
    EXPECT_EQ(doc().frameTable.count(), 0) << what;
    EXPECT_EQ(editor.labInfoInput, "No file loaded") << what;
    EXPECT_FALSE(editor.enabled(Command::SelectAll)) << what;
    EXPECT_FALSE(doc().busy || host.busy()) << what;
  }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
};

// ---------------------------------------------------------------- loading

TEST_F(EditorTest, SuccessfulLoadSetsUpTheWindowState) {
  const std::string path = write("song.mp3", t::Mp3Builder().frames(100));
  ASSERT_TRUE(editor.loadFile(path));
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(doc().documentLoaded);
  EXPECT_EQ(doc().documentName, path);
  EXPECT_EQ(doc().documentFrameCount(), 100);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.labInfoInput, "44.1 KHz, JOINT STEREO, 128 kbps, 2.612 sec");
  EXPECT_EQ(editor.labInfoOutput, editor.labInfoInput);
  EXPECT_EQ(editor.selection, (Ends{0, 0}));
  EXPECT_FALSE(editor.multipleSelected);
  // The stepping buttons need more than 84 frames.
  for (Command c : {Command::PageLeft, Command::SelectAll, Command::Save, Command::Insert})
    EXPECT_TRUE(editor.enabled(c)) << commandName(c);
  for (Command c : {Command::Paste, Command::Undo, Command::Delete})
    EXPECT_FALSE(editor.enabled(c)) << commandName(c);
  EXPECT_EQ(editor.statisticsList().selected, 9);
  EXPECT_FALSE(doc().busy || host.busy());
  EXPECT_GE(host.progressEndCalls(), 1);

  // With the option on, a load selects everything.
  editor.options().autoSelectAll = true;
  ASSERT_TRUE(editor.loadFile(write("few.mp3", t::Mp3Builder().frames(84))));
  EXPECT_FALSE(editor.enabled(Command::PageLeft));
  EXPECT_FALSE(editor.enabled(Command::PageRight));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(editor.selection, (Ends{0, 84}));
  EXPECT_TRUE(editor.enabled(Command::Delete));
  EXPECT_FALSE(editor.enabled(Command::Trim));  // all is selected
  EXPECT_EQ(editor.operationStatus, kStatusOk);
}

TEST_F(EditorTest, FailedLoadsShowTheirMessageAndLeaveAnEmptyDocument) {
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{}, msg::kDiskError},
      {std::vector<uint8_t>(255, 0), "Can't process files smaller than 0.25 KB!"},
      {std::vector<uint8_t>(256, 0), "Doesn't seem like a 32/44.1/48 KHz mp3 file."}};
  for (const auto& [bytes, message] : cases) {
    loadTenFrames();
    EXPECT_FALSE(editor.loadFile(write("bad.mp3", bytes)));
    ASSERT_EQ(onlyMessage(), kLoadLead + message);
    EXPECT_EQ(host.lastMessage().caption, "Warning!");
    EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation);
    EXPECT_EQ(host.lastMessage().buttons, MessageButtons::Ok);
    expectEmpty(message);
  }
  host.clearRecord();
  EXPECT_FALSE(editor.loadFile(dir.file("missing.mp3")));
  EXPECT_EQ(onlyMessage(), kLoadLead + msg::kDiskError);
}

TEST_F(EditorTest, ScriptLoadsSetTheStatusAndSilentOnesNeverAsk) {
  loadTenFrames();
  editor.scriptRunning = true;
  EXPECT_FALSE(editor.loadFile(write("small.mp3", std::vector<uint8_t>(100, 0))));
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(editor.operationStatus, kStatusLoadFailed);
  EXPECT_EQ(editor.lineError, "Can't process files smaller than 0.25 KB!");
  expectEmpty("script");

  // A silent run takes damaged files as they come, whatever the policy; the
  // success resets the status.
  const std::string path = write("gap.mp3", t::Mp3Builder().frames(3).raw("abcde").frames(2));
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Fail;
  editor.silentMode = true;
  EXPECT_TRUE(editor.loadFile(path));
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  // A script that is not silent follows the option.
  editor.silentMode = false;
  EXPECT_FALSE(editor.loadFile(path));
  EXPECT_EQ(editor.lineError, "Improper frame size.");
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Prompt;
  host.answer(MessageResult::Yes);
  EXPECT_TRUE(editor.loadFile(path));
  EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(EditorTest, PromptPolicyAsksWithTheErrorText) {
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Prompt;
  const std::string riff = write("riff.mp3", t::Mp3Builder().riff(36, false).frames(5));
  host.answer(MessageResult::No);
  EXPECT_FALSE(editor.loadFile(riff));
  ASSERT_EQ(host.messages().size(), 2u);
  const t::RecordedMessage& q = host.messages()[0];
  EXPECT_EQ(q.text, "Improper or unknown header format.\r\nTry to continue processing?");
  EXPECT_EQ(q.caption, "Error, may be possible to continue");
  EXPECT_EQ(q.buttons, MessageButtons::YesNo);
  EXPECT_EQ(q.icon, MessageIcon::Question);
  EXPECT_EQ(host.messages()[1].text, kLoadLead + "RIFF header doesn't seem to be of an mp3 file.");
  host.clearRecord();
  host.answer(MessageResult::Yes);
  EXPECT_TRUE(editor.loadFile(riff));
  EXPECT_EQ(doc().documentFrameCount(), 3);
  EXPECT_TRUE(doc().layout.riffFound);

  // The frame size question groups the positions; the garbage goes with
  // the frame before it.
  const std::string gap = write("gap.mp3", t::Mp3Builder().frames(3).raw("abcde").frames(2));
  host.clearRecord();
  host.answer(MessageResult::Yes);
  ASSERT_TRUE(editor.loadFile(gap));
  EXPECT_EQ(onlyMessage(), "Improper frame size at position 834 to 1,256.\r\nTry to continue processing?");
  EXPECT_EQ(doc().frameTable[2].storedLength, 422);
  EXPECT_EQ(doc().frameTable[3].filePosition, 1256);
  host.clearRecord();
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Fail;
  EXPECT_FALSE(editor.loadFile(gap));
  EXPECT_EQ(onlyMessage(), kLoadLead + "Improper frame size.");
}

TEST_F(EditorTest, FreeFormatWarningAfterTheLoadOrInsert) {
  t::FrameSpec free{.bitrateIndex = 0, .freeFormatLength = 300};
  ASSERT_TRUE(editor.loadFile(write("one.mp3", t::Mp3Builder().frames(20).frame(free).frames(2))));
  ASSERT_EQ(onlyMessage(), "Possible playtime error <  2.6E-0002 sec\r\n(due to free format frame)");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation);
  EXPECT_TRUE(doc().documentLoaded);
  host.clearRecord();
  free.sampleRateIndex = 1;
  const std::string three = write(
      "three.mp3", t::Mp3Builder().frames(3, free).frames(10, {.bitrateIndex = 9, .sampleRateIndex = 1}));
  ASSERT_TRUE(editor.loadFile(three));
  EXPECT_EQ(onlyMessage(), "Possible playtime error <  7.2E-0002 sec\r\n(due to free format frames)");

  loadTenFrames();
  free.sampleRateIndex = 0;
  ASSERT_EQ(editor.insertFileAt(write("free.mp3", t::Mp3Builder().frames(2, free).frame({})), 0), 0);
  ASSERT_EQ(onlyMessage(), "Possible length error <  5.2E-0002 sec\r\n(due to free format frames)");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  host.clearRecord();
  editor.scriptRunning = true;
  ASSERT_TRUE(editor.loadFile(three));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(EditorTest, RemoveCheckBoxesFollowTheLayout) {
  t::Mp3Builder full;
  full.riff(36).id3v2(3, 0, 0, std::vector<uint8_t>(20, 0)).raw("junk").frames(3).zeros(40);
  const std::string fullPath = write("full.mp3", full.lyrics3v2("IND00002").id3v1("T"));
  const Command boxes[] = {Command::RemoveRiff,  Command::RemoveId3v2, Command::RemoveUnknownHeader,
                           Command::RemoveUnknownFooter, Command::RemoveLyrics3, Command::RemoveId3v1,
                           Command::ViewUnknownHeader,     Command::ViewUnknownFooter,       Command::ViewLyrics3};
  for (const bool aru : {false, true}) {
    editor.options().autoRemoveUnknown = aru;
    ASSERT_TRUE(editor.loadFile(fullPath));
    for (Command c : boxes) EXPECT_TRUE(editor.enabled(c)) << commandName(c);
    // Only the blocks of no known use are checked, and only with the option.
    for (Block b : {Block::Riff, Block::UnknownHeader, Block::UnknownFooter})
      EXPECT_EQ(editor.removeChecked(b), aru);
    for (Block b : {Block::Id3v2, Block::Lyrics3, Block::Id3v1}) EXPECT_FALSE(editor.removeChecked(b));
  }
  ASSERT_TRUE(editor.loadFile(write("plain.mp3", t::Mp3Builder().frames(3))));
  for (Command c : boxes) EXPECT_FALSE(editor.enabled(c)) << commandName(c);
  // The tag views stay available to create a tag.
  EXPECT_TRUE(editor.enabled(Command::ViewId3v2) && editor.enabled(Command::ViewId3v1));
  for (int b = 0; b < int(kBlockCount); ++b) EXPECT_FALSE(editor.removeChecked(Block(b)));
}

TEST_F(EditorTest, EscOrAClosingWindowAbandonsTheLoadWithoutAMessage) {
  loadTenFrames();
  host.escapeAfterProgress(1);
  EXPECT_FALSE(editor.loadFile(write("long.mp3", t::Mp3Builder().frames(500))));
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.progressCalls(), 1);
  EXPECT_GE(host.processEventsCalls(), 1);
  expectEmpty("esc");
  loadTenFrames();
  host.setClosing(true);
  EXPECT_FALSE(editor.loadFile(dir.file("long.mp3")));
  EXPECT_TRUE(host.messages().empty());
  expectEmpty("closing");
}

TEST_F(EditorTest, FileTruncatedOrDeletedDuringTheLoad) {
  // Cut behind the chunk being scanned (1.25 MB: the next read comes up
  // short) and inside the one chunk already read (125 kB: no further read).
  for (const auto& [frames, cutTo] : {std::pair(3000, 100000), std::pair(300, 1000)}) {
    host.clearRecord();
    const std::string path = write("moving.mp3", t::Mp3Builder().frames(frames));
    host.onProgress = [&](int call, int) {
      if (call == 1) std::filesystem::resize_file(path, uintmax_t(cutTo));
    };
    EXPECT_FALSE(editor.loadFile(path)) << frames;
    EXPECT_EQ(onlyMessage(), kLoadLead + msg::kDiskError);
    EXPECT_EQ(doc().frameTable.count(), 0);
  }
  // A file removed while it is read stays readable to its end.
  const std::string gone = write("gone.mp3", t::Mp3Builder().frames(3000));
  host.onProgress = [&](int call, int) {
    if (call == 1) std::filesystem::remove(gone);
  };
  EXPECT_TRUE(editor.loadFile(gone));
  EXPECT_EQ(doc().documentFrameCount(), 3000);
}

TEST_F(EditorTest, FrameInformationBox) {
  loadTenFrames();
  editor.showFrameInfo(4);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().caption, "frame info 0");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Information);
  EXPECT_EQ(host.lastMessage().text.rfind("Frame position: 5\r\nOriginal position: 5\r\n", 0), 0u);
  EXPECT_EQ(editor.selection, (Ends{4, 5}));
  EXPECT_TRUE(editor.multipleSelected);
  host.clearRecord();
  editor.showFrameInfo(10);
  editor.showFrameInfo(-1);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(editor.selection, (Ends{4, 5}));
}

// ---------------------------------------------------------------- inserting

TEST_F(EditorTest, InsertPlacesTheNewFramesAndSelectsThem) {
  loadTenFrames();
  doc().gainList[5] = {3, -4};
  const std::string path =
      write("other.mp3", t::Mp3Builder().raw("lead").frames(5, {.bitrateIndex = 10, .sampleRateIndex = 1}));
  ASSERT_EQ(editor.insertFileAt(path, 3), 0);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 10, 11, 12, 13, 14, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(doc().gainList.size(), 15u);
  EXPECT_EQ(doc().gainList[10], (GainPair{3, -4}));
  EXPECT_EQ(doc().gainList[3], GainPair{});
  for (int32_t k = 0; k < 5; ++k) {
    EXPECT_EQ(doc().frameTable[10 + k].sourceIndex, 1);
    EXPECT_EQ(doc().frameTable[10 + k].filePosition, 4 + 480 * k);
  }
  EXPECT_EQ(doc().frameTable[14].storedLength, 480);
  EXPECT_EQ(doc().sourceFirstFrame, (std::array<int32_t, kSourceSlots>{0, 10, 15}));
  EXPECT_EQ(doc().sourceNames[1], path);
  EXPECT_EQ(doc().insertedFileCount, 1);
  EXPECT_EQ(editor.selection, (Ends{3, 8}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_TRUE(doc().modified);
  EXPECT_EQ(doc().editSummary, (Summary{0, 1, 3}));
  EXPECT_EQ(doc().sourceSummary, (Summary{9, 1, 0}));  // the loaded file's statistics stay
  EXPECT_EQ(editor.labInfoOutput, "mixed freq, JOINT STEREO, var.kbps, 0.381 sec");
  // The loaded file's layout does not take the inserted file's leading bytes.
  EXPECT_FALSE(doc().layout.unknownHeaderFound);

  // A second file goes into the next slot; at the very end this time.
  const auto third = t::Mp3Builder().frames(2, {.bitrateIndex = 1, .sampleRateIndex = 2}).zeros(100);
  ASSERT_EQ(editor.insertFileAt(write("third.mp3", third), 15), 0);
  EXPECT_EQ(doc().sourceFirstFrame[3], 17);
  EXPECT_EQ(doc().insertedFileCount, 2);
  EXPECT_EQ(doc().frameList[16], 16);
  EXPECT_EQ(doc().frameTable[16].storedLength, 144);  // its trailing bytes are left out
  EXPECT_EQ(editor.selection, (Ends{15, 17}));
}

TEST_F(EditorTest, InsertSkipsLeadingBlocksAndAVbrTagFrameAndStopsAtTrailingBlocks) {
  t::Mp3Builder tagged;  // no version check and no footer while skipping: 40 bytes, RIFF 48, tag 20
  tagged.id3v2(4, 0xFF, 0x10, std::vector<uint8_t>(30, 0))
      .riff(40)
      .id3v2(3, 0, 0, std::vector<uint8_t>(10, 0));
  tagged.frames(4).lyrics3v1("words").id3v1("T");
  t::Mp3Builder twoTags;  // a second tag-like frame is an ordinary one
  twoTags.vbrTag(t::VbrKind::Xing, {}, 4, 1668)
      .raw(t::makeVbrTagFrame({}, t::VbrKind::Info, 4, 1668))
      .frames(3);
  const std::tuple<const char*, t::Mp3Builder, int32_t, int64_t, int32_t> cases[] = {
      {"xing", t::Mp3Builder().vbrTag(t::VbrKind::Xing, {}, 6, 2502).frames(6), 6, 417, 417},
      {"two tags", twoTags, 4, 417, 417},
      {"tagged", tagged, 4, 108, 417}};
  for (const auto& [name, b, added, firstPosition, lastLength] : cases) {
    loadTenFrames();
    ASSERT_EQ(editor.insertFileAt(write(std::string(name) + ".mp3", b), 10), 0) << name;
    EXPECT_EQ(doc().documentFrameCount(), 10 + added) << name;
    EXPECT_EQ(doc().frameTable[10].filePosition, firstPosition) << name;
    EXPECT_EQ(doc().frameTable[10].vbrHeaderKind, kVbrNone) << name;
    EXPECT_EQ(doc().frameTable[9 + added].storedLength, lastLength) << name;
    EXPECT_EQ(editor.selection, (Ends{10, 10 + added})) << name;
  }
}

TEST_F(EditorTest, FailedInsertsReportTheirCodeAndChangeNothing) {
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Fail;
  loadTenFrames();
  editor.selection = {2, 2};
  const auto before = snapshot();
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;  // empty name: the file is not written
    int status;
    std::string message;
  };
  auto frames = [](const t::FrameSpec& spec, int n) { return t::Mp3Builder().frames(n, spec).bytes(); };
  const auto gap = t::Mp3Builder().frames(3).raw("abcde").frames(2).bytes();
  const Case cases[] = {
      {"", {}, 3, "File to insert can't be opened (probably doesn't exist)."},
      {"empty.mp3", {}, 4, "Can't process files smaller than 0.25 KB!"},
      {"small.mp3", std::vector<uint8_t>(255, 0), 4, "Can't process files smaller than 0.25 KB!"},
      {"riff.mp3", t::Mp3Builder().riff(36, false).frames(3).bytes(), 6,
       "RIFF header doesn't seem to be of an mp3 file."},
      {"layer1.mp3", frames({.layerCode = 3}, 3), 7, "Seems like mp1, not mp3 file."},
      {"layer2.mp3", frames({.layerCode = 2}, 3), 7, "Seems like mp2, not mp3 file."},
      {"mpeg2.mp3", frames({.versionCode = 2}, 3), 8, "Mpeg version 2 not supported."},
      {"mpeg25.mp3", frames({.versionCode = 0}, 3), 8, "Mpeg version 2.5 not supported."},
      {"bitrate.mp3", frames({.bitrateIndex = 15, .freeFormatLength = 400}, 3), 9,
       "Invalid bitrate detected."},
      {"rate.mp3", frames({.sampleRateIndex = 3}, 3), 10, "Invalid frequency detected."},
      {"zeros.mp3", std::vector<uint8_t>(300, 0), 12, "Doesn't seem like a 32/44.1/48 KHz mp3 file."},
      {"gap.mp3", gap, 13, "Improper frame size."},
  };
  for (const Case& c : cases) {
    host.clearRecord();
    const std::string path = c.name.empty() ? dir.file("missing.mp3") : write(c.name, c.bytes);
    EXPECT_EQ(editor.insertFileAt(path, 2), c.status) << c.name;
    EXPECT_EQ(editor.operationStatus, c.status) << c.name;
    ASSERT_EQ(onlyMessage(), c.message);
    EXPECT_EQ(host.lastMessage().caption, "Warning");
    EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(snapshot() == before) << c.name;
  }

  // A file that shrinks under the scan is a disk error.
  host.clearRecord();
  const std::string shrinking = write("shrinking.mp3", t::Mp3Builder().frames(3000));
  host.onProgress = [&](int call, int) {
    if (call == 1) std::filesystem::resize_file(shrinking, 5000);
  };
  EXPECT_EQ(editor.insertFileAt(shrinking, 5), 14);
  EXPECT_EQ(onlyMessage(), "Disk error reading the file to insert.");
  EXPECT_TRUE(snapshot() == before);
  host.onProgress = nullptr;

  // Esc: code 11 without a box.
  host.clearRecord();
  const std::string path = write("long.mp3", t::Mp3Builder().frames(200));
  host.escapeAfterProgress(1);
  EXPECT_EQ(editor.insertFileAt(path, 5), 11);
  EXPECT_EQ(editor.operationStatus, 11);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(snapshot() == before);
  EXPECT_FALSE(doc().busy || host.busy());

  // Inside a script: the status and the line error, no box.
  editor.scriptRunning = true;
  host.escapeAfterProgress(1);
  EXPECT_EQ(editor.insertFileAt(path, 5), 11);
  EXPECT_EQ(editor.lineError, "Esc key pressed.");
  EXPECT_EQ(editor.insertFileAt(write("gap.mp3", gap), 2), 13);
  EXPECT_EQ(editor.lineError, "Improper frame size.");
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(snapshot() == before);
}

TEST_F(EditorTest, NoMoreThan255InsertedFiles) {
  loadTenFrames();
  const std::string path = write("one.mp3", t::Mp3Builder().frames(3));
  for (int k = 1; k <= 255; ++k) ASSERT_EQ(editor.insertFileAt(path, 0), 0) << k;
  EXPECT_EQ(doc().insertedFileCount, 255);
  EXPECT_EQ(doc().sourceFirstFrame[255], 10 + 254 * 3);
  EXPECT_EQ(doc().frameTable[doc().frameTable.count() - 1].sourceIndex, 255);
  EXPECT_EQ(doc().sourceNames[255], path);
  EXPECT_TRUE(host.messages().empty());
  const auto before = snapshot();
  EXPECT_EQ(editor.insertFileAt(path, 0), 128);
  EXPECT_EQ(editor.operationStatus, 128);
  ASSERT_EQ(onlyMessage(), "Too many files already inserted.");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  EXPECT_TRUE(snapshot() == before);

  // Slots are never given out twice: the limit counts every slot ever used,
  // not the files an undo left in the document.
  loadTenFrames();
  doc().usedSourceSlots = 255;
  doc().insertedFileCount = 3;
  EXPECT_EQ(editor.insertFileAt(path, 0), 128);
  EXPECT_EQ(onlyMessage(), "Too many files already inserted.");
  EXPECT_EQ(doc().documentFrameCount(), 10);
}

// ---------------------------------------------------------------- closing

TEST_F(EditorTest, UnloadPromptAndItsResults) {
  editor.options().promptToSaveChanges = true;
  loadTenFrames();
  doc().changeCount = 1;
  // Cancel keeps the document, never closes the window whatever the
  // auto-exit option, and lets no other file replace the document.
  host.answer(MessageResult::Cancel);
  EXPECT_EQ(editor.unload(true), kUnloadCancelled);
  ASSERT_EQ(onlyMessage(), "Do you wish to save the changes?");
  EXPECT_EQ(host.lastMessage().caption, "prompt");
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Question);
  editor.calledWithParameter = true;
  for (int autoExit : {0, 1, 2}) {
    editor.options().autoExit = autoExit;
    host.answer(MessageResult::Cancel);
    EXPECT_FALSE(editor.closeCommand());
  }
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.loadFile(write("other.mp3", t::Mp3Builder().frames(3))));
  EXPECT_TRUE(doc().documentLoaded);
  EXPECT_EQ(doc().documentFrameCount(), 10);

  host.clearRecord();
  host.answer(MessageResult::No);
  EXPECT_EQ(editor.unload(true), kUnloadClosed);
  EXPECT_EQ(host.messages().size(), 1u);
  EXPECT_FALSE(doc().documentLoaded);
  loadTenFrames();
  doc().changeCount = 2;
  host.answer(MessageResult::Yes);
  EXPECT_EQ(editor.unload(true), kUnloadSaved);
  EXPECT_FALSE(doc().documentLoaded);

  // No question when unchanged, not asked for, the option off, or inside a script.
  const std::tuple<int, bool, bool, bool> quiet[] = {
      {0, true, true, false}, {1, false, true, false}, {1, true, false, false}, {1, true, true, true}};
  for (const auto& [changes, prompt, option, script] : quiet) {
    loadTenFrames();
    doc().changeCount = changes;
    editor.options().promptToSaveChanges = option;
    editor.scriptRunning = script;
    EXPECT_EQ(editor.unload(prompt), kUnloadClosed);
    EXPECT_TRUE(host.messages().empty());
  }
}

TEST_F(EditorTest, UnloadClearsEverything) {
  const auto b = t::Mp3Builder().riff(36).id3v2(3, 0, 0, std::vector<uint8_t>(20, 0)).frames(100).id3v1("T");
  editor.options().autoRemoveUnknown = true;
  editor.options().autoSelectAll = true;
  editor.options().volumeMemoryMode = 1;
  ASSERT_TRUE(editor.loadFile(write("full.mp3", b)));
  ASSERT_EQ(editor.insertFileAt(write("again.mp3", b), 50), 0);
  editor.options().volumeSliderMemory = 3;
  editor.options().volumeChannelMemory = 2;
  editor.options().fadeSliderMemory = 5;

  EXPECT_EQ(editor.unload(false), kUnloadClosed);
  const Document& d = doc();
  EXPECT_FALSE(d.modified || d.layout.riffFound || d.layout.id3v2Found || d.layout.id3v1Found);
  expectEmpty("unload");
  EXPECT_TRUE(d.gainList.empty());
  EXPECT_EQ(d.insertedFileCount, 0);
  EXPECT_TRUE(d.documentName.empty());
  EXPECT_EQ(d.sourceNames, (std::array<std::string, kSourceSlots>{}));
  EXPECT_EQ(d.sourceFirstFrame, (std::array<int32_t, kSourceSlots>{}));
  EXPECT_EQ(d.kbpsHistogram, (std::array<int32_t, 15>{}));
  EXPECT_EQ(d.sourceKbpsHistogram, (std::array<int32_t, 15>{}));
  EXPECT_EQ(d.sourceRateHistogram, (std::array<int32_t, 3>{}));
  EXPECT_FALSE(editor.labOutputVisible);
  EXPECT_EQ(editor.selection, (Ends{0, 0}));
  EXPECT_FALSE(editor.multipleSelected);
  for (int c = 0; c < int(kCommandCount); ++c)
    EXPECT_FALSE(editor.enabled(Command(c))) << commandName(Command(c));
  for (int k = 0; k < int(kBlockCount); ++k) EXPECT_FALSE(editor.removeChecked(Block(k)));
  EXPECT_EQ(editor.options().volumeSliderMemory, 20);
  EXPECT_EQ(editor.options().volumeChannelMemory, 0);
  EXPECT_EQ(editor.options().fadeSliderMemory, 5);  // the fade dialog keeps its memory in mode 0
  editor.selectAll(Sender::User);         // an empty document has nothing to select
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);
  EXPECT_EQ(editor.selection, (Ends{0, 0}));
}

}  // namespace
}  // namespace kavrel
