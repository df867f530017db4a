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
using Strings = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// 96-byte frames (32 kbit/s at 48 kHz) keep large files small.
constexpr t::FrameSpec kSmall{.bitrateIndex = 1, .sampleRateIndex = 1};
constexpr t::FrameSpec kFree300{.bitrateIndex = 0, .freeFormatLength = 300};
constexpr t::FrameSpec kFree200{.bitrateIndex = 0, .freeFormatLength = 200};

// A file, the layout() it loads to when every question is answered yes, the
// questions asked, and the message when the first is answered no.
struct Case {
  t::Mp3Builder bytes;
  std::string layout;
  Strings asked = {};
  std::string refused = "";
};

// The fixture is the scan's observer too: it answers every question with
// `answer` and keeps the questions and progress blocks of the last load.
class LoaderTest : public ::testing::Test, public ScanObserver {
 protected:
  bool tryToContinue(const std::string& message) override {
    questions.push_back(message);
    return answer;
  }
  Checkpoint progress(int b) override {
    blocks.push_back(b);
    return Checkpoint::Continue;
  }
  LoadResult load(const t::Mp3Builder& b) {
    t::writeFile(path_, b.bytes());
    return loadPath(path_);
  }
  bool loads(const t::Mp3Builder& b) { return load(b).outcome == LoadResult::Outcome::Loaded; }
  LoadResult loadPath(const std::string& path) {
    questions.clear();
    blocks.clear();
    doc = std::make_unique<Document>();
    doc->loadPath = path;
    return loadDocumentFile(*doc, buffer_, *this);
  }
  // The message of a load that gives up at the first question.
  std::string refusal(const t::Mp3Builder& b) {
    answer = false;
    const std::string message = load(b).message;
    answer = true;
    return message;
  }
  const FrameInfo& frame(int32_t i) const { return doc->frameTable[i]; }
  int32_t count() const { return doc->frameTable.count(); }

  // The blocks as "name position+size" ("?" when found is not set) and the
  // frames as "frames first-position: stored lengths", so that one text
  // states the whole layout.
  std::string layout() const {
    const FileLayout& l = doc->layout;
    std::string s;
    auto block = [&](const std::string& name, bool found, int64_t pos, int64_t size) {
      if (found || size != 0)
        s += name + (found ? " " : "? ") + std::to_string(pos) + "+" + std::to_string(size) + ", ";
    };
    block("tag", l.id3v2Found, doc->tagHeader.startOffset, doc->tagHeader.size);
    block("riff", l.riffFound, l.riffPos, l.riffSize);
    block("head", l.unknownHeaderFound, l.audioSearchStart, l.unknownHeaderSize);
    if (count() > 20) s += std::to_string(count()) + " ";
    s += "frames " + std::to_string(count() > 0 ? frame(0).filePosition : -1) + ":";
    for (int32_t i = count() > 20 ? count() - 1 : 0; i < count(); ++i)
      s += " " + std::to_string(frame(i).storedLength);
    s += ", ";
    block("foot", l.unknownFooterFound, l.unknownFooterPos, l.unknownFooterSize);
    block("lyrics" + std::to_string(l.lyrics3Version), l.lyrics3Found, l.lyrics3Pos, l.lyrics3Size);
    block("v1", l.id3v1Found, l.id3v1Pos, l.id3v1Size);
    return s.substr(0, s.size() - 2);
  }

  void expectLayouts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      ASSERT_TRUE(loads(c.bytes)) << c.layout;
      EXPECT_EQ(layout(), c.layout);
      EXPECT_EQ(questions, c.asked) << c.layout;
      EXPECT_EQ(refusal(c.bytes), c.refused) << c.layout;
    }
  }

  t::TempDir dir_;
  std::string path_ = dir_.file("in.mp3");
  Bytes buffer_;
  bool answer = true;
  Strings questions;
  std::vector<int> blocks;
  std::unique_ptr<Document> doc;
};

TEST_F(LoaderTest, BuildsTheDocumentOfAPlainFile) {
  const auto b = t::Mp3Builder().frames(10).frame({.padding = true}).frames(5);
  const LoadResult r = load(b);
  ASSERT_EQ(r.outcome, LoadResult::Outcome::Loaded) << r.message;
  EXPECT_EQ(layout(), "frames 0: 417 417 417 417 417 417 417 417 417 417 418 417 417 417 417 417");
  ASSERT_EQ(doc->documentFrameCount(), 16);
  for (int32_t i = 0; i < 16; ++i) {
    EXPECT_EQ(std::tuple(frame(i).sourceIndex, frame(i).averageGain, doc->frameList[size_t(i)]),
              std::tuple(0, 150, i));
  }
  EXPECT_EQ(doc->gainList, std::vector<GainPair>(16));
  EXPECT_EQ(std::pair(doc->sourceFirstFrame[0], doc->sourceFirstFrame[1]), std::pair(0, 16));
  EXPECT_EQ(doc->sourceNames[0], path_);
  EXPECT_EQ(doc->sourceFileSize, int64_t(b.size()));
  EXPECT_EQ(doc->sourceSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->editSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc->sourceRateHistogram, (std::array<int32_t, 3>{16, 0, 0}));
  EXPECT_EQ(std::pair(doc->sourceKbpsHistogram[9], doc->sourceModeHistogram[1]), std::pair(16, 16));
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(r.freeFormatFrames, 0);
}

TEST_F(LoaderTest, SmallestFileFolderAndFilesOf2GiB) {
  // A single 96-byte frame in a 256-byte file is an mp3 file.
  EXPECT_TRUE(loads(t::Mp3Builder().frame(kSmall).zeros(160)));
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(loadPath(dir_.path()).message, msg::kDiskError);
  EXPECT_EQ(doc->frameList.size(), 0u);

  const std::string huge = dir_.file("huge.mp3");
  t::writeFile(huge, {});
  std::filesystem::resize_file(huge, uintmax_t(1) << 31);  // sparse: nothing is written
  EXPECT_EQ(loadPath(huge).message, msg::kDiskError);
  // Nor can such a file be inserted.
  ASSERT_TRUE(loads(t::Mp3Builder().frames(3)));
  const InsertResult r = insertFileFrames(*doc, buffer_, huge, 0, 1, *this);
  EXPECT_EQ(r.status, InsertStatus::ReadFailed);
  EXPECT_EQ(r.message, msg::kInsertRead);
  EXPECT_EQ(doc->frameTable.count(), 3);
  std::filesystem::remove(huge);
}

TEST_F(LoaderTest, LeadingBlocks) {
  const Bytes body20(20, 0), body50(50, 0), body100(100, 0);
  auto at = [](int64_t first) { return "frames " + std::to_string(first) + ": 417 417 417"; };
  // A footer flag means nothing before 2.4: its 10 bytes are unknown data.
  // Size bytes 1, 0x80 are 256 with the top bit kept, 128 with it masked. A
  // second tag after the RIFF header is not looked for, nor a second RIFF
  // header after the tag.
  expectLayouts(
      {{t::Mp3Builder().id3v2(4, 0, 0x10, body100, true).frames(3), "tag 0+120, " + at(120)},
       {t::Mp3Builder().id3v2(3, 0, 0xF0, body100, true).frames(3), "tag 0+110, head 110+10, " + at(120)},
       {t::Mp3Builder().id3v2(0xFF, 0, 0, body50).frames(3), "head 0+60, " + at(60)},
       {t::Mp3Builder().id3v2(3, 0xFF, 0, body50).frames(3), "head 0+60, " + at(60)},
       {t::Mp3Builder().raw(Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0x80}).zeros(256).frames(3),
        "tag 0+266, " + at(266)},
       {t::Mp3Builder().id3v2(3, 0, 0, Bytes(1100001, 0)).frames(3), "tag 0+1100011, " + at(1100011)},
       {t::Mp3Builder().riff(36).id3v2(3, 0, 0, Bytes(30, 0)).frames(3), "tag 44+40, riff 0+44, " + at(84)},
       {t::Mp3Builder().id3v2(3, 0, 0, body20).riff(36).id3v2(3, 0, 0, body20).frames(3),
        "tag 0+30, riff 30+44, head 74+30, " + at(104)},
       {t::Mp3Builder().riff(36).id3v2(3, 0, 0, body20).riff(36).frames(3),
        "tag 44+30, riff 0+44, head 74+44, " + at(118)},
       {t::Mp3Builder().riff(516).frames(3), "riff 0+524, " + at(524)},
       {t::Mp3Builder().raw("some leading junk").frames(3), "head 0+17, " + at(17)},
       // Without "data" the scan asks and goes on after the searched range,
       // which ends at 516: of the frames at 44, 461, 878 ... the third is first.
       {t::Mp3Builder().riff(36, false).frames(5),
        "riff 0+0, head 517+361, " + at(878),
        {"Improper or unknown header format."},
        msg::kRiffNotMp3}});
}

TEST_F(LoaderTest, Id3v2HeaderFlagsByVersionAndASizeBeyondTheFile) {
  // Footer (F), unsynchronisation (U), extended header (X), experimental (E),
  // major and input version: the footer flag counts from 2.4 on, X and E not
  // in 2.2; the input version is limited to 2..5.
  const std::tuple<int, uint8_t, bool, const char*> cases[] = {
      {4, 0x10, true, "F--- 4 4"}, {3, 0xF0, true, "-UXE 3 3"}, {2, 0x60, false, "---- 2 2"},
      {9, 0, false, "---- 9 5"}};
  for (const auto& [major, flags, footer, expected] : cases) {
    ASSERT_TRUE(loads(t::Mp3Builder().id3v2(major, 0, flags, Bytes(100, 0), footer).frames(3)));
    const TagHeaderState& h = doc->tagHeader;
    EXPECT_EQ(std::string(h.footer ? "F" : "-") + (h.unsynchronisation ? "U" : "-") +
                  (h.extendedHeader ? "X" : "-") + (h.experimental ? "E" : "-") + " " +
                  std::to_string(h.majorVersion) + " " + std::to_string(h.inputVersion),
              expected);
  }
  const LoadResult r =
      load(t::Mp3Builder().raw(Bytes{'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).frames(5));
  EXPECT_EQ(r.outcome, LoadResult::Outcome::Failed);
  EXPECT_EQ(r.message, msg::kNoFrames);
  EXPECT_EQ(count(), 0);
}

TEST_F(LoaderTest, RiffDataChunkEndsTheFrames) {
  // Its pad byte and a chunk after it with sync-like bytes are no frames.
  auto bytes = t::Mp3Builder().riff(36).frames(5).raw(Bytes{0}).raw("LIST").raw(Bytes{4, 0, 0, 0}).bytes();
  const auto sync = t::makeFrame({});
  bytes.insert(bytes.end(), sync.begin(), sync.end());
  bytes[40] = uint8_t(5 * 417 % 256);
  bytes[41] = uint8_t(5 * 417 / 256);
  bytes[42] = bytes[43] = 0;
  // A data size of 0 (a streamed file) or one past the end bounds nothing:
  // the chunk then stays with the frame before it, whose size is questioned.
  auto withSize = [bytes](uint8_t size) mutable {
    bytes[40] = bytes[41] = bytes[42] = bytes[43] = size;
    return t::Mp3Builder().raw(bytes);
  };
  const Strings asked{"Improper frame size at position 1,712 to 2,138."};
  const std::string unbounded = "riff 0+44, frames 44: 417 417 417 417 426 417";
  expectLayouts({{t::Mp3Builder().raw(bytes), "riff 0+44, frames 44: 417 417 417 417 417, foot 2129+426"},
                 {withSize(0), unbounded, asked, msg::kImproperFrameSize},
                 {withSize(0xFF), unbounded, asked, msg::kImproperFrameSize}});
}

TEST_F(LoaderTest, DamagedFramesFollowThePolicy) {
  auto cut = [](size_t length) {
    auto frame = t::makeFrame({});
    frame.resize(length);
    return frame;
  };
  // Two bytes of slack are no error, three are; sync-like garbage is skipped
  // byte by byte: FF FF is Layer I, FF E3 MPEG 2.5; then the frame size.
  // Free-format frames get no size check. More than two bytes after the last
  // frame are unknown data; a free-format last frame needs 1,024 bytes past
  // its scan step (29) for that. Two bytes short is within the tolerance,
  // shorter is an incomplete frame. The walk trusts a cut frame's header and
  // lands inside the next frame, so that frame's bytes stay with the cut one.
  expectLayouts({{t::Mp3Builder().frames(2).raw("ab").frames(2), "frames 0: 417 419 417 417"},
                 {t::Mp3Builder().frames(2).raw("abc").frames(2),
                  "frames 0: 417 420 417 417",
                  {"Improper frame size at position 417 to 837."},
                  msg::kImproperFrameSize},
                 {t::Mp3Builder().frames(2).raw(Bytes{0xFF, 0xFF, 0xFF, 0xE3, 0x90}).frames(2),
                  "frames 0: 417 422 417 417",
                  {"Seems like mp1, not mp3 file.", "Seems like mp1, not mp3 file.",
                   "Mpeg version 2.5 not supported.", "Improper frame size at position 417 to 839."},
                  "Seems like mp1, not mp3 file."},
                 {t::Mp3Builder().frames(4, kFree300).raw("xyz").frames(2, kFree300),
                  "frames 0: 300 300 300 303 300 300"},
                 {t::Mp3Builder().frames(3, kSmall).zeros(500), "frames 0: 96 96 96, foot 288+500"},
                 {t::Mp3Builder().frames(3, kSmall).zeros(3), "frames 0: 96 96 96, foot 288+3"},
                 {t::Mp3Builder().frames(3, kSmall).zeros(2), "frames 0: 96 96 98"},
                 {t::Mp3Builder().frames(3, kFree200).zeros(852), "frames 0: 200 200 1052"},
                 {t::Mp3Builder().frames(3, kFree200).zeros(853), "frames 0: 200 200 29, foot 429+1024"},
                 {t::Mp3Builder().frames(3).raw(cut(415)), "frames 0: 417 417 417 415"},
                 {t::Mp3Builder().raw("junk").frame({}).zeros(2), "head 0+4, frames 4: 419"},
                 {t::Mp3Builder().frames(3).raw(cut(200)),
                  "frames 0: 417 417 417 200",
                  {"The last frame is incomplete (position 1,251)."},
                  msg::kImproperFrameSize},
                 {t::Mp3Builder().frames(2).raw(cut(300)).frames(2),
                  "frames 0: 417 417 717 417",
                  {"Improper frame size at position 834 to 1,551."},
                  msg::kImproperFrameSize}});

  const LoadResult r = load(t::Mp3Builder().frames(2, kFree300));
  EXPECT_EQ(frame(0).computedLength, 29);
  EXPECT_EQ(r.freeFormatFrames, 2);
  EXPECT_EQ(doc->editSummary.bitrate, 0);
}

// `count` frames of another MPEG version or layer: the header, then zeros up
// to the length that header states, with `inside` 40 bytes in.
Bytes foreignFrames(std::array<uint8_t, 4> header, size_t length, int count, const Bytes& inside) {
  Bytes frame(header.begin(), header.end());
  frame.resize(length, 0);
  std::copy(inside.begin(), inside.end(), frame.begin() + 40);
  Bytes out;
  for (int i = 0; i < count; ++i) out.insert(out.end(), frame.begin(), frame.end());
  return out;
}

TEST_F(LoaderTest, FilesOfOtherVersionsOrLayersAreRefusedWhateverThePolicy) {
  // 64 kbit/s at 22.05 kHz, 32 kbit/s at 8 kHz, 128 kbit/s Layer II at 44.1 kHz.
  const std::tuple<std::array<uint8_t, 4>, size_t, const char*> cases[] = {
      {{0xFF, 0xF3, 0x80, 0xC4}, 208, "Mpeg version 2 not supported."},
      {{0xFF, 0xE3, 0x48, 0xC4}, 288, "Mpeg version 2.5 not supported."},
      {{0xFF, 0xFD, 0x80, 0x44}, 417, "Seems like mp2, not mp3 file."}};
  // An MPEG-1 Layer III header inside their data is no frame either.
  const auto header = t::makeHeader(kSmall);
  const Bytes fake(header.begin(), header.end());
  for (const auto& [head, length, message] : cases) {
    const LoadResult r = load(t::Mp3Builder().raw(foreignFrames(head, length, 20, fake)));
    EXPECT_EQ(r.message, message);
    EXPECT_TRUE(questions.empty()) << message;
    EXPECT_EQ(count(), 0);
  }
  // Following MPEG-1 frames they are damaged data under the policy: no frame
  // is found in them and they end up in the unknown footer.
  const char* version2 = "Mpeg version 2 not supported.";
  expectLayouts({{t::Mp3Builder().frames(5).raw(foreignFrames(std::get<0>(cases[0]), 208, 20, fake)),
                  "frames 0: 417 417 417 417 417, foot 2085+4160", Strings(20, version2), version2}});
}

TEST_F(LoaderTest, RandomBytesHoldNoFrames) {
  std::mt19937 random(7);
  Bytes noise(2'000'000);
  for (uint8_t& b : noise) b = uint8_t(random());
  EXPECT_EQ(load(t::Mp3Builder().raw(noise)).message, msg::kNoFrames);
  // A few bad bytes between good frames are still skipped.
  noise.resize(9);
  ASSERT_TRUE(loads(t::Mp3Builder().frames(3).raw(noise).frames(3)));
  EXPECT_EQ(count(), 6);
}

TEST_F(LoaderTest, RefusedHeadersFollowThePolicy) {
  const std::pair<t::FrameSpec, const char*> cases[] = {
      {{.layerCode = 2}, "Seems like mp2, not mp3 file."},
      {{.versionCode = 0}, "Mpeg version 2.5 not supported."},
      {{.versionCode = 2}, "Mpeg version 2 not supported."},
      {{.sampleRateIndex = 3}, "Invalid frequency detected."}};
  for (const auto& [spec, message] : cases) {
    const auto b = t::Mp3Builder().frames(4, spec);
    EXPECT_EQ(refusal(b), message);
    EXPECT_EQ(questions.size(), 1u) << message;
    EXPECT_EQ(load(b).message, msg::kNoFrames);
    EXPECT_EQ(count(), 0);
  }
}

TEST_F(LoaderTest, TrailingBlocksTileTheEndOfTheFile) {
  // After three frames (1,251 bytes): unknown data, Lyrics3, ID3v1, in that
  // order, each ending where the next starts, and none of it taken for
  // frames. "TAG" inside lyrics that end the file is part of the lyrics. A
  // marker 137 bytes from the end counts only with an ID3v1 tag after it;
  // otherwise 128 bytes would belong to no block.
  const std::string sync("\xFF\xFB\x90\x64", 4);
  auto after3 = [](const t::Mp3Builder& tail) { return t::Mp3Builder().frames(3).raw(tail.bytes()); };
  const std::string frames = "frames 0: 417 417 417, ";
  expectLayouts(
      {{after3(t::Mp3Builder().id3v1("Title")), frames + "v1 1251+128"},
       {after3(t::Mp3Builder().id3v1("Title").zeros(1)), frames + "v1 1251+129"},
       {after3(t::Mp3Builder().id3v1("Title").zeros(2)), frames + "foot 1251+130"},
       {after3(t::Mp3Builder().raw("TAG").zeros(122)), frames + "v1 1251+125"},
       {after3(t::Mp3Builder().id3v1(sync + " title")), frames + "v1 1251+128"},
       {after3(t::Mp3Builder().lyrics3v2("IND00002").id3v1("T")), frames + "lyrics2 1251+34, v1 1285+128"},
       {after3(t::Mp3Builder().lyrics3v1("some words")), frames + "lyrics1 1251+30"},
       {after3(t::Mp3Builder().lyrics3v1(sync).id3v1("T")), frames + "lyrics1 1251+24, v1 1275+128"},
       {after3(t::Mp3Builder().lyrics3v1(std::string(5080, 'a'))), frames + "lyrics1 1251+5100"},
       {after3(t::Mp3Builder().lyrics3v1(std::string(5081, 'a'))), frames + "foot 1251+5101"},
       {after3(t::Mp3Builder().raw("LYRICSEND")), frames + "foot 1251+9"},
       {after3(t::Mp3Builder().lyrics3v1("VINTAGE" + std::string(115, 'z'))), frames + "lyrics1 1251+142"},
       {after3(t::Mp3Builder().lyrics3v2("IND00002").zeros(128)), frames + "foot 1251+162"},
       {after3(t::Mp3Builder().lyrics3v2("IND00002").id3v1("T").zeros(1)),
        frames + "foot 1251+34, v1 1285+129"}});
  // A Lyrics3 marker alone is no mp3 file.
  EXPECT_EQ(load(t::Mp3Builder().zeros(300).raw("LYRICS200")).message, msg::kNoFrames);
}

TEST_F(LoaderTest, OnlyTheFirstFrameIsSearchedForAVbrTag) {
  ASSERT_TRUE(loads(t::Mp3Builder()
                        .vbrTag(t::VbrKind::Xing, {}, 3, 1251)
                        .raw(t::makeVbrTagFrame({}, t::VbrKind::Info, 3, 1251))
                        .frames(3)));
  ASSERT_EQ(count(), 5);  // the loaded file keeps its tag frame
  EXPECT_EQ(std::pair(frame(0).vbrHeaderKind, frame(1).vbrHeaderKind),
            std::pair(uint8_t(kVbrXing), uint8_t(kVbrNone)));
}

TEST_F(LoaderTest, FrameTableGrowsPastItsFirstBlockAndProgressComesEvery128Frames) {
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
  // From count 64 on, as blocks of 56.
  EXPECT_EQ(blocks.size(), size_t((n - 64) / 128 + 1));
  EXPECT_EQ(std::pair(blocks.front(), blocks.back()), std::pair(0, 55));

  ASSERT_TRUE(loads(t::Mp3Builder().frames(63)));
  EXPECT_TRUE(blocks.empty());
  ASSERT_TRUE(loads(t::Mp3Builder().frames(64)));
  EXPECT_EQ(blocks, std::vector<int>{55});  // frame 63 starts at 26,271 of 26,688 bytes
}

TEST_F(LoaderTest, ChunkBoundariesKeepEveryFrame) {
  // Irregular frame sizes after an odd-sized tag put frames across every
  // kind of chunk edge. Their audio data holds header-like bytes that only
  // a walk landing inside a frame would take for frames.
  t::Mp3Builder b;
  b.id3v2(3, 0, 0, Bytes(1233, 0));
  std::vector<size_t> offsets;
  for (int i = 0; i < 7300; ++i) {
    auto bytes = t::makeFrame({.bitrateIndex = i % 5 == 0 ? 10 : 9, .padding = i % 3 == 0});
    for (size_t k = 40; k + 4 <= bytes.size(); k += 23)
      std::copy_n("\xFF\xFB\x10\x64", 4, bytes.begin() + long(k));
    offsets.push_back(b.size());
    b.raw(bytes);
  }
  ASSERT_GT(b.size(), 3000000u);
  ASSERT_TRUE(loads(b));
  ASSERT_EQ(size_t(count()), offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i)
    ASSERT_EQ(frame(int32_t(i)).filePosition, int32_t(offsets[i])) << i;
  EXPECT_TRUE(questions.empty());

  // 19,750 frames of 96 bytes: the second chunk holds 960,000 bytes, more
  // than the 936,000 a chunk may start frames in.
  ASSERT_TRUE(loads(t::Mp3Builder().frames(19750, kSmall)));
  EXPECT_EQ(layout(), "19750 frames 0: 96");
  EXPECT_EQ(frame(19749).filePosition, 19749 * 96);
}

TEST(FreeFormatWarning, MixedRatesCountWithThe32kHzDuration) {
  // The single-rate texts are checked through the Editor's load and insert.
  EXPECT_EQ(freeFormatWarning("Possible playtime error < ", 2, 3),
            "Possible playtime error <  7.2E-0002 sec\r\n(due to free format frames)");
}

}  // namespace
}  // namespace kavrel
