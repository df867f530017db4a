// The layout scan and frame walk of the loader, driven with a scripted policy. Messages, cancelling and files
// changing under the scan are checked through the Editor (tests/app/editor_load_test.cpp).
#include "document/loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "base/time_text.h"
#include "document/messages.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

using B = Mp3Builder;
using Strings = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// 96-byte frames (32 kbit/s at 48 kHz) keep large files small.
constexpr FrameSpec kSmall{.bitrateIndex = 1, .sampleRateIndex = 1};
constexpr FrameSpec kFree300{.bitrateIndex = 0, .freeFormatLength = 300};
constexpr FrameSpec kFree200{.bitrateIndex = 0, .freeFormatLength = 200};

std::string fail(const std::string& message) { return "fail: " + message; }

// A file; what it loads to when every question is answered yes (its layout() or fail(message)); the questions
// asked; the message when the first is answered no.
struct Case {
  B bytes;
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
  LoadResult load(const B& b) {
    writeFile(path_, b.bytes());
    return loadPath(path_);
  }
  LoadResult loadPath(const std::string& path) {
    questions.clear();
    blocks.clear();
    doc = std::make_unique<Document>();
    doc->loadPath = path;
    return loadDocumentFile(*doc, buffer_, *this);
  }
  const FrameInfo& frame(int32_t i) const { return doc->frameTable[i]; }
  int32_t count() const { return doc->frameTable.count(); }
  // The load's failure, or its blocks as "name position+size" ("?" when found is not set; the tag with its
  // major/input version and flags) and frames as "frames first-position: stored lengths" (with "vbr" and the
  // kind of a VBR tag frame; the count and the last alone past 20 frames).
  std::string describe(const B& b) {
    const LoadResult r = load(b);
    if (r.outcome != LoadResult::Outcome::Loaded) return fail(r.message);
    const FileLayout& l = doc->layout;
    const TagHeaderState& h = doc->tagHeader;
    std::string s;
    auto block = [&](const std::string& name, bool found, int64_t pos, int64_t size) {
      if (found || size != 0)
        s += name + (found ? " " : "? ") + std::to_string(pos) + "+" + std::to_string(size) + ", ";
    };
    block("tag(" + std::to_string(h.majorVersion) + "/" + std::to_string(h.inputVersion) +
              (h.footer ? " F" : "") + (h.unsynchronisation ? " U" : "") + (h.extendedHeader ? " X" : "") +
              (h.experimental ? " E" : "") + ")",
          l.id3v2Found, h.startOffset, h.size);
    block("riff", l.riffFound, l.riffPos, l.riffSize);
    block("head", l.unknownHeaderFound, l.audioSearchStart, l.unknownHeaderSize);
    if (count() > 20) s += std::to_string(count()) + " ";
    s += "frames " + std::to_string(count() > 0 ? frame(0).filePosition : -1) + ":";
    for (int32_t i = count() > 20 ? count() - 1 : 0; i < count(); ++i) {
      s += " " + std::to_string(frame(i).storedLength);
      if (frame(i).vbrHeaderKind != kVbrNone) s += "vbr" + std::to_string(frame(i).vbrHeaderKind);
    }
    s += ", ";
    block("foot", l.unknownFooterFound, l.unknownFooterPos, l.unknownFooterSize);
    block("lyrics" + std::to_string(l.lyrics3Version), l.lyrics3Found, l.lyrics3Pos, l.lyrics3Size);
    block("v1", l.id3v1Found, l.id3v1Pos, l.id3v1Size);
    return s.substr(0, s.size() - 2);
  }
  void expectLayouts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      EXPECT_EQ(describe(c.bytes), c.layout);
      EXPECT_EQ(questions, c.asked) << c.layout;
      answer = false;
      EXPECT_EQ(load(c.bytes).message, c.refused) << c.layout;
      answer = true;
    }
  }
  TempDir dir_;
  std::string path_ = dir_.file("in.mp3");
  Bytes buffer_;
  bool answer = true;
  Strings questions;
  std::vector<int> blocks;
  std::unique_ptr<Document> doc;
};

TEST_F(LoaderTest, BuildsTheDocumentOfAPlainFile) {
  const auto b = B().frames(10).frame({.padding = true}).frames(5);
  EXPECT_EQ(describe(b), "frames 0: 417 417 417 417 417 417 417 417 417 417 418 417 417 417 417 417");
  ASSERT_EQ(doc->documentFrameCount(), 16);
  for (int32_t i = 0; i < 16; ++i)
    EXPECT_EQ(std::tuple(frame(i).sourceIndex, frame(i).averageGain, doc->frameList[size_t(i)]),
              std::tuple(0, 150, i));
  EXPECT_EQ(doc->gainList, std::vector<GainPair>(16));
  EXPECT_EQ(std::tuple(doc->sourceFirstFrame[0], doc->sourceFirstFrame[1], doc->sourceNames[0],
                       doc->sourceFileSize),
            std::tuple(0, 16, path_, int64_t(b.size())));
  EXPECT_EQ(std::pair(doc->sourceSummary, doc->editSummary), std::pair(Summary{9, 1, 0}, Summary{9, 1, 0}));
  EXPECT_EQ(std::tuple(doc->sourceRateHistogram[0], doc->sourceKbpsHistogram[9], doc->sourceModeHistogram[1]),
            std::tuple(16, 16, 16));
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(load(b).freeFormatFrames, 0);
  EXPECT_EQ(load(B().frames(2, kFree300)).freeFormatFrames, 2);
  EXPECT_EQ(std::pair(frame(0).computedLength, int(doc->editSummary.bitrate)), std::pair(29, 0));
}

TEST_F(LoaderTest, FilesFrom256BytesToUnder2GiB) {
  // One 96-byte frame in a 256-byte file is an mp3 file; a byte less is too small.
  expectLayouts({{B().frame(kSmall).zeros(160), "frames 0: 96, foot 96+160"},
                 {B().frame(kSmall).zeros(159), fail(msg::kTooSmall), {}, msg::kTooSmall}});
  EXPECT_EQ(loadPath(dir_.path()).message, msg::kDiskError);
  EXPECT_TRUE(doc->frameList.empty());
  const std::string huge = dir_.file("huge.mp3");
  writeFile(huge, {});
  std::filesystem::resize_file(huge, uintmax_t(1) << 31);  // sparse: nothing is written
  EXPECT_EQ(loadPath(huge).message, msg::kDiskError);
  // Nor can such a file be inserted.
  ASSERT_EQ(describe(B().frames(3)), "frames 0: 417 417 417");
  const InsertResult r = insertFileFrames(*doc, buffer_, huge, 0, 1, *this);
  EXPECT_EQ(std::tuple(r.status, r.message, doc->frameTable.count()),
            std::tuple(InsertStatus::ReadFailed, std::string(msg::kInsertRead), 3));
  std::filesystem::remove(huge);
}

TEST_F(LoaderTest, LeadingBlocks) {
  const Bytes body20(20, 0), body30(30, 0), body50(50, 0), body100(100, 0);
  auto at = [](int64_t first) { return "frames " + std::to_string(first) + ": 417 417 417"; };
  // The footer flag counts from 2.4 on (before, its 10 bytes are unknown data), the extended header and
  // experimental flags not in 2.2; the input version is limited to 2..5. Size bytes 1, 0x80 are 256 with the
  // top bit kept, 128 with it masked; a size past the end of the file leaves no frames. A second tag after
  // the RIFF header is not looked for, nor a second RIFF header after the tag.
  expectLayouts(
      {{B().id3v2(4, 0, 0x10, body100, true).frames(3), "tag(4/4 F) 0+120, " + at(120)},
       {B().id3v2(3, 0, 0xF0, body100, true).frames(3), "tag(3/3 U X E) 0+110, head 110+10, " + at(120)},
       {B().id3v2(2, 0, 0x60, body100).frames(3), "tag(2/2) 0+110, " + at(110)},
       {B().id3v2(9, 0, 0, body100).frames(3), "tag(9/5) 0+110, " + at(110)},
       {B().id3v2(0xFF, 0, 0, body50).frames(3), "head 0+60, " + at(60)},
       {B().id3v2(3, 0xFF, 0, body50).frames(3), "head 0+60, " + at(60)},
       {B().raw(Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0x80}).zeros(256).frames(3),
        "tag(3/3) 0+266, " + at(266)},
       {B().raw(Bytes{'I', 'D', '3', 3, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).frames(5),
        fail(msg::kNoFrames),
        {},
        msg::kNoFrames},
       {B().id3v2(3, 0, 0, Bytes(1100001, 0)).frames(3), "tag(3/3) 0+1100011, " + at(1100011)},
       {B().riff(36).id3v2(3, 0, 0, body30).frames(3), "tag(3/3) 44+40, riff 0+44, " + at(84)},
       {B().id3v2(3, 0, 0, body20).riff(36).id3v2(3, 0, 0, body20).frames(3),
        "tag(3/3) 0+30, riff 30+44, head 74+30, " + at(104)},
       {B().riff(36).id3v2(3, 0, 0, body20).riff(36).frames(3),
        "tag(3/3) 44+30, riff 0+44, head 74+44, " + at(118)},
       {B().riff(516).frames(3), "riff 0+524, " + at(524)},
       {B().raw("some leading junk").frames(3), "head 0+17, " + at(17)},
       // Without "data" the scan asks and goes on after the searched range,
       // which ends at 516: of the frames at 44, 461, 878 ... the third is first.
       {B().riff(36, false).frames(5),
        "riff 0+0, head 517+361, " + at(878),
        {msg::kImproperRiff},
        msg::kRiffNotMp3}});
}

TEST_F(LoaderTest, RiffDataChunkEndsTheFrames) {
  // Its pad byte and a chunk after it with sync-like bytes are no frames.
  auto bytes = B().riff(36).frames(5).raw(Bytes{0}).raw("LIST").raw(Bytes{4, 0, 0, 0}).frame({}).bytes();
  bytes[40] = uint8_t(5 * 417 % 256);
  bytes[41] = uint8_t(5 * 417 / 256);
  bytes[42] = bytes[43] = 0;
  // A data size of 0 (a streamed file) or one past the end bounds nothing:
  // the chunk then stays with the frame before it, whose size is questioned.
  auto withSize = [bytes](uint8_t size) mutable {
    bytes[40] = bytes[41] = bytes[42] = bytes[43] = size;
    return B().raw(bytes);
  };
  const Strings asked{"Improper frame size at position 1,712 to 2,138."};
  const std::string unbounded = "riff 0+44, frames 44: 417 417 417 417 426 417";
  expectLayouts({{B().raw(bytes), "riff 0+44, frames 44: 417 417 417 417 417, foot 2129+426"},
                 {withSize(0), unbounded, asked, msg::kImproperFrameSize},
                 {withSize(0xFF), unbounded, asked, msg::kImproperFrameSize}});
}

// 20 frames of another MPEG version or layer: the header, then zeros up to
// the length that header states, with an MPEG-1 Layer III header 40 bytes in.
B foreignFrames(std::array<uint8_t, 4> header, size_t length) {
  Bytes frame(length, 0);
  const auto inside = makeHeader(kSmall);
  std::copy(header.begin(), header.end(), frame.begin());
  std::copy(inside.begin(), inside.end(), frame.begin() + 40);
  B b;
  for (int i = 0; i < 20; ++i) b.raw(frame);
  return b;
}

TEST_F(LoaderTest, DamagedFramesAndOtherFormatsFollowThePolicy) {
  const Bytes whole = makeFrame({});
  auto cut = [&](size_t length) { return Bytes(whole.begin(), whole.begin() + long(length)); };
  const std::string mp1 = "Seems like mp1, not mp3 file.", mp2 = "Seems like mp2, not mp3 file.",
                    rate = "Invalid frequency detected.", size = msg::kImproperFrameSize;
  // MPEG-2 and 2.5 streams (64 kbit/s at 22.05 kHz, 32 kbit/s at 8 kHz) load with the Layer III header in
  // their data no frame; Layer II streams (128 kbit/s at 44.1 kHz) are refused whatever the policy. Frames of
  // another version after a file's first frames are damaged data under the policy, ending up in the unknown
  // footer. Without a run of them, each refused header is a question.
  const B mpeg2 = foreignFrames({0xFF, 0xF3, 0x80, 0xC4}, 208);
  auto repeated = [](const std::string& length, int n) {
    std::string s = "frames 0:";
    for (int i = 0; i < n; ++i) s += " " + length;
    return s;
  };
  auto askedAt = [](const std::string& what, int64_t first, int64_t step, int n) {
    Strings asked;
    for (int i = 0; i < n; ++i)
      asked.push_back(what + " frame at position " + formatGrouped(first + i * step) + " in an " +
                      (what == "MPEG-2" ? "MPEG-1" : "MPEG-2") + " file.");
    return asked;
  };
  const std::string mixed = "MPEG-2 frames in an MPEG-1 file are not supported.";
  expectLayouts({{mpeg2, repeated("208", 20)},
                 {foreignFrames({0xFF, 0xE3, 0x48, 0xC4}, 288), repeated("288", 20)},
                 {foreignFrames({0xFF, 0xFD, 0x80, 0x44}, 417), fail(mp2), {}, mp2},
                 {B().frames(5).raw(mpeg2.bytes()), "frames 0: 417 417 417 417 417, foot 2085+4160",
                  askedAt("MPEG-2", 2085, 208, 20), mixed},
                 {B().frames(2, {.versionCode = 2}).frames(1), "frames 0: 261 261, foot 522+417",
                  askedAt("MPEG-1", 522, 417, 1), "MPEG-1 frames in an MPEG-2 file are not supported."},
                 {B().frames(4, {.layerCode = 2}), fail(msg::kNoFrames), Strings(4, mp2), mp2},
                 {B().frames(4, {.versionCode = 0}), repeated("522", 4)},
                 {B().frames(4, {.sampleRateIndex = 3}), fail(msg::kNoFrames), Strings(4, rate), rate}});
  // Two bytes of slack are no error, three are; sync-like garbage is skipped byte by byte: FF FF is Layer I,
  // FF E3 an MPEG 2.5 header that starts no run; then the frame size. Free-format frames get no size check. More than two bytes after the
  // last frame are unknown data; a free-format last frame is as long as the one before it, and without one
  // needs 1,024 bytes past its scan step (29) to be followed by unknown data.
  // Two bytes short is within the tolerance, shorter is an incomplete frame. The walk trusts a cut frame's
  // header and lands inside the next frame, so that frame's bytes stay with the cut one. Only the first frame
  // is searched for a VBR tag.
  expectLayouts(
      {{B().frames(2).raw("ab").frames(2), "frames 0: 417 419 417 417"},
       {B().frames(2).raw("abc").frames(2),
        "frames 0: 417 420 417 417",
        {"Improper frame size at position 417 to 837."},
        size},
       {B().frames(2).raw(Bytes{0xFF, 0xFF, 0xFF, 0xE3, 0x90}).frames(2),
        "frames 0: 417 422 417 417",
        {mp1, mp1, "Improper frame size at position 417 to 839."},
        mp1},
       {B().frames(4, kFree300).raw("xyz").frames(2, kFree300), "frames 0: 300 300 300 303 300 300"},
       {B().frames(3, kSmall).zeros(500), "frames 0: 96 96 96, foot 288+500"},
       {B().frames(3, kSmall).zeros(3), "frames 0: 96 96 96, foot 288+3"},
       {B().frames(3, kSmall).zeros(2), "frames 0: 96 96 98"},
       {B().frames(3, kFree200).zeros(2), "frames 0: 200 200 202"},
       {B().frames(3, kFree200).zeros(3), "frames 0: 200 200 200, foot 600+3"},
       {B().frames(1, kFree200).zeros(852), "frames 0: 1052"},
       {B().frames(1, kFree200).zeros(853), "frames 0: 29, foot 29+1024"},
       {B().frames(3).raw(cut(415)), "frames 0: 417 417 417 415"},
       {B().raw("junk").frame({}).zeros(2), "head 0+4, frames 4: 419"},
       {B().frames(3).raw(cut(200)),
        "frames 0: 417 417 417 200",
        {"The last frame is incomplete (position 1,251)."},
        size},
       {B().frames(2).raw(cut(300)).frames(2),
        "frames 0: 417 417 717 417",
        {"Improper frame size at position 834 to 1,551."},
        size},
       {B().vbrTag(VbrKind::Xing, {}, 3, 1251).vbrTag(VbrKind::Info, {}, 3, 1251).frames(3),
        "frames 0: 417vbr1 417 417 417 417"}});
  // Random bytes hold no frames, but a few between good frames are skipped.
  std::mt19937 random(7);
  Bytes noise(2'000'000);
  for (uint8_t& b : noise) b = uint8_t(random());
  EXPECT_EQ(describe(B().raw(noise)), fail(msg::kNoFrames));
  noise.resize(9);
  EXPECT_EQ(describe(B().frames(3).raw(noise).frames(3)), "frames 0: 417 417 426 417 417 417");
}

TEST_F(LoaderTest, TrailingBlocksTileTheEndOfTheFile) {
  // After three frames (1,251 bytes): unknown data, Lyrics3, ID3v1, in that order, each ending where the next
  // starts, and none of it taken for frames. "TAG" inside lyrics that end the file is part of the lyrics. A
  // marker 137 bytes from the end counts only with an ID3v1 tag of 128 bytes after it; otherwise bytes would
  // belong to no block, or to two.
  const std::string sync("\xFF\xFB\x90\x64", 4), lyrics2 = "IND00002";
  auto after3 = [](const B& tail) { return B().frames(3).raw(tail.bytes()); };
  const std::string frames = "frames 0: 417 417 417, ";
  expectLayouts(
      {{after3(B().id3v1("Title")), frames + "v1 1251+128"},
       {after3(B().id3v1("Title").zeros(1)), frames + "v1 1251+129"},
       {after3(B().id3v1("Title").zeros(2)), frames + "foot 1251+130"},
       {after3(B().raw("TAG").zeros(122)), frames + "v1 1251+125"},
       {after3(B().id3v1(sync + " title")), frames + "v1 1251+128"},
       {after3(B().lyrics3v2(lyrics2).id3v1("T")), frames + "lyrics2 1251+34, v1 1285+128"},
       {after3(B().lyrics3v1("some words")), frames + "lyrics1 1251+30"},
       {after3(B().lyrics3v1(sync).id3v1("T")), frames + "lyrics1 1251+24, v1 1275+128"},
       {after3(B().lyrics3v1(std::string(5080, 'a'))), frames + "lyrics1 1251+5100"},
       {after3(B().lyrics3v1(std::string(5081, 'a'))), frames + "foot 1251+5101"},
       {after3(B().raw("LYRICSEND")), frames + "foot 1251+9"},
       {after3(B().lyrics3v1("VINTAGE" + std::string(115, 'z'))), frames + "lyrics1 1251+142"},
       {after3(B().lyrics3v2(lyrics2).zeros(128)), frames + "foot 1251+162"},
       {after3(B().lyrics3v2(lyrics2).id3v1("T").zeros(1)), frames + "foot 1251+34, v1 1285+129"},
       {after3(B().lyrics3v2(lyrics2).zeros(1).raw("TAG").zeros(124)), frames + "foot 1251+35, v1 1286+127"},
       // A Lyrics3 marker alone is no mp3 file.
       {B().zeros(300).raw("LYRICS200"), fail(msg::kNoFrames), {}, msg::kNoFrames}});
}

TEST_F(LoaderTest, FrameTableGrowthProgressAndChunkBoundaries) {
  // 68,500 frames of 96 bytes: the table grows past its first blocks, and the
  // last chunk holds 960,000 bytes, more than the 936,000 a chunk may start
  // frames in. Progress comes from count 64 on, every 128 frames, as blocks of 56.
  const int n = 68500;
  EXPECT_EQ(describe(B().frames(n, kSmall)), "68500 frames 0: 96");
  EXPECT_GE(doc->frameTable.capacity(), size_t(n));
  for (int32_t i : {0, 9749, 9750, 65535, 65536, n - 1})
    EXPECT_EQ(std::pair(frame(i).filePosition, frame(i).storedLength), std::pair(i * 96, 96)) << i;
  EXPECT_EQ(std::pair(doc->frameList.back(), doc->rateHistogram[1]), std::pair(n - 1, n));
  EXPECT_EQ(std::tuple(blocks.size(), blocks.front(), blocks.back()),
            std::tuple(size_t((n - 64) / 128 + 1), 0, 55));
  describe(B().frames(63));
  EXPECT_TRUE(blocks.empty());
  describe(B().frames(64));
  EXPECT_EQ(blocks, std::vector<int>{55});  // frame 63 starts at 26,271 of 26,688 bytes
  // Irregular frame sizes after an odd-sized tag put frames across every kind of chunk edge. Their audio data
  // holds header-like bytes that only a walk landing inside a frame would take for frames.
  B b;
  b.id3v2(3, 0, 0, Bytes(1233, 0));
  std::vector<size_t> offsets;
  for (int i = 0; i < 7300; ++i) {
    auto bytes = makeFrame({.bitrateIndex = i % 5 == 0 ? 10 : 9, .padding = i % 3 == 0});
    for (size_t k = 40; k + 4 <= bytes.size(); k += 23)
      std::copy_n("\xFF\xFB\x10\x64", 4, bytes.begin() + long(k));
    offsets.push_back(b.size());
    b.raw(bytes);
  }
  ASSERT_GT(b.size(), 3000000u);
  ASSERT_EQ(load(b).outcome, LoadResult::Outcome::Loaded);
  EXPECT_TRUE(questions.empty());
  ASSERT_EQ(size_t(count()), offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i)
    ASSERT_EQ(frame(int32_t(i)).filePosition, int32_t(offsets[i])) << i;
}

TEST(FreeFormatWarning, MixedRatesCountWithThe32kHzDuration) {
  // The single-rate texts are checked through the Editor's load and insert.
  EXPECT_EQ(freeFormatWarning("Possible playtime error < ", 2, 3, kMpeg1),
            "Possible playtime error <  7.2E-0002 sec\r\n(due to free format frames)");
}

}  // namespace
}  // namespace kavrel::test
