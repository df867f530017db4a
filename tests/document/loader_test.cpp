// The layout scan and frame walk of the loader, driven directly with a
// scripted policy: leading and trailing blocks, frame sizes, chunking,
// damaged input. Messages, cancelling and files changing under the scan are
// checked through the Editor (tests/app/editor_load_test.cpp).
#include "document/loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
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

  bool tryToContinue(const std::string& message) override {
    questions.push_back(message);
    return answer;
  }
  Checkpoint progress(int b) override {
    blocks.push_back(b);
    return Checkpoint::Continue;
  }
};

class LoaderTest : public ::testing::Test {
 protected:
  LoadResult load(const std::vector<uint8_t>& bytes) {
    t::writeFile(path_, bytes);
    return loadPath(path_);
  }
  LoadResult load(const t::Mp3Builder& b) { return load(b.bytes()); }
  bool loads(const std::vector<uint8_t>& bytes) { return load(bytes).outcome == LoadResult::Outcome::Loaded; }
  bool loads(const t::Mp3Builder& b) { return loads(b.bytes()); }
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
  const auto b = t::Mp3Builder().frames(10).frame({.padding = true}).frames(5);
  const LoadResult r = load(b);
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
  }
  EXPECT_EQ(doc->gainList, std::vector<GainPair>(16));
  EXPECT_EQ(doc->sourceFirstFrame[0], 0);
  EXPECT_EQ(doc->sourceFirstFrame[1], 16);
  EXPECT_EQ(doc->sourceNames[0], path_);
  EXPECT_EQ(doc->sourceFileSize, int64_t(b.size()));
  EXPECT_EQ(doc->sourceSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->editSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->sourceRateHistogram, (std::array<int32_t, 3>{16, 0, 0}));
  EXPECT_EQ(doc->sourceKbpsHistogram[9], 16);
  EXPECT_EQ(doc->sourceModeHistogram[1], 16);
  EXPECT_FALSE(doc->layout.unknownHeaderFound || doc->layout.unknownFooterFound);
  EXPECT_TRUE(observer.questions.empty());
  EXPECT_EQ(r.freeFormatFrames, 0);
}

TEST_F(LoaderTest, SmallestFileAndAFolder) {
  // A single 96-byte frame in a 256-byte file is an mp3 file.
  EXPECT_TRUE(loads(t::Mp3Builder().frame(kSmall).zeros(160)));
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(loadPath(dir_.path()).message, msg::kDiskError);
  EXPECT_EQ(doc->frameList.size(), 0u);
}

TEST_F(LoaderTest, FilesOf2GiBAreRefused) {
  t::writeFile(path_, {});
  std::filesystem::resize_file(path_, uintmax_t(1) << 31);  // sparse: nothing is written
  EXPECT_EQ(loadPath(path_).message, msg::kDiskError);
  // Nor can such a file be inserted.
  Document d;
  d.loadPath = dir_.file("base.mp3");
  t::writeFile(d.loadPath, t::Mp3Builder().frames(3).bytes());
  ASSERT_EQ(loadDocumentFile(d, buffer_, observer).outcome, LoadResult::Outcome::Loaded);
  const InsertResult r = insertFileFrames(d, buffer_, path_, 0, 1, observer);
  EXPECT_EQ(r.status, 14);
  EXPECT_EQ(r.message, msg::kInsertRead);
  EXPECT_EQ(d.frameTable.count(), 3);
  std::filesystem::remove(path_);
}

TEST_F(LoaderTest, LeadingBlocks) {
  const std::vector<uint8_t> body20(20, 0), body50(50, 0), body100(100, 0);
  struct Case {
    const char* what;
    t::Mp3Builder bytes;        // ends in three frames
    int64_t tagStart, tagSize;  // size 0: no tag
    int64_t riffPos, riffSize;  // size 0: no RIFF header
    int64_t searchStart, unknownSize;
  };
  const Case cases[] = {
      {"2.4 tag with footer", t::Mp3Builder().id3v2(4, 0, 0x10, body100, true), 0, 120, 0, 0, 120, 0},
      // The footer flag means nothing before 2.4: its 10 bytes are unknown data.
      {"2.3 tag with footer", t::Mp3Builder().id3v2(3, 0, 0xF0, body100, true), 0, 110, 0, 0, 110, 10},
      {"version 0xFF", t::Mp3Builder().id3v2(0xFF, 0, 0, body50), 0, 0, 0, 0, 0, 60},
      {"revision 0xFF", t::Mp3Builder().id3v2(3, 0xFF, 0, body50), 0, 0, 0, 0, 0, 60},
      // 1 x 128 + 0x80: 256 with the top bit kept, 128 with it masked.
      {"size bytes not masked",
       t::Mp3Builder().raw(std::vector<uint8_t>{'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0x80}).zeros(256), 0, 266, 0,
       0, 266, 0},
      {"tag beyond the first read", t::Mp3Builder().id3v2(3, 0, 0, std::vector<uint8_t>(1100001, 0)), 0,
       1100011, 0, 0, 1100011, 0},
      {"RIFF then tag", t::Mp3Builder().riff(36).id3v2(3, 0, 0, std::vector<uint8_t>(30, 0)), 44, 40, 0, 44,
       84, 0},
      // A second tag after the RIFF header is not looked for.
      {"tag, RIFF, tag", t::Mp3Builder().id3v2(3, 0, 0, body20).riff(36).id3v2(3, 0, 0, body20), 0, 30, 30,
       44, 74, 30},
      {"RIFF data at 516", t::Mp3Builder().riff(516), 0, 0, 0, 524, 524, 0},
      {"junk", t::Mp3Builder().raw("some leading junk"), 0, 0, 0, 0, 0, 17},
  };
  for (const Case& c : cases) {
    auto b = c.bytes;
    ASSERT_TRUE(loads(b.frames(3))) << c.what;
    const FileLayout& l = doc->layout;
    EXPECT_EQ(l.id3v2Found, c.tagSize > 0) << c.what;
    EXPECT_EQ(doc->tagHeader.startOffset, c.tagStart) << c.what;
    EXPECT_EQ(doc->tagHeader.size, c.tagSize) << c.what;
    EXPECT_EQ(l.riffFound, c.riffSize > 0) << c.what;
    EXPECT_EQ(l.riffPos, c.riffPos) << c.what;
    EXPECT_EQ(l.riffSize, c.riffSize) << c.what;
    EXPECT_EQ(l.audioSearchStart, c.searchStart) << c.what;
    EXPECT_EQ(l.unknownHeaderFound, c.unknownSize > 0) << c.what;
    EXPECT_EQ(l.unknownHeaderSize, c.unknownSize) << c.what;
    ASSERT_EQ(count(), 3) << c.what;
    EXPECT_EQ(frame(0).filePosition, c.searchStart + c.unknownSize) << c.what;
    EXPECT_TRUE(observer.questions.empty()) << c.what;
  }
}

TEST_F(LoaderTest, Id3v2HeaderFlagsByVersion) {
  ASSERT_TRUE(loads(t::Mp3Builder().id3v2(4, 0, 0x10, std::vector<uint8_t>(100, 0), true).frames(3)));
  EXPECT_TRUE(doc->tagHeader.footer);
  EXPECT_EQ(doc->tagHeader.inputVersion, 4);
  ASSERT_TRUE(loads(t::Mp3Builder().id3v2(3, 0, 0xF0, std::vector<uint8_t>(100, 0), true).frames(3)));
  EXPECT_FALSE(doc->tagHeader.footer);
  EXPECT_TRUE(doc->tagHeader.unsynchronisation && doc->tagHeader.extendedHeader &&
              doc->tagHeader.experimental);
  ASSERT_TRUE(loads(t::Mp3Builder().id3v2(2, 0, 0x60, {}).frames(3)));
  EXPECT_FALSE(doc->tagHeader.extendedHeader || doc->tagHeader.experimental);  // not in version 2.2
  EXPECT_EQ(doc->tagHeader.inputVersion, 2);
  ASSERT_TRUE(loads(t::Mp3Builder().id3v2(9, 1, 0, {}).frames(3)));
  EXPECT_EQ(doc->tagHeader.majorVersion, 9);
  EXPECT_EQ(doc->tagHeader.inputVersion, 5);  // limited to 2..5
}

TEST_F(LoaderTest, Id3v2SizeBeyondTheFileFailsCleanly) {
  const LoadResult r = load(
      t::Mp3Builder().raw(std::vector<uint8_t>{'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).frames(5));
  EXPECT_EQ(r.outcome, LoadResult::Outcome::Failed);
  EXPECT_EQ(r.message, msg::kNoFrames);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, RiffWithoutDataAsksAndGoesOnAfterTheSearchedRange) {
  // Frames at 44, 461, 878, ...; the search for "data" ends at 516.
  const auto b = t::Mp3Builder().riff(36, false).frames(5);
  ASSERT_TRUE(loads(b));
  EXPECT_EQ(observer.questions, std::vector<std::string>{"Improper or unknown header format."});
  EXPECT_TRUE(doc->layout.riffFound);
  EXPECT_EQ(doc->layout.audioSearchStart, 517);
  EXPECT_EQ(count(), 3);
  EXPECT_EQ(frame(0).filePosition, 878);
  EXPECT_EQ(doc->layout.unknownHeaderSize, 878 - 517);

  observer.answer = false;
  EXPECT_EQ(load(t::Mp3Builder().riff(517).frames(3)).message, msg::kRiffNotMp3);
}

TEST_F(LoaderTest, TwoBytesOfSlackAreNoError) {
  observer.answer = false;
  ASSERT_TRUE(loads(t::Mp3Builder().frames(2).raw("ab").frames(2)));
  EXPECT_EQ(frame(1).storedLength, 419);
  EXPECT_TRUE(observer.questions.empty());
  EXPECT_EQ(load(t::Mp3Builder().frames(2).raw("abc").frames(2)).message, msg::kImproperFrameSize);
}

TEST_F(LoaderTest, FreeFormatFramesGetNoSizeCheck) {
  t::FrameSpec free{.bitrateIndex = 0};
  free.freeFormatLength = 300;
  observer.answer = false;
  const LoadResult r = load(t::Mp3Builder().frames(4, free).raw("xyz").frames(2, free));
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  ASSERT_EQ(count(), 6);
  EXPECT_EQ(frame(3).storedLength, 303);
  EXPECT_EQ(frame(0).computedLength, 29);
  EXPECT_EQ(r.freeFormatFrames, 6);
  EXPECT_EQ(doc->editSummary.bitrate, 0);
}

TEST_F(LoaderTest, SyncLikeGarbageIsSkippedByteByByte) {
  const auto b = t::Mp3Builder().frames(2).raw(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE3, 0x90}).frames(2);
  ASSERT_TRUE(loads(b));
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(frame(1).storedLength, 422);
  // FF FF is Layer I, FF E3 MPEG 2.5; then the frame size.
  EXPECT_EQ(observer.questions,
            (std::vector<std::string>{"Seems like mp1, not mp3 file.", "Seems like mp1, not mp3 file.",
                                      "Mpeg version 2.5 not supported.",
                                      "Improper frame size at position 417 to 839."}));
  observer.answer = false;
  observer.questions.clear();
  EXPECT_EQ(load(b).message, "Seems like mp1, not mp3 file.");
}

// `count` frames of another MPEG version or layer: the header, then zeros up
// to the length that header states.
std::vector<uint8_t> foreignFrames(std::array<uint8_t, 4> header, size_t length, int count,
                                   const std::vector<uint8_t>& inside = {}) {
  std::vector<uint8_t> frame(header.begin(), header.end());
  frame.resize(length, 0);
  std::copy(inside.begin(), inside.end(), frame.begin() + 40);
  std::vector<uint8_t> out;
  for (int i = 0; i < count; ++i) out.insert(out.end(), frame.begin(), frame.end());
  return out;
}

TEST_F(LoaderTest, FilesOfOtherVersionsOrLayersAreRefusedWhateverThePolicy) {
  struct Case {
    std::array<uint8_t, 4> header;
    size_t length;
    const char* message;
  };
  const Case cases[] = {
      {{0xFF, 0xF3, 0x80, 0xC4}, 208, "Mpeg version 2 not supported."},    // 64 kbit/s, 22.05 kHz
      {{0xFF, 0xE3, 0x48, 0xC4}, 288, "Mpeg version 2.5 not supported."},  // 32 kbit/s, 8 kHz
      {{0xFF, 0xFD, 0x80, 0x44}, 417, "Seems like mp2, not mp3 file."}};   // 128 kbit/s, 44.1 kHz
  // An MPEG-1 Layer III header inside their data is no frame either.
  const auto header = t::makeHeader(kSmall);
  const std::vector<uint8_t> fake(header.begin(), header.end());
  for (const Case& c : cases) {
    observer.questions.clear();
    const LoadResult r = load(t::Mp3Builder().raw(foreignFrames(c.header, c.length, 20, fake)));
    EXPECT_EQ(r.message, c.message);
    EXPECT_TRUE(observer.questions.empty()) << c.message;
    EXPECT_EQ(count(), 0);
  }
  // Following MPEG-1 frames they are damaged data under the policy: no frame
  // is found in them and they end up in the unknown footer.
  const auto mixed = t::Mp3Builder().frames(5).raw(foreignFrames(cases[0].header, 208, 20, fake));
  ASSERT_TRUE(loads(mixed));
  EXPECT_EQ(count(), 5);
  EXPECT_EQ(doc->layout.unknownFooterSize, 20 * 208);
}

TEST_F(LoaderTest, RandomBytesHoldNoFrames) {
  std::mt19937 random(7);
  std::vector<uint8_t> noise(2'000'000);
  for (uint8_t& b : noise) b = uint8_t(random());
  EXPECT_EQ(load(noise).message, msg::kNoFrames);
  // A few bad bytes between good frames are still skipped.
  noise.resize(9);
  ASSERT_TRUE(loads(t::Mp3Builder().frames(3).raw(noise).frames(3)));
  EXPECT_EQ(count(), 6);
}

TEST_F(LoaderTest, RiffDataChunkEndsTheFrames) {
  // The data chunk's pad byte and a chunk after it with sync-like bytes.
  auto b = t::Mp3Builder()
               .riff(36)
               .frames(5)
               .raw(std::vector<uint8_t>{0})
               .raw("LIST")
               .raw(std::vector<uint8_t>{4, 0, 0, 0})
               .raw(t::makeFrame({}));
  auto bytes = b.bytes();
  bytes[40] = uint8_t(5 * 417 % 256);
  bytes[41] = uint8_t(5 * 417 / 256);
  bytes[42] = bytes[43] = 0;
  ASSERT_TRUE(loads(bytes));
  EXPECT_EQ(count(), 5);
  EXPECT_EQ(frame(4).storedLength, 417);
  EXPECT_EQ(doc->layout.unknownFooterPos, 44 + 5 * 417);
  EXPECT_EQ(doc->layout.unknownFooterSize, int64_t(bytes.size()) - (44 + 5 * 417));
  // A data size of 0 (a streamed file) or past the end bounds nothing.
  for (uint8_t size : {0x00, 0xFF}) {
    bytes[40] = bytes[41] = bytes[42] = bytes[43] = size;
    ASSERT_TRUE(loads(bytes));
    EXPECT_EQ(count(), 6);
  }
}

TEST_F(LoaderTest, RefusedHeadersFollowThePolicy) {
  struct Case {
    t::FrameSpec spec;
    const char* message;
  };
  const Case cases[] = {{{.layerCode = 2}, "Seems like mp2, not mp3 file."},
                        {{.versionCode = 0}, "Mpeg version 2.5 not supported."},
                        {{.versionCode = 2}, "Mpeg version 2 not supported."},
                        {{.sampleRateIndex = 3}, "Invalid frequency detected."}};
  for (const Case& c : cases) {
    const auto b = t::Mp3Builder().frames(4, c.spec);
    observer.answer = false;
    observer.questions.clear();
    EXPECT_EQ(load(b).message, c.message);
    EXPECT_EQ(observer.questions.size(), 1u);
    observer.answer = true;
    EXPECT_EQ(load(b).message, msg::kNoFrames);
    EXPECT_EQ(count(), 0);
  }
}

TEST_F(LoaderTest, TrailingBlocksTileTheEndOfTheFile) {
  // After three frames (1,251 bytes): unknown data, Lyrics3, ID3v1, in that
  // order, each ending where the next starts, and none of it taken for frames.
  const std::string sync("\xFF\xFB\x90\x64", 4);
  struct Case {
    const char* what;
    t::Mp3Builder tail;
    int64_t footerSize;
    int lyricsVersion;  // 0: none
    int64_t lyricsSize, id3v1Size;
  };
  const Case cases[] = {
      {"ID3v1", t::Mp3Builder().id3v1("Title"), 0, 0, 0, 128},
      {"ID3v1 and a byte", t::Mp3Builder().id3v1("Title").zeros(1), 0, 0, 0, 129},
      {"ID3v1 and two bytes", t::Mp3Builder().id3v1("Title").zeros(2), 130, 0, 0, 0},
      {"TAG 125 bytes from the end", t::Mp3Builder().raw("TAG").zeros(122), 0, 0, 0, 125},
      {"sync bytes in the title", t::Mp3Builder().id3v1(sync + " title"), 0, 0, 0, 128},
      {"Lyrics3 v2 and ID3v1", t::Mp3Builder().lyrics3v2("IND00002").id3v1("T"), 0, 2, 11 + 8 + 6 + 9, 128},
      {"Lyrics3 v1", t::Mp3Builder().lyrics3v1("some words"), 0, 1, 11 + 10 + 9, 0},
      {"sync bytes in the lyrics", t::Mp3Builder().lyrics3v1(sync).id3v1("T"), 0, 1, 11 + 4 + 9, 128},
      {"Lyrics3 v1 of 5,100 bytes", t::Mp3Builder().lyrics3v1(std::string(5080, 'a')), 0, 1, 5100, 0},
      {"Lyrics3 v1 of 5,101 bytes", t::Mp3Builder().lyrics3v1(std::string(5081, 'a')), 5101, 0, 0, 0},
      {"end marker without a begin", t::Mp3Builder().raw("LYRICSEND"), 9, 0, 0, 0},
      // "TAG" inside lyrics that end the file is part of the lyrics.
      {"TAG in the lyrics", t::Mp3Builder().lyrics3v1("VINTAGE" + std::string(115, 'z')), 0, 1, 11 + 122 + 9,
       0},
      // A marker 137 bytes from the end counts only with an ID3v1 tag after
      // it; otherwise 128 bytes would belong to no block.
      {"marker without ID3v1", t::Mp3Builder().lyrics3v2("IND00002").zeros(128), 34 + 128, 0, 0, 0},
      {"marker before a 129-byte ID3v1", t::Mp3Builder().lyrics3v2("IND00002").id3v1("T").zeros(1), 34, 0, 0,
       129},
  };
  observer.answer = false;
  for (const Case& c : cases) {
    auto b = t::Mp3Builder().frames(3);
    b.raw(c.tail.bytes());
    ASSERT_TRUE(loads(b)) << c.what;
    const FileLayout& l = doc->layout;
    ASSERT_EQ(count(), 3) << c.what;
    EXPECT_EQ(frame(2).storedLength, 417) << c.what;
    EXPECT_EQ(l.unknownFooterFound, c.footerSize > 0) << c.what;
    if (c.footerSize > 0) {
      EXPECT_EQ(l.unknownFooterPos, 1251) << c.what;
      EXPECT_EQ(l.unknownFooterSize, c.footerSize) << c.what;
    }
    EXPECT_EQ(l.lyrics3Found, c.lyricsVersion > 0) << c.what;
    if (c.lyricsVersion > 0) {
      EXPECT_EQ(l.lyrics3Version, c.lyricsVersion) << c.what;
      EXPECT_EQ(l.lyrics3Pos, 1251 + c.footerSize) << c.what;
      EXPECT_EQ(l.lyrics3Size, c.lyricsSize) << c.what;
    }
    EXPECT_EQ(l.id3v1Found, c.id3v1Size > 0) << c.what;
    if (c.id3v1Size > 0) {
      EXPECT_EQ(l.id3v1Pos, int64_t(b.size()) - c.id3v1Size) << c.what;
      EXPECT_EQ(l.id3v1Size, c.id3v1Size) << c.what;
    }
    EXPECT_EQ(1251 + c.footerSize + c.lyricsSize + c.id3v1Size, int64_t(b.size())) << c.what;
  }
  EXPECT_TRUE(observer.questions.empty());
  // A Lyrics3 marker alone is no mp3 file.
  EXPECT_EQ(load(t::Mp3Builder().zeros(300).raw("LYRICS200")).message, msg::kNoFrames);
}

TEST_F(LoaderTest, UnknownFooterAfterTheLastFrame) {
  struct Case {
    size_t zeros;
    bool footer;
  };
  for (const Case c : {Case{500, true}, Case{3, true}, Case{2, false}}) {
    ASSERT_TRUE(loads(t::Mp3Builder().frames(3, kSmall).zeros(c.zeros)));
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
    ASSERT_TRUE(loads(t::Mp3Builder().frames(3, free).zeros(zeros)));
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
  const auto b = t::Mp3Builder().frames(3).raw(cut);
  ASSERT_TRUE(loads(b));
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(frame(3).storedLength, 200);
  EXPECT_EQ(observer.questions, std::vector<std::string>{"The last frame is incomplete (position 1,251)."});
  observer.answer = false;
  EXPECT_EQ(load(b).message, msg::kImproperFrameSize);

  // Two bytes short is within the tolerance.
  observer.questions.clear();
  cut = t::makeFrame({});
  cut.resize(415);
  ASSERT_TRUE(loads(t::Mp3Builder().frames(3).raw(cut)));
  EXPECT_EQ(frame(3).storedLength, 415);
  EXPECT_TRUE(observer.questions.empty());
}

TEST_F(LoaderTest, TruncatedFrameInTheMiddle) {
  auto cut = t::makeFrame({});
  cut.resize(300);
  ASSERT_TRUE(loads(t::Mp3Builder().frames(2).raw(cut).frames(2)));
  // The walk trusts the cut frame's header and lands inside the next frame,
  // so that frame's bytes stay with the cut one.
  ASSERT_EQ(count(), 4);
  EXPECT_EQ(frame(3).filePosition, 1551);
  EXPECT_EQ(frame(2).storedLength, 717);
  EXPECT_EQ(observer.questions, std::vector<std::string>{"Improper frame size at position 834 to 1,551."});
}

TEST_F(LoaderTest, OnlyTheFirstFrameIsSearchedForAVbrTag) {
  ASSERT_TRUE(loads(t::Mp3Builder()
                        .vbrTag(t::VbrKind::Xing, {}, 3, 1251)
                        .raw(t::makeVbrTagFrame({}, t::VbrKind::Info, 3, 1251))
                        .frames(3)));
  ASSERT_EQ(count(), 5);  // the loaded file keeps its tag frame
  EXPECT_EQ(frame(0).vbrHeaderKind, kVbrXing);
  EXPECT_EQ(frame(1).vbrHeaderKind, kVbrNone);
}

TEST_F(LoaderTest, FrameTableGrowsPastItsFirstBlock) {
  const int n = 70000;
  ASSERT_TRUE(loads(t::Mp3Builder().frames(n, kSmall)));
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
  ASSERT_TRUE(loads(b));
  ASSERT_EQ(size_t(count()), offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i) {
    ASSERT_EQ(frame(int32_t(i)).filePosition, int32_t(offsets[i])) << i;
  }
  EXPECT_TRUE(observer.questions.empty());
}

TEST_F(LoaderTest, LastChunkLongerThanTheScanLimit) {
  // 19,750 frames of 96 bytes: the second chunk holds 960,000 bytes, more
  // than the 936,000 a chunk may start frames in.
  ASSERT_TRUE(loads(t::Mp3Builder().frames(19750, kSmall)));
  ASSERT_EQ(count(), 19750);
  EXPECT_EQ(frame(19749).filePosition, 19749 * 96);
  EXPECT_EQ(frame(19749).storedLength, 96);
}

TEST_F(LoaderTest, FirstProgressStepAtFrame64) {
  t::Mp3Builder b;
  ASSERT_TRUE(loads(b.frames(63)));
  EXPECT_TRUE(observer.blocks.empty());
  ASSERT_TRUE(loads(b.frames(1)));
  EXPECT_EQ(observer.blocks, std::vector<int>{55});  // frame 63 starts at 26,271 of 26,688 bytes
}

TEST(FreeFormatWarning, MixedRatesCountWithThe32kHzDuration) {
  // The single-rate texts are checked through the Editor's load and insert.
  EXPECT_EQ(freeFormatWarning("Possible playtime error < ", 2, 3),
            "Possible playtime error <  7.2E-0002 sec\r\n(due to free format frames)");
}

}  // namespace
}  // namespace kavrel
