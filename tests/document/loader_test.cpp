// The layout scan and frame walk of the loader, driven directly with a
// scripted policy: leading and trailing blocks, frame sizes, chunking,
// damaged input.
#include "document/loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/messages.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

// 96-byte frames (32 kbit/s at 48 kHz) keep large files small.
constexpr t::FrameSpec kSmall{.bitrateIndex = 1, .sampleRateIndex = 1};

class PolicyObserver final : public ScanObserver {
 public:
  bool answer = true;
  std::vector<std::string> questions;
  std::vector<int> blocks;
  std::function<Checkpoint(int call)> onProgress;

  bool tryToContinue(const std::string& message) override {
    questions.push_back(message);
    return answer;
  }
  Checkpoint progress(int b) override {
    blocks.push_back(b);
    return onProgress ? onProgress(int(blocks.size())) : Checkpoint::Continue;
  }
};

class LoaderTest : public ::testing::Test {
 protected:
  LoadResult load(const std::vector<uint8_t>& bytes) {
    t::writeFile(path_, bytes);
    return loadPath(path_);
  }
  LoadResult loadPath(const std::string& path) {
    doc = std::make_unique<Document>();
    doc->loadPath = path;
    return loadDocumentFile(*doc, buffer_, observer);
  }
  const FrameInfo& frame(int32_t i) const { return doc->frameTable[i]; }
  int32_t count() const { return doc->frameTable.count(); }

  t::TempDir dir_;
  std::string path_ = dir_.file("in.mp3");
  std::vector<uint8_t> buffer_;
  PolicyObserver observer;
  std::unique_ptr<Document> doc;
};

TEST_F(LoaderTest, BuildsTheDocumentOfAPlainFile) {
  t::Mp3Builder b;
  b.frames(10).frame({.padding = true}).frames(5);
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  ASSERT_EQ(count(), 16);
  ASSERT_EQ(doc->documentFrameCount(), 16);
  const auto offsets = b.frameOffsets();
  for (int32_t i = 0; i < 16; ++i) {
    EXPECT_EQ(frame(i).filePosition, int32_t(offsets[size_t(i)]));
    EXPECT_EQ(frame(i).storedLength, i == 10 ? 418 : 417);
    EXPECT_EQ(frame(i).sourceIndex, 0);
    EXPECT_EQ(frame(i).averageGain, 150);
    EXPECT_EQ(doc->frameList[size_t(i)], i);
    EXPECT_EQ(doc->gainList[size_t(i)], GainPair{});
  }
  EXPECT_EQ(doc->sourceFirstFrame[0], 0);
  EXPECT_EQ(doc->sourceFirstFrame[1], 16);
  EXPECT_EQ(doc->sourceNames[0], path_);
  EXPECT_EQ(doc->sourceFileSize, int64_t(b.size()));
  EXPECT_EQ(doc->sourceSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->editSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->sourceRateHistogram, (std::array<int32_t, 3>{16, 0, 0}));
  EXPECT_EQ(doc->sourceKbpsHistogram[9], 16);
  EXPECT_EQ(doc->sourceModeHistogram[1], 16);
  EXPECT_FALSE(doc->layout.unknownHeaderFound);
  EXPECT_FALSE(doc->layout.unknownFooterFound);
  EXPECT_TRUE(observer.questions.empty());
  EXPECT_EQ(r.freeFormatFrames, 0);
}

TEST_F(LoaderTest, SizeLimitsAndUnreadableFiles) {
  EXPECT_EQ(load({}).message, msg::kDiskError);
  EXPECT_EQ(load(std::vector<uint8_t>(255, 0)).message, msg::kTooSmall);
  EXPECT_EQ(load(std::vector<uint8_t>(256, 0)).message, msg::kNoFrames);
  EXPECT_EQ(count(), 0);
  // A single 96-byte frame in a 256-byte file is an mp3 file.
  t::Mp3Builder one;
  one.frame(kSmall).zeros(160);
  const LoadResult r = load(one.bytes());
  EXPECT_EQ(r.outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(count(), 1);

  EXPECT_EQ(loadPath(dir_.file("missing.mp3")).message, msg::kDiskError);
  EXPECT_EQ(loadPath(dir_.path()).message, msg::kDiskError);
  EXPECT_EQ(doc->frameList.size(), 0u);
}

TEST_F(LoaderTest, FilesOf2GiBAreRefused) {
  t::writeFile(path_, {});
  std::filesystem::resize_file(path_, uintmax_t(1) << 31);  // sparse: nothing is written
  EXPECT_EQ(loadPath(path_).message, msg::kDiskError);
  Document d;
  t::Mp3Builder base;
  base.frames(3);
  d.loadPath = dir_.file("base.mp3");
  t::writeFile(d.loadPath, base.bytes());
  ASSERT_EQ(loadDocumentFile(d, buffer_, observer).outcome, LoadResult::Outcome::Loaded);
  const InsertResult r = insertFileFrames(d, buffer_, path_, 0, 1, observer);
  EXPECT_EQ(r.status, 14);
  EXPECT_EQ(r.message, msg::kInsertRead);
  EXPECT_EQ(d.frameTable.count(), 3);
  std::filesystem::remove(path_);
}

TEST_F(LoaderTest, Id3v2TagsAndTheirFlags) {
  {
    t::Mp3Builder b;
    b.id3v2(4, 0, 0x10, std::vector<uint8_t>(100, 0), true).frames(3);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_TRUE(doc->layout.id3v2Found);
    EXPECT_TRUE(doc->tagHeader.footer);
    EXPECT_EQ(doc->tagHeader.size, 120);  // header, body and footer
    EXPECT_EQ(doc->layout.audioSearchStart, 120);
    EXPECT_FALSE(doc->layout.unknownHeaderFound);
    EXPECT_EQ(frame(0).filePosition, 120);
    EXPECT_EQ(doc->tagHeader.inputVersion, 4);
  }
  {
    // The footer flag means nothing before version 2.4: the 10 bytes after
    // the declared size are unknown data.
    t::Mp3Builder b;
    b.id3v2(3, 0, 0xF0, std::vector<uint8_t>(100, 0), true).frames(3);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->tagHeader.footer);
    EXPECT_TRUE(doc->tagHeader.unsynchronisation);
    EXPECT_TRUE(doc->tagHeader.extendedHeader);
    EXPECT_TRUE(doc->tagHeader.experimental);
    EXPECT_EQ(doc->tagHeader.size, 110);
    EXPECT_TRUE(doc->layout.unknownHeaderFound);
    EXPECT_EQ(doc->layout.unknownHeaderSize, 10);
  }
  {
    t::Mp3Builder b;
    b.id3v2(2, 0, 0x60, {}).frames(3);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->tagHeader.extendedHeader);  // not in version 2.2
    EXPECT_FALSE(doc->tagHeader.experimental);
    EXPECT_EQ(doc->tagHeader.inputVersion, 2);
  }
  {
    t::Mp3Builder b;
    b.id3v2(9, 1, 0, {}).frames(3);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_EQ(doc->tagHeader.majorVersion, 9);
    EXPECT_EQ(doc->tagHeader.inputVersion, 5);  // limited to 2..5
  }
}

TEST_F(LoaderTest, Id3v2WithVersionOrRevision0xFFIsAudioData) {
  for (const auto& [major, revision] : {std::pair{3, 0xFF}, std::pair{0xFF, 0}}) {
    t::Mp3Builder b;
    b.id3v2(major, revision, 0, std::vector<uint8_t>(50, 0)).frames(3);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->layout.id3v2Found);
    EXPECT_EQ(doc->tagHeader.size, 0);
    EXPECT_EQ(doc->layout.audioSearchStart, 0);
    EXPECT_TRUE(doc->layout.unknownHeaderFound);
    EXPECT_EQ(doc->layout.unknownHeaderSize, 60);
    EXPECT_EQ(count(), 3);
  }
}

TEST_F(LoaderTest, Id3v2SizeBytesAreNotMasked) {
  // 1 x 128 + 0x80: 256 with the top bit kept, 128 with it masked.
  t::Mp3Builder b;
  b.raw(std::vector<uint8_t>{'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0x80}).zeros(256).frames(3);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(doc->tagHeader.size, 266);
  EXPECT_EQ(doc->layout.audioSearchStart, 266);
  EXPECT_FALSE(doc->layout.unknownHeaderFound);
}

TEST_F(LoaderTest, Id3v2SizeBeyondTheFileFailsCleanly) {
  t::Mp3Builder b;
  b.raw(std::vector<uint8_t>{'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).frames(5);
  const LoadResult r = load(b.bytes());
  EXPECT_EQ(r.outcome, LoadResult::Outcome::Failed);
  EXPECT_EQ(r.message, msg::kNoFrames);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, Id3v2LargerThanTheFirstRead) {
  t::Mp3Builder b;
  b.id3v2(3, 0, 0, std::vector<uint8_t>(1100001, 0)).frames(4);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(doc->layout.audioSearchStart, 1100011);
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(frame(0).filePosition, 1100011);
  EXPECT_FALSE(doc->layout.unknownHeaderFound);
}

TEST_F(LoaderTest, RiffHeaderWithDataAndATagAfterIt) {
  t::Mp3Builder b;
  b.riff(36).id3v2(3, 0, 0, std::vector<uint8_t>(30, 0)).frames(3);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_TRUE(doc->layout.riffFound);
  EXPECT_EQ(doc->layout.riffPos, 0);
  EXPECT_EQ(doc->layout.riffSize, 44);
  EXPECT_TRUE(doc->layout.id3v2Found);
  EXPECT_EQ(doc->tagHeader.startOffset, 44);
  EXPECT_EQ(doc->tagHeader.size, 40);
  EXPECT_EQ(doc->layout.audioSearchStart, 84);
  EXPECT_FALSE(doc->layout.unknownHeaderFound);
  EXPECT_EQ(count(), 3);
}

TEST_F(LoaderTest, TagThenRiffAndNoSecondTag) {
  t::Mp3Builder b;
  b.id3v2(3, 0, 0, std::vector<uint8_t>(20, 0))
      .riff(36)
      .id3v2(3, 0, 0, std::vector<uint8_t>(20, 0))
      .frames(3);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(doc->tagHeader.startOffset, 0);
  EXPECT_EQ(doc->layout.riffPos, 30);
  EXPECT_EQ(doc->layout.riffSize, 44);
  EXPECT_EQ(doc->layout.audioSearchStart, 74);
  // The second tag is not looked for: it is data of unknown origin.
  EXPECT_TRUE(doc->layout.unknownHeaderFound);
  EXPECT_EQ(doc->layout.unknownHeaderSize, 30);
}

TEST_F(LoaderTest, RiffDataSearchEndsAt516) {
  t::Mp3Builder found;
  found.riff(516).frames(3);
  ASSERT_EQ(load(found.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(doc->layout.riffSize, 524);
  EXPECT_TRUE(observer.questions.empty());

  t::Mp3Builder beyond;
  beyond.riff(517).frames(3);
  observer.answer = false;
  const LoadResult r = load(beyond.bytes());
  EXPECT_EQ(r.message, msg::kRiffNotMp3);
  ASSERT_EQ(observer.questions.size(), 1u);
  EXPECT_EQ(observer.questions[0], "Improper or unknown header format.");
}

TEST_F(LoaderTest, RiffWithoutDataContinuesAfterTheSearchedRange) {
  t::Mp3Builder b;
  b.riff(36, false).frames(5);  // frames at 44, 461, 878, ...
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  EXPECT_EQ(observer.questions, std::vector<std::string>{"Improper or unknown header format."});
  EXPECT_TRUE(doc->layout.riffFound);
  EXPECT_EQ(doc->layout.audioSearchStart, 517);
  EXPECT_EQ(count(), 3);
  EXPECT_EQ(frame(0).filePosition, 878);
  EXPECT_TRUE(doc->layout.unknownHeaderFound);
  EXPECT_EQ(doc->layout.unknownHeaderSize, 878 - 517);
}

TEST_F(LoaderTest, GarbageBetweenFrames) {
  t::Mp3Builder b;
  b.frames(3).raw("abcde").frames(2);
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded);
  ASSERT_EQ(count(), 5);
  EXPECT_EQ(frame(2).storedLength, 422);  // the garbage goes with the frame before it
  EXPECT_EQ(frame(3).filePosition, 1256);
  EXPECT_EQ(observer.questions, std::vector<std::string>{"Improper frame size at position 834 to 1,256."});

  observer.answer = false;
  observer.questions.clear();
  EXPECT_EQ(load(b.bytes()).message, msg::kImproperFrameSize);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, TwoBytesOfSlackAreNoError) {
  t::Mp3Builder b;
  b.frames(2).raw("ab").frames(2);
  observer.answer = false;
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(frame(1).storedLength, 419);
  EXPECT_TRUE(observer.questions.empty());
  t::Mp3Builder three;
  three.frames(2).raw("abc").frames(2);
  EXPECT_EQ(load(three.bytes()).message, msg::kImproperFrameSize);
}

TEST_F(LoaderTest, FreeFormatFramesGetNoSizeCheck) {
  t::FrameSpec free{.bitrateIndex = 0};
  free.freeFormatLength = 300;
  t::Mp3Builder b;
  b.frames(4, free).raw("xyz").frames(2, free);
  observer.answer = false;
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  ASSERT_EQ(count(), 6);
  EXPECT_EQ(frame(3).storedLength, 303);
  EXPECT_EQ(frame(0).computedLength, 29);
  EXPECT_EQ(r.freeFormatFrames, 6);
  EXPECT_EQ(doc->editSummary.bitrate, 0);
}

TEST_F(LoaderTest, SyncLikeGarbageIsSkippedByteByByte) {
  t::Mp3Builder b;
  b.frames(2).raw(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE3, 0x90}).frames(2);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(frame(1).storedLength, 422);
  // FF FF is Layer I, FF E3 MPEG 2.5; then the frame size.
  EXPECT_EQ(observer.questions,
            (std::vector<std::string>{"Seems like mp1, not mp3 file.", "Seems like mp1, not mp3 file.",
                                      "Mpeg version 2.5 not supported.",
                                      "Improper frame size at position 417 to 839."}));
  observer.answer = false;
  observer.questions.clear();
  EXPECT_EQ(load(b.bytes()).message, "Seems like mp1, not mp3 file.");
}

TEST_F(LoaderTest, RefusedStreamsFollowThePolicy) {
  struct Case {
    t::FrameSpec spec;
    const char* message;
  };
  const Case cases[] = {{{.layerCode = 2}, "Seems like mp2, not mp3 file."},
                        {{.versionCode = 0}, "Mpeg version 2.5 not supported."},
                        {{.versionCode = 2}, "Mpeg version 2 not supported."},
                        {{.sampleRateIndex = 3}, "Invalid frequency detected."}};
  for (const Case& c : cases) {
    t::Mp3Builder b;
    b.frames(4, c.spec);
    observer.answer = false;
    observer.questions.clear();
    EXPECT_EQ(load(b.bytes()).message, c.message);
    EXPECT_EQ(observer.questions.size(), 1u);
    observer.answer = true;
    EXPECT_EQ(load(b.bytes()).message, msg::kNoFrames);
    EXPECT_EQ(count(), 0);
  }
}

TEST_F(LoaderTest, Id3v1Probe) {
  struct Case {
    size_t extra;
    bool found;
  };
  for (const Case c : {Case{0, true}, Case{1, true}, Case{2, false}}) {
    t::Mp3Builder b;
    b.frames(3).id3v1("Title").zeros(c.extra);
    const LoadResult r = load(b.bytes());
    ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded);
    EXPECT_EQ(doc->layout.id3v1Found, c.found) << c.extra;
    if (c.found) {
      EXPECT_EQ(doc->layout.id3v1Pos, 1251);
      EXPECT_EQ(doc->layout.id3v1Size, int64_t(128 + c.extra));
      EXPECT_EQ(frame(2).storedLength, 417);
      EXPECT_FALSE(doc->layout.unknownFooterFound);
    } else {
      EXPECT_TRUE(doc->layout.unknownFooterFound);
      EXPECT_EQ(doc->layout.unknownFooterSize, 130);
    }
  }
  // "TAG" as late as 125 bytes before the end still counts.
  t::Mp3Builder late;
  late.frames(3).raw("TAG").zeros(122);
  ASSERT_EQ(load(late.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_TRUE(doc->layout.id3v1Found);
  EXPECT_EQ(doc->layout.id3v1Size, 125);
}

TEST_F(LoaderTest, Lyrics3Blocks) {
  {
    t::Mp3Builder b;
    b.frames(3).lyrics3v2("IND00002").id3v1("T");
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_TRUE(doc->layout.lyrics3Found);
    EXPECT_EQ(doc->layout.lyrics3Version, 2);
    EXPECT_EQ(doc->layout.lyrics3Pos, 1251);
    EXPECT_EQ(doc->layout.lyrics3Size, 11 + 8 + 6 + 9);
    EXPECT_EQ(doc->layout.id3v1Pos, 1251 + 34);
    EXPECT_EQ(frame(2).storedLength, 417);
    EXPECT_FALSE(doc->layout.unknownFooterFound);
  }
  {
    t::Mp3Builder b;
    b.frames(3).lyrics3v1("some words");
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_EQ(doc->layout.lyrics3Version, 1);
    EXPECT_EQ(doc->layout.lyrics3Size, 11 + 10 + 9);
    EXPECT_FALSE(doc->layout.id3v1Found);
  }
  {
    // An end marker without its begin: no block, the bytes are unknown data.
    t::Mp3Builder b;
    b.frames(3).raw("LYRICSEND");
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->layout.lyrics3Found);
    EXPECT_TRUE(doc->layout.unknownFooterFound);
    EXPECT_EQ(doc->layout.unknownFooterSize, 9);
  }
  {
    t::Mp3Builder b;
    b.zeros(300).raw("LYRICS200");
    ASSERT_EQ(load(b.bytes()).message, msg::kNoFrames);
  }
}

TEST_F(LoaderTest, TrailingBlocksNeitherOverlapNorLeaveAGap) {
  {
    // "TAG" inside lyrics that end the file is part of the lyrics.
    t::Mp3Builder b;
    b.frames(3).lyrics3v1("VINTAGE" + std::string(115, 'z'));
    ASSERT_EQ(b.data()[b.size() - 128], 'T');
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_TRUE(doc->layout.lyrics3Found);
    EXPECT_EQ(doc->layout.lyrics3Size, 11 + 122 + 9);
    EXPECT_FALSE(doc->layout.id3v1Found);
    EXPECT_FALSE(doc->layout.unknownFooterFound);
  }
  {
    // A block 137 bytes before the end without an ID3v1 tag after it: the
    // 128 bytes after the marker would belong to nothing, so it is no block.
    t::Mp3Builder b;
    b.frames(3).lyrics3v2("IND00002").zeros(128);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->layout.lyrics3Found);
    EXPECT_FALSE(doc->layout.id3v1Found);
    EXPECT_TRUE(doc->layout.unknownFooterFound);
    EXPECT_EQ(doc->layout.unknownFooterPos, 1251);
    EXPECT_EQ(doc->layout.unknownFooterSize, 34 + 128);
  }
  {
    // A 129-byte ID3v1 tag leaves no room for the marker at 137.
    t::Mp3Builder b;
    b.frames(3).lyrics3v2("IND00002").id3v1("T").zeros(1);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_FALSE(doc->layout.lyrics3Found);
    EXPECT_EQ(doc->layout.id3v1Size, 129);
    EXPECT_EQ(doc->layout.unknownFooterSize, 34);
  }
}

TEST_F(LoaderTest, Lyrics3v1WindowIs5100Bytes) {
  for (const size_t length : {size_t(5080), size_t(5081)}) {
    t::Mp3Builder b;
    b.frames(3).lyrics3v1(std::string(length, 'a'));
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    EXPECT_EQ(doc->layout.lyrics3Found, length == 5080) << length;
  }
}

TEST_F(LoaderTest, UnknownFooterAfterTheLastFrame) {
  struct Case {
    size_t zeros;
    bool footer;
  };
  for (const Case c : {Case{500, true}, Case{3, true}, Case{2, false}}) {
    t::Mp3Builder b;
    b.frames(3, kSmall).zeros(c.zeros);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    const FrameInfo& last = frame(2);
    EXPECT_EQ(doc->layout.unknownFooterFound, c.footer) << c.zeros;
    if (c.footer) {
      EXPECT_EQ(last.storedLength, 96);
      EXPECT_EQ(doc->layout.unknownFooterPos, last.filePosition + 96);
      EXPECT_EQ(doc->layout.unknownFooterSize, int64_t(c.zeros));
    } else {
      EXPECT_EQ(last.storedLength, int32_t(96 + c.zeros));
    }
  }
}

TEST_F(LoaderTest, FreeFormatLastFrameNeeds1024BytesForAFooter) {
  t::FrameSpec free{.bitrateIndex = 0};
  free.freeFormatLength = 200;
  // The last frame's excess over its scan step (29) is 171 + the zeros.
  for (const size_t zeros : {size_t(852), size_t(853)}) {
    t::Mp3Builder b;
    b.frames(3, free).zeros(zeros);
    ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
    const FrameInfo& last = frame(2);
    if (zeros == 852) {
      EXPECT_FALSE(doc->layout.unknownFooterFound);
      EXPECT_EQ(last.storedLength, int32_t(200 + zeros));
    } else {
      EXPECT_TRUE(doc->layout.unknownFooterFound);
      EXPECT_EQ(doc->layout.unknownFooterPos, last.filePosition + 29);
      EXPECT_EQ(doc->layout.unknownFooterSize, 1024);
      EXPECT_EQ(last.storedLength, 29);
    }
  }
}

TEST_F(LoaderTest, IncompleteLastFrame) {
  auto cut = t::makeFrame({});
  cut.resize(200);
  t::Mp3Builder b;
  b.frames(3).raw(cut);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(frame(3).storedLength, 200);
  EXPECT_EQ(observer.questions, std::vector<std::string>{"The last frame is incomplete (position 1,251)."});
  observer.answer = false;
  EXPECT_EQ(load(b.bytes()).message, msg::kImproperFrameSize);

  // Two bytes short is within the tolerance.
  observer.questions.clear();
  t::Mp3Builder nearly;
  auto short2 = t::makeFrame({});
  short2.resize(415);
  nearly.frames(3).raw(short2);
  ASSERT_EQ(load(nearly.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(frame(3).storedLength, 415);
  EXPECT_TRUE(observer.questions.empty());
}

TEST_F(LoaderTest, TruncatedFrameInTheMiddle) {
  auto cut = t::makeFrame({});
  cut.resize(300);
  t::Mp3Builder b;
  b.frames(2).raw(cut).frames(2);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  // The walk trusts the cut frame's header and lands inside the next frame,
  // so that frame's bytes stay with the cut one.
  ASSERT_EQ(count(), 4);
  EXPECT_EQ(frame(3).filePosition, 1551);
  EXPECT_EQ(frame(2).storedLength, 717);
  EXPECT_EQ(observer.questions, std::vector<std::string>{"Improper frame size at position 834 to 1,551."});
}

TEST_F(LoaderTest, UnknownHeaderBeforeTheFirstFrame) {
  t::Mp3Builder b;
  b.raw("some leading junk").frames(3);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_TRUE(doc->layout.unknownHeaderFound);
  EXPECT_EQ(doc->layout.audioSearchStart, 0);
  EXPECT_EQ(doc->layout.unknownHeaderSize, 17);
}

TEST_F(LoaderTest, OnlyTheFirstFrameIsSearchedForAVbrTag) {
  t::Mp3Builder b;
  b.vbrTag(t::VbrKind::Xing, {}, 3, 1251);
  b.raw(t::makeVbrTagFrame({}, t::VbrKind::Info, 3, 1251));
  b.frames(3);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  ASSERT_EQ(count(), 5);  // the loaded file keeps its tag frame
  EXPECT_EQ(frame(0).vbrHeaderKind, kVbrXing);
  EXPECT_EQ(frame(1).vbrHeaderKind, kVbrNone);
}

TEST_F(LoaderTest, SyncBytesInsideTheTrailingTagsAreNotFrames) {
  // An ID3v1 title whose bytes happen to look like a frame header.
  t::Mp3Builder b;
  b.frames(3).id3v1(std::string("\xFF\xFB\x90\x64 title", 10));
  observer.answer = false;
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  EXPECT_EQ(count(), 3);
  EXPECT_EQ(frame(2).storedLength, 417);
  EXPECT_TRUE(observer.questions.empty());

  t::Mp3Builder lyrics;
  lyrics.frames(3).lyrics3v1(std::string("\xFF\xFB\x90\x64", 4)).id3v1("T");
  ASSERT_EQ(load(lyrics.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(count(), 3);
}

TEST_F(LoaderTest, FrameTableGrowsPastItsFirstBlock) {
  const int n = 70000;
  t::Mp3Builder b;
  b.frames(n, kSmall);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  ASSERT_EQ(count(), n);
  EXPECT_GE(doc->frameTable.capacity(), size_t(n));
  for (int32_t i : {0, 9749, 9750, 65535, 65536, n - 1}) {
    EXPECT_EQ(frame(i).filePosition, i * 96) << i;
    EXPECT_EQ(frame(i).storedLength, 96) << i;
  }
  EXPECT_EQ(doc->frameList.back(), n - 1);
  EXPECT_EQ(doc->rateHistogram[1], n);
  // Progress every 128 frames, from count 64 on, as blocks of 56.
  EXPECT_EQ(observer.blocks.size(), size_t((n - 64) / 128 + 1));
  EXPECT_EQ(observer.blocks.front(), 0);
  EXPECT_EQ(observer.blocks.back(), 55);
}

TEST_F(LoaderTest, ChunkBoundariesKeepEveryFrame) {
  // Irregular frame sizes after an odd-sized tag put frames across every
  // kind of chunk edge. Their audio data holds header-like bytes that only
  // a walk landing inside a frame would take for frames.
  t::Mp3Builder b;
  b.id3v2(3, 0, 0, std::vector<uint8_t>(1233, 0));
  std::vector<size_t> offsets;
  for (int i = 0; i < 7300; ++i) {
    t::FrameSpec spec;
    spec.padding = i % 3 == 0;
    spec.bitrateIndex = i % 5 == 0 ? 10 : 9;
    auto bytes = t::makeFrame(spec);
    for (size_t k = 40; k + 4 <= bytes.size(); k += 23) {
      bytes[k] = 0xFF;
      bytes[k + 1] = 0xFB;
      bytes[k + 2] = 0x10;
      bytes[k + 3] = 0x64;
    }
    offsets.push_back(b.size());
    b.raw(bytes);
  }
  ASSERT_GT(b.size(), 3000000u);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  ASSERT_EQ(size_t(count()), offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i) {
    ASSERT_EQ(frame(int32_t(i)).filePosition, int32_t(offsets[i])) << i;
  }
  EXPECT_TRUE(observer.questions.empty());
}

TEST_F(LoaderTest, LastChunkLongerThanTheScanLimit) {
  // 19,750 frames of 96 bytes: the second chunk holds 960,000 bytes, more
  // than the 936,000 a chunk may start frames in.
  t::Mp3Builder b;
  b.frames(19750, kSmall);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  ASSERT_EQ(count(), 19750);
  EXPECT_EQ(frame(19749).filePosition, 19749 * 96);
  EXPECT_EQ(frame(19749).storedLength, 96);
}

TEST_F(LoaderTest, FirstProgressStepAtFrame64) {
  t::Mp3Builder b;
  b.frames(63);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_TRUE(observer.blocks.empty());
  b.frames(1);
  ASSERT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Loaded);
  EXPECT_EQ(observer.blocks, std::vector<int>{55});  // frame 63 starts at 26,271 of 26,688 bytes
}

TEST_F(LoaderTest, CancelAtAProgressStepLeavesNothing) {
  t::Mp3Builder b;
  b.frames(300);
  observer.onProgress = [](int) { return ScanObserver::Checkpoint::Cancel; };
  EXPECT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::Cancelled);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(observer.blocks.size(), 1u);
  observer.onProgress = [](int) { return ScanObserver::Checkpoint::CloseWindow; };
  EXPECT_EQ(load(b.bytes()).outcome, LoadResult::Outcome::WindowClosing);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, FileTruncatedDuringTheScanIsADiskError) {
  uintmax_t cutTo = 500000;
  observer.onProgress = [&](int) {
    if (std::filesystem::file_size(path_) > cutTo) std::filesystem::resize_file(path_, cutTo);
    return ScanObserver::Checkpoint::Continue;
  };
  t::Mp3Builder big;
  big.frames(3000);  // 1.25 MB: two chunks
  LoadResult r = load(big.bytes());
  EXPECT_EQ(r.outcome, LoadResult::Outcome::Failed);
  EXPECT_EQ(r.message, msg::kDiskError);
  EXPECT_EQ(count(), 0);

  // Within the one chunk already read, too.
  t::Mp3Builder small;
  small.frames(300);
  cutTo = 1000;
  r = load(small.bytes());
  EXPECT_EQ(r.message, msg::kDiskError);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, FileDeletedDuringTheScanIsStillReadWhole) {
  t::Mp3Builder b;
  b.frames(3000);
  observer.onProgress = [&](int) {
    std::filesystem::remove(path_);
    return ScanObserver::Checkpoint::Continue;
  };
  // The open file stays readable to its end, so every frame is there.
  const LoadResult r = load(b.bytes());
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  EXPECT_EQ(count(), 3000);
}

TEST(FreeFormatWarning, Texts) {
  EXPECT_EQ(freeFormatWarning("Possible playtime error < ", 1, 0),
            "Possible playtime error <  2.6E-0002 sec\r\n(due to free format frame)");
  EXPECT_EQ(freeFormatWarning("Possible length error < ", 3, 1),
            "Possible length error <  7.2E-0002 sec\r\n(due to free format frames)");
  // Mixed rates count with the 32 kHz duration.
  EXPECT_EQ(freeFormatWarning("Possible playtime error < ", 2, 3),
            "Possible playtime error <  7.2E-0002 sec\r\n(due to free format frames)");
}

}  // namespace
}  // namespace kavrel
