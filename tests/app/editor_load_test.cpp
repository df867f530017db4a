// Loading, inserting and closing through the Editor, as the window and the script engine see them.
#include <optional>
#include <tuple>

#include "document/messages.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kLoadBox = "!Warning!: Error processing file: \r\n ";

class EditorLoad : public EditorFixture {
 protected:
  // What an insert may change.
  auto snapshot() {
    const Document& d = doc();
    return std::tuple(d.frameList, d.gainList, d.frameTable.count(), d.sourceFirstFrame, d.sourceNames,
                      d.insertedFileCount, d.kbpsHistogram, d.editSummary, d.sourceSummary, editor.selection,
                      d.modified);
  }
  // Nothing loaded, nothing available, nothing busy.
  void expectEmpty(const std::string& what) {
    EXPECT_EQ(
        std::tuple(doc().documentLoaded, doc().frameTable.count(), frames(), editor.labInfoInput, commands()),
        std::tuple(false, 0, "", "No file loaded", ""))
        << what;
    EXPECT_FALSE(doc().busy || host.busy()) << what;
  }
};

TEST_F(EditorLoad, LoadSetsUpTheWindowStateAndTheFrameBoxSelects) {
  const std::string path = write("song.mp3", Mp3Builder().frames(100));
  ASSERT_TRUE(editor.loadFile(path));
  EXPECT_EQ(boxes() + std::to_string(editor.operationStatus), "0");
  EXPECT_EQ(std::tuple(doc().documentLoaded, doc().documentName, state()),
            std::tuple(true, path, "0-99 | 0 | 0"));
  EXPECT_EQ(editor.labInfoInput, "44.1 KHz, JOINT STEREO, 128 kbps, 2.612 sec");
  EXPECT_EQ(editor.labInfoOutput, editor.labInfoInput);
  // Paging needs more than 84 frames; the tag views are there to create a tag.
  EXPECT_EQ(commands(),
            "Save SaveAs Reload Close Insert SelectAll InsertSilence Split PageLeft PageRight ViewId3v2 ViewId3v1");
  EXPECT_EQ(editor.statisticsList().selected, 9);
  EXPECT_FALSE(doc().busy || host.busy() || host.progressEndCalls() == 0);
  // With the option on, a load selects everything (so no trim).
  editor.options().autoSelectAll = true;
  ASSERT_TRUE(editor.loadFile(write("few.mp3", Mp3Builder().frames(84))));
  EXPECT_EQ(sel() + " " + edits() + std::to_string(editor.operationStatus), "0..84 sel0");
  EXPECT_FALSE(on(Command::PageLeft) || on(Command::PageRight));
  // The information box of a frame selects it.
  editor.showFrameInfo(4);
  EXPECT_EQ(boxes().rfind("iframe info 0: Frame position: 5\r\nOriginal position: 5\r\n", 0), 0u);
  EXPECT_EQ(sel() + " " + editor.positionText[0], "4..5 0.104");
  editor.showFrameInfo(84);
  editor.showFrameInfo(-1);
  script();
  editor.showFrameInfo(2);
  EXPECT_EQ(boxes() + sel(), "2..3");
}

// A failed load shows its box, or sets a script's status and text; one abandoned with Esc or by the closing
// window shows none. Each leaves an empty document.
TEST_F(EditorLoad, FailedLoadsLeaveAnEmptyDocument) {
  enum Arm : int { None, Esc = -1, Closing = -2 };  // a positive arm cuts the file to that size
  // Cut behind the chunk being scanned (1.25 MB: the next read comes up
  // short), or inside the one chunk already read (125 kB: no further read).
  const std::tuple<std::optional<Bytes>, int, std::string> cases[] = {
      {std::nullopt, None, msg::kDiskError},  // missing
      {Bytes(255, 0), None, "Can't process files smaller than 0.25 KB!"},
      {Bytes(256, 0), None, "Doesn't seem like a 32/44.1/48 KHz mp3 file."},
      {Mp3Builder().frames(3000).bytes(), 100000, msg::kDiskError},
      {Mp3Builder().frames(300).bytes(), 1000, msg::kDiskError},
      {Mp3Builder().frames(500).bytes(), Esc, ""},
      {Mp3Builder().frames(500).bytes(), Closing, ""}};
  for (const bool scripted : {false, true}) {
    for (const auto& [bytes, arm, message] : cases) {
      load(10);
      script(scripted);
      editor.lineError.clear();
      const std::string path = bytes ? write("bad.mp3", *bytes) : dir.file("missing.mp3");
      if (arm == Esc) host.escapeAfterProgress(1);
      host.setClosing(arm == Closing);
      host.onProgress = [&, arm = arm](int call, int) {
        if (arm > 0 && call == 1) std::filesystem::resize_file(path, uintmax_t(arm));
      };
      EXPECT_FALSE(editor.loadFile(path));
      EXPECT_EQ(boxes(), scripted || message.empty() ? "" : kLoadBox + message);
      EXPECT_EQ(editor.lineError, !scripted ? "" : message.empty() ? msg::kEscPressed : message);
      EXPECT_EQ(editor.operationStatus, scripted ? kStatusLoadFailed : kStatusOk) << message;
      if (arm == Esc) {
        EXPECT_GE(host.processEventsCalls(), 1);  // the window's events run meanwhile
      }
      expectEmpty(message);
      host.setClosing(false);
      host.onProgress = nullptr;
      script(false);
    }
  }
  // A file removed while it is read stays readable to its end.
  const std::string gone = write("gone.mp3", Mp3Builder().frames(3000));
  host.onProgress = [&](int call, int) {
    if (call == 1) std::filesystem::remove(gone);
  };
  EXPECT_TRUE(editor.loadFile(gone));
  EXPECT_EQ(doc().documentFrameCount(), 3000);
}

// The policy decides about a damaged file; a silent script takes it as it is.
TEST_F(EditorLoad, ProcessingErrorPolicyAsksFailsOrContinues) {
  using P = ProcessingErrorPolicy;
  const std::string gap = write("gap.mp3", Mp3Builder().frames(3).raw("abcde").frames(2));
  const std::string ask =
      "?Error, may be possible to continue: Improper frame size at position 834 to 1,256.\r\nTry to continue "
      "processing?";
  const std::string failed = kLoadBox + "Improper frame size.";
  enum Mode { Window, Script, Silent };
  const std::tuple<P, Mode, MessageResult, const char*, std::string, const char*> cases[] = {
      {P::Fail, Window, {}, "", failed, ""}, {P::TryToContinue, Window, {}, "0-4", "", ""},
      {P::Prompt, Window, MessageResult::Yes, "0-4", ask, ""},
      {P::Prompt, Window, MessageResult::No, "", ask + " / " + failed, ""},
      {P::Fail, Script, {}, "", "", "Improper frame size."},
      {P::Prompt, Script, MessageResult::Yes, "0-4", ask, ""},
      {P::Fail, Silent, {}, "0-4", "", ""}};
  for (const auto& [policy, mode, answer, loaded, shown, error] : cases) {
    const std::string row = std::to_string(int(policy)) + " " + std::to_string(mode);
    editor.options().processingErrorPolicy = policy;
    script(mode != Window);
    editor.silentMode = mode == Silent;
    editor.lineError.clear();
    if (policy == P::Prompt) host.answer(answer);
    EXPECT_EQ(editor.loadFile(gap), *loaded != '\0') << row;
    EXPECT_EQ(frames() + " | " + boxes() + " | " + editor.lineError,
              loaded + (" | " + shown + " | ") + error);
    EXPECT_EQ(editor.operationStatus, mode == Window || *loaded ? kStatusOk : kStatusLoadFailed) << row;
    if (policy == P::Prompt) {
      EXPECT_EQ(host.messages().at(0).buttons, MessageButtons::YesNo) << row;
    }
    clear();
  }
}

TEST_F(EditorLoad, RemoveCheckBoxesFollowTheLayout) {
  Mp3Builder full;
  full.riff(36).id3v2(3, 0, 0, Bytes(20, 0)).raw("junk").frames(3).zeros(40).lyrics3v2("IND00002").id3v1("T");
  auto checked = [&] {
    std::string text;
    for (size_t b = 0; b < kBlockCount; ++b) text += editor.removeChecked(Block(b)) ? "1" : "0";
    return text + " " + commands();
  };
  const std::string all =
      "Save SaveAs Reload Close Insert SelectAll InsertSilence Split RemoveRiff RemoveId3v2 RemoveUnknownHeader "
      "RemoveUnknownFooter RemoveLyrics3 RemoveId3v1 ViewId3v2 ViewUnknownHeader ViewUnknownFooter "
      "ViewLyrics3 "
      "ViewId3v1";
  // Only the blocks of no known use are checked, and only with the option.
  load(full);
  EXPECT_EQ(checked(), "0000000 " + all);
  editor.options().autoRemoveUnknown = true;
  load(full);
  EXPECT_EQ(checked(), "1011000 " + all);
  load(3);
  EXPECT_EQ(checked(), "0000000 Save SaveAs Reload Close Insert SelectAll InsertSilence Split ViewId3v2 ViewId3v1");
}

TEST_F(EditorLoad, InsertPlacesTheNewFramesIntoTheNextSlotAndWarnsOfFreeFormat) {
  load(10);
  doc().gainList[5] = {3, -4};
  const std::string path =
      write("other.mp3", Mp3Builder().frames(5, {.bitrateIndex = 10, .sampleRateIndex = 1}));
  ASSERT_EQ(editor.insertFileAt(path, 3), 0);
  EXPECT_EQ(boxes(), "");
  EXPECT_EQ(state(), "0-2 10-14 3-9 | 3..8 | 0 modified");  // no change counted: the command does that
  EXPECT_EQ(gains(3, 4) + " " + gains(10, 11), "0 3/-4");
  EXPECT_EQ(std::tuple(doc().sourceFirstFrame, doc().sourceNames[1], doc().insertedFileCount),
            std::tuple(std::array<int32_t, kSourceSlots>{0, 10, 15}, path, 1));
  EXPECT_EQ(std::pair(doc().editSummary, doc().sourceSummary),  // the loaded file's statistics stay
            std::pair(Summary{0, 1, 3}, Summary{9, 1, 0}));
  EXPECT_EQ(editor.labInfoOutput, "mixed freq, JOINT STEREO, var.kbps, 0.381 sec");
  // A second file goes into the next slot; at the very end this time.
  ASSERT_EQ(editor.insertFileAt(path, 15), 0);
  EXPECT_EQ(std::pair(doc().sourceFirstFrame[3], doc().insertedFileCount), std::pair(20, 2));
  EXPECT_EQ(state(), "0-2 10-14 3-9 15-19 | 15..20 | 0 modified");
  // Free format frames bring a warning after the load or insert, outside scripts.
  FrameSpec free{.bitrateIndex = 0, .freeFormatLength = 300};
  ASSERT_TRUE(editor.loadFile(write("one.mp3", Mp3Builder().frames(20).frame(free).frames(2))));
  EXPECT_EQ(boxes(), "!Warning: Possible playtime error <  2.6E-0002 sec\r\n(due to free format frame)");
  ASSERT_EQ(editor.insertFileAt(write("free.mp3", Mp3Builder().frames(2, free).frame({})), 0), 0);
  EXPECT_EQ(boxes(), "!Warning: Possible length error <  5.2E-0002 sec\r\n(due to free format frames)");
  script();
  ASSERT_TRUE(editor.loadFile(dir.file("one.mp3")));
  ASSERT_EQ(editor.insertFileAt(dir.file("free.mp3"), 0), 0);
  EXPECT_EQ(boxes(), "");
}

TEST_F(EditorLoad, InsertSkipsLeadingBlocksAndAVbrTagFrameAndStopsAtTrailingBlocks) {
  Mp3Builder tagged;  // no version check and no footer while skipping: 40 bytes, RIFF 48, tag 20
  tagged.id3v2(4, 0xFF, 0x10, Bytes(30, 0)).riff(40).id3v2(3, 0, 0, Bytes(10, 0));
  tagged.frames(4).lyrics3v1("words").id3v1("T");
  const FrameSpec k32{.bitrateIndex = 1, .sampleRateIndex = 2};
  const std::tuple<const char*, Mp3Builder, int32_t, int64_t, int32_t> cases[] = {
      {"xing", Mp3Builder().vbrTag(VbrKind::Xing, {}, 6, 2502).frames(6), 6, 417, 417},
      {"tagged", tagged, 4, 108, 417},
      {"lead and trail", Mp3Builder().raw("lead").frames(2, k32).zeros(100), 2, 4, 144}};
  for (const auto& [name, b, added, firstPosition, lastLength] : cases) {
    load(10);
    ASSERT_EQ(editor.insertFileAt(write(std::string(name) + ".mp3", b), 10), 0) << name;
    EXPECT_EQ(sel(), "10.." + std::to_string(10 + added)) << name;
    const FrameInfo &first = doc().frameTable[10], &last = doc().frameTable[9 + added];
    // The loaded file's layout does not take the inserted file's leading bytes.
    EXPECT_EQ(std::tuple(first.filePosition, first.vbrHeaderKind, last.storedLength, last.sourceIndex,
                         doc().layout.unknownHeaderFound),
              std::tuple(firstPosition, kVbrNone, lastLength, 1, false))
        << name;
  }
}

// Each refusal of the scan with its code: a box from the window (none for
// Esc), the text in lineError for a script. Nothing changes.
TEST_F(EditorLoad, RefusedInsertsReturnTheirCodeAndChangeNothing) {
  editor.options().processingErrorPolicy = ProcessingErrorPolicy::Fail;
  load(10);
  cursor(2);
  const auto before = snapshot();
  auto frames = [](const FrameSpec& spec) { return Mp3Builder().frames(3, spec).bytes(); };
  const Bytes long3000 = Mp3Builder().frames(3000).bytes();
  const std::tuple<std::optional<Bytes>, int, std::string> cases[] = {
      {std::nullopt, 3, "File to insert can't be opened (probably doesn't exist)."},
      {Bytes(255, 0), 4, "Can't process files smaller than 0.25 KB!"},
      {Mp3Builder().riff(36, false).frames(3).bytes(), 6, "RIFF header doesn't seem to be of an mp3 file."},
      {frames({.layerCode = 3}), 7, "Seems like mp1, not mp3 file."},
      {frames({.versionCode = 2}), 8,
       "The file holds MPEG-2 frames and the document MPEG-1 frames. Files of different MPEG versions cannot be "
       "joined."},
      {frames({.bitrateIndex = 15, .freeFormatLength = 400}), 9, "Invalid bitrate detected."},
      {frames({.sampleRateIndex = 3}), 10, "Invalid frequency detected."}, {long3000, 11, "Esc key pressed."},
      {Bytes(300, 0), 12, "Doesn't seem like a 32/44.1/48 KHz mp3 file."},
      {Mp3Builder().frames(3).raw("abcde").frames(2).bytes(), 13, "Improper frame size."},
      {long3000, 14, "Disk error reading the file to insert."}};  // shrinks under the scan
  for (const bool scripted : {false, true}) {
    for (const auto& [bytes, status, message] : cases) {
      clear();
      script(scripted);
      editor.lineError.clear();
      const std::string path = bytes ? write("insert.mp3", *bytes) : dir.file("missing.mp3");
      if (status == 11) host.escapeAfterProgress(1);
      host.onProgress = [&, status = status](int call, int) {
        if (status == 14 && call == 1) std::filesystem::resize_file(path, 5000);
      };
      EXPECT_EQ(editor.insertFileAt(path, 2), status) << message;
      EXPECT_EQ(editor.operationStatus, status) << message;
      EXPECT_EQ(boxes(), scripted || status == 11 ? "" : "!Warning: " + message);
      EXPECT_EQ(editor.lineError, scripted ? message : "");
      EXPECT_TRUE(snapshot() == before) << message;
      EXPECT_FALSE(doc().busy || host.busy()) << message;
    }
  }
}

TEST_F(EditorLoad, NoMoreThan255InsertedFiles) {
  load(10);
  const std::string path = write("one.mp3", Mp3Builder().frames(3));
  for (int k = 1; k <= 255; ++k) ASSERT_EQ(editor.insertFileAt(path, 0), 0) << k;
  EXPECT_EQ(std::tuple(doc().insertedFileCount, doc().sourceFirstFrame[255], doc().sourceNames[255], boxes()),
            std::tuple(255, 10 + 254 * 3, path, ""));
  const auto before = snapshot();
  EXPECT_EQ(editor.insertFileAt(path, 0), 128);
  EXPECT_EQ(editor.operationStatus, 128);
  EXPECT_EQ(boxes(), "!Warning: Too many files already inserted.");
  EXPECT_TRUE(snapshot() == before);
  // Slots are never given out twice: the limit counts every slot ever used,
  // not the files an undo left in the document.
  load(10);
  doc().usedSourceSlots = 255;
  doc().insertedFileCount = 3;
  EXPECT_EQ(editor.insertFileAt(path, 0), 128);
  EXPECT_EQ(boxes() + " " + frames(), "!Warning: Too many files already inserted. 0-9");
}

TEST_F(EditorLoad, UnloadAsksToSaveAndForgetsEverything) {
  using R = MessageResult;
  // Changes, asked for, the option, in a script, the answer; the result and whether the question was put. No
  // question when unchanged, not asked for, the option off, or inside a script. Yes saves through the save
  // dialog; cancelling that dialog keeps the document and its changes.
  const std::tuple<int, bool, bool, bool, R, int, bool> cases[] = {
      {1, true, true, false, R::Cancel, kUnloadCancelled, true},
      {2, true, true, false, R::No, kUnloadClosed, true},
      {2, true, true, false, R::Yes, kUnloadCancelled, true},
      {3, true, true, false, R::Yes, kUnloadSaved, true},
      {0, true, true, false, R::Yes, kUnloadClosed, false},
      {1, false, true, false, R::Yes, kUnloadClosed, false},
      {1, true, false, false, R::Yes, kUnloadClosed, false},
      {1, true, true, true, R::Yes, kUnloadClosed, false}};
  for (const auto& [changes, prompt, option, scripted, answer, result, asked] : cases) {
    load(10);
    doc().changeCount = changes;
    editor.options().promptToSaveChanges = option;
    script(scripted);
    if (asked) host.answer(answer);
    if (changes == 3) host.answerSaveFile(dir.file("kept.mp3"));
    const int closes = host.documentWindowCloses();
    EXPECT_EQ(editor.unload(prompt), result) << changes << prompt << option << scripted;
    // The tag windows close with the document, and stay when it stays.
    EXPECT_EQ(host.documentWindowCloses() - closes, result == kUnloadCancelled ? 0 : 1);
    EXPECT_EQ(boxes(), asked ? "?prompt: Do you wish to save the changes?" : "");
    if (asked) {
      EXPECT_EQ(host.lastMessage().buttons, MessageButtons::YesNoCancel);
    }
    EXPECT_EQ(doc().documentLoaded, result == kUnloadCancelled);
    script(false);
    editor.unload(false);
  }
  // Cancel keeps the window open even with auto-exit on, and lets no other file replace the document.
  load(10);
  doc().changeCount = 1, editor.calledWithParameter = true, editor.options().autoExit = 1;
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.closeCommand());
  host.answer(MessageResult::Cancel);
  EXPECT_FALSE(editor.loadFile(write("other.mp3", Mp3Builder().frames(3))));
  EXPECT_EQ(state(), "0-9 | 0 | 1");
  // Closing forgets everything.
  doc().changeCount = 0;
  const auto b = Mp3Builder().riff(36).id3v2(3, 0, 0, Bytes(20, 0)).frames(100).id3v1("T");
  Options& o = editor.options();
  o.autoRemoveUnknown = o.autoSelectAll = true, o.volumeMemoryMode = 1;
  ASSERT_TRUE(editor.loadFile(write("full.mp3", b)));
  ASSERT_EQ(editor.insertFileAt(write("again.mp3", b), 50), 0);
  std::tie(o.volumeSliderMemory, o.volumeChannelMemory, o.fadeSliderMemory) = std::tuple(3, 2, 5);
  EXPECT_EQ(editor.unload(false), kUnloadClosed);
  expectEmpty("unload");
  const Document& d = doc();
  EXPECT_FALSE(d.modified || d.layout.riffFound || d.layout.id3v2Found || d.layout.id3v1Found);
  EXPECT_TRUE(d.gainList.empty() && d.documentName.empty() && d.insertedFileCount == 0);
  const auto lists = std::tuple(d.sourceNames, d.sourceFirstFrame, d.kbpsHistogram, d.sourceKbpsHistogram,
                                d.sourceRateHistogram);
  EXPECT_EQ(lists, decltype(lists){});
  for (size_t k = 0; k < kBlockCount; ++k) EXPECT_FALSE(editor.removeChecked(Block(k)));
  EXPECT_FALSE(editor.labOutputVisible);
  // The volume dialog forgets in mode 1, the fade dialog keeps its memory in mode 0.
  EXPECT_EQ(std::tuple(o.volumeSliderMemory, o.volumeChannelMemory, o.fadeSliderMemory),
            std::tuple(20, 0, 5));
  editor.selectAll(Sender::User);  // an empty document has nothing to select
  EXPECT_EQ(sel() + " " + std::to_string(editor.operationStatus), "0 1");
}

}  // namespace
}  // namespace kavrel::test
