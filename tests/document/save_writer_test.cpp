// What the save writer puts into a file: frames, gains, Xing frame, blocks.

#include "document/save_writer.h"

#include <gtest/gtest.h>

#include "document/save_messages.h"
#include "save_fixture.h"

namespace kavrel::test {
namespace {

using WriterTest = SaveFixture;
using Bytes = std::vector<uint8_t>;

FrameSpec spec(int bitrate = 9, std::array<uint8_t, 4> gains = {150, 150, 150, 150}, int mode = 1,
               bool crc = false, int rate = 0) {
  return {.bitrateIndex = bitrate, .sampleRateIndex = rate, .channelMode = mode, .crc = crc, .gains = gains};
}

// The last `n` bytes.
Bytes tail(const Bytes& b, size_t n) { return slice(b, b.size() - n, n); }

TEST_F(WriterTest, UnchangedDocumentWithAllBlocksIsWrittenByteForByte) {
  // Tag before RIFF, unknown data on both sides of the audio, Lyrics3, ID3v1;
  // and RIFF before the tag, which keeps its order.
  Mp3Builder all;
  all.id3v2Frames(3, {{"TIT2", "Title"}}, 16).riff().raw("junk data of no known kind").frames(20).zeros(500);
  all.lyrics3v2("IND0000200").id3v1("Song", "Band", "Disc", "1999", "note", 4, 17);
  Mp3Builder riffFirst;
  riffFirst.riff().id3v2Frames(4, {{"TALB", "x"}}).frames(12);
  for (const auto& [name, b] : {std::pair{"all", &all}, std::pair{"riff-first", &riffFirst}}) {
    load(b->bytes(), std::string(name) + ".mp3");
    const FileLayout& l = doc().layout;
    ASSERT_TRUE(l.riffFound && l.id3v2Found) << name;
    ASSERT_TRUE(b != &all ||
                (l.unknownHeaderFound && l.unknownFooterFound && l.lyrics3Found && l.id3v1Found));
    EXPECT_EQ(saveAsNew(std::string(name) + "-out.mp3"), b->bytes()) << name;
  }
}

TEST_F(WriterTest, LeadingVbrTagFrameIsDroppedAndOneElsewhereCopiedWithItsGainFieldsZeroed) {
  for (VbrKind kind : {VbrKind::Xing, VbrKind::Info, VbrKind::Vbri}) {
    const auto b = load(Mp3Builder().vbrTag(kind, {}, 10, 4170).frames(10), vbrMarker(kind) + ".mp3");
    ASSERT_NE(doc().frameTable[0].vbrHeaderKind, 0);
    EXPECT_EQ(saveAsNew(vbrMarker(kind) + "-out.mp3"), slice(b.data(), 417, b.size() - 417))
        << vbrMarker(kind);
  }

  const auto b = load(Mp3Builder().vbrTag(VbrKind::Info).frames(3));
  doc().frameList = {1, 0, 2, 3};
  doc().gainList.assign(4, GainPair{3, 3});
  const auto out = saveAsNew();
  ASSERT_EQ(out.size(), b.size());
  // The tag frame moved to second place; only its gain fields changed, to 0.
  EXPECT_EQ(slice(out, 417, 417), makeVbrTagFrame(spec(9, {0, 0, 0, 0}), VbrKind::Info, 0, 0));
  EXPECT_EQ(readGains(out, 0), (std::array<uint8_t, 4>{153, 153, 153, 153}));
}

TEST_F(WriterTest, MixedBitratesGetAXingFrameWithCountBytesAndTable) {
  const auto b =
      load(Mp3Builder().frames(3, spec(9)).frames(4, spec(10)).frames(3, spec(9)).id3v1("after the audio"));
  const auto out = saveAsNew();
  ASSERT_EQ(out.size(), 156 + b.size());
  // Byte count and table cover the Xing frame and the audio, not the tag.
  const size_t audioBytes = out.size() - 128;
  // 48 kbit/s, 44.1 kHz, joint stereo, original bit; flags 7, audio frames + 1.
  EXPECT_EQ(slice(out, 0, 4), (Bytes{0xFF, 0xFB, 0x30, 0x44}));
  EXPECT_EQ(slice(out, 36, 4), toBytes("Xing"));
  EXPECT_EQ(std::tuple(be32(out, 40), be32(out, 44), be32(out, 48)),
            std::tuple(7u, 11u, uint32_t(audioBytes)));
  EXPECT_EQ(slice(out, 156, b.size()), b.bytes());

  // Frame k starts at 156 + its source offset. Entry j points at frame
  // round(j * 9 / 100), halves to even: entry 50 is frame 4, not 5; 0.9 -> 1; 8.91 -> 9.
  const auto offs = b.frameOffsets();
  auto entry = [&](size_t frame) { return uint8_t(256.0 * double(156 + offs[frame]) / double(audioBytes)); };
  EXPECT_EQ(std::tuple(out[52], out[52 + 50], out[52 + 10], out[52 + 99]),
            std::tuple(uint8_t(0), entry(4), entry(1), entry(9)));
  for (int j = 1; j < 100; ++j) EXPECT_LE(out[size_t(52 + j - 1)], out[size_t(52 + j)]);
  EXPECT_EQ(slice(out, 152, 4), Bytes(4, 0));

  // Our own loader takes it for a Xing frame again.
  Editor again(host);
  ASSERT_TRUE(again.loadFile(dir.file("out.mp3")));
  EXPECT_EQ(again.document().frameTable[0].vbrHeaderKind, kVbrXing);
  EXPECT_EQ(again.document().documentFrameCount(), 11);
}

TEST_F(WriterTest, XingFrameHoldsItsTableAt48kHzAndSitsAfterMonoSideInformation) {
  // 48 kbit/s at 48 kHz is 144 bytes, too short for the 152 bytes of the
  // tag: the frame takes the next bitrate instead of spilling into frame 1.
  const std::array<uint8_t, 4> g{150, 150, 150, 150};
  const auto b = load(Mp3Builder().frames(3, spec(9, g, 1, false, 1)).frames(3, spec(11, g, 1, false, 1)));
  auto out = saveAsNew();
  ASSERT_EQ(out.size(), 168 + b.size());
  EXPECT_EQ(slice(out, 0, 4), (Bytes{0xFF, 0xFB, 0x44, 0x44}));
  EXPECT_EQ(slice(out, 168, b.size()), b.bytes());

  const auto mono =
      load(Mp3Builder().frames(3, spec(9, {150, 150, 0, 0}, 3)).frames(3, spec(10, {150, 150, 0, 0}, 3)),
           "mono.mp3");
  out = saveAsNew("mono-out.mp3");
  ASSERT_EQ(out.size(), 156 + mono.size());
  EXPECT_EQ(out[3], 0xC4);
  EXPECT_EQ(slice(out, 21, 4), toBytes("Xing"));
  EXPECT_EQ(std::pair(be32(out, 29), be32(out, 33)), std::pair(7u, uint32_t(out.size())));
}

TEST(XingFrame, IsAsLongAsItsHeaderSaysAtEveryRateAndMode) {
  for (int rate = 0; rate < 3; ++rate) {
    for (int mode = 0; mode < 4; ++mode) {
      const auto frame = xingFrameBytes(rate, mode, 10);
      ASSERT_GE(frame.size(), 4u);
      const int bitrate = frame[2] >> 4;
      EXPECT_EQ((frame[2] >> 2) & 3, rate);
      EXPECT_EQ(int(frame.size()), test::frameLength(bitrate, rate, (frame[2] & 2) != 0))
          << rate << " " << mode;
      // Room for the tag: marker, flags, counts and the 100-entry table.
      EXPECT_GE(int(frame.size()), xingTagOffset(mode) + 116) << rate << " " << mode;
      EXPECT_GE(frame.size(), 148u);
    }
  }
}

TEST_F(WriterTest, XingTableOfContentsRoundsHalvesToEven) {
  // Three frames: entry 50 is frame round(1.0) = 1, entry 25 frame round(0.5) = 0,
  // entry 75 frame round(1.5) = 2.
  const auto toc = xingTableOfContents({100, 200, 300}, 0, 1000);
  EXPECT_EQ(std::tuple(toc[0], toc[25], toc[50], toc[75]),
            std::tuple(uint8_t(0), uint8_t(256 * 100 / 1000), uint8_t(256 * 200 / 1000),
                       uint8_t(256 * 300 / 1000)));
  // Entries never pass 255, and positions before the Xing frame count as 0.
  EXPECT_EQ(xingTableOfContents({0, 2000}, 0, 1000)[99], 255);
  EXPECT_EQ(xingTableOfContents({0, 50}, 100, 1000)[99], 0);
}

TEST_F(WriterTest, GainChangePatchesGlobalGainOfEveryChannelMode) {
  // Joint stereo: left g0 g2, right g1 g3; clamped to 0..255; mono: left for both granules.
  const std::tuple<int, std::array<uint8_t, 4>, GainPair, std::array<uint8_t, 4>> cases[] = {
      {1, {100, 110, 120, 130}, {4, -2}, {104, 108, 124, 128}},
      {0, {100, 110, 120, 130}, {-3, 5}, {97, 115, 117, 135}},
      {2, {100, 110, 120, 130}, {1, 0}, {101, 110, 121, 130}},
      {1, {253, 2, 250, 255}, {4, -4}, {255, 0, 254, 251}}, {3, {100, 120, 0, 0}, {5, -7}, {105, 125, 0, 0}}};
  int n = 0;
  for (const auto& [mode, before, change, after] : cases) {
    for (bool crc : {false, true}) {
      load(Mp3Builder().frames(3, spec(9, before, mode, crc)), "g" + std::to_string(n) + ".mp3");
      doc().gainList[1] = change;
      // The whole frame equals one built with the new gains: no other bit
      // moved, and a CRC frame carries the CRC of its new side information.
      EXPECT_EQ(saveAsNew("g" + std::to_string(n++) + "-out.mp3"),
                cat({makeFrame(spec(9, before, mode, crc)), makeFrame(spec(9, after, mode, crc)),
                     makeFrame(spec(9, before, mode, crc))}))
          << "mode " << mode << " crc " << crc;
    }
  }
}

TEST_F(WriterTest, GainStartsFromTheLoadedValueNotFromEarlierPatches) {
  load(Mp3Builder().frames(2, spec(9, {100, 100, 100, 100})));
  doc().gainList[0] = {6, 6};
  saveAsNew("first.mp3");
  doc().gainList[0] = {2, 2};
  EXPECT_EQ(readGains(saveAsNew("second.mp3"), 0), (std::array<uint8_t, 4>{102, 102, 102, 102}));
}

TEST_F(WriterTest, StoredLengthIsClampedTo16Through32767) {
  const auto b = load(Mp3Builder().frames(120));
  doc().frameTable[1].storedLength = 0;      // 16 bytes from its position
  doc().frameTable[2].storedLength = 20;     // short: no gain patch either
  doc().frameTable[3].storedLength = 40000;  // 32,767 bytes
  doc().gainList[2] = {10, 10};
  doc().frameList = {0, 1, 2, 3};
  doc().gainList.resize(4);
  EXPECT_EQ(saveAsNew(), cat({slice(b.data(), 0, 417), slice(b.data(), 417, 16), slice(b.data(), 834, 20),
                              slice(b.data(), 1251, 32767)}));
  EXPECT_EQ(copiedFrameLength(-5), 16);
}

TEST_F(WriterTest, SilentFramesAreSynthesisedAndNeverPatched) {
  const auto b = load(Mp3Builder().frames(2));
  // 128 kbit/s, 44.1 kHz, joint stereo; then bitrate code 15 (free) at 32 kHz mono.
  doc().frameList.push_back(-(9 | (0 << 4) | (1 << 6)));
  doc().frameList.push_back(-(15 | (2 << 4) | (3 << 6)));
  doc().gainList.resize(4, {20, 20});
  const auto out = saveAsNew();
  // Two bitrates now (128 and free): a Xing frame leads.
  ASSERT_EQ(out.size(), 156 + b.size() + 417 + 32);
  auto silent = [](size_t size, uint8_t h2, uint8_t h3) {
    return cat({{0xFF, 0xFB, h2, h3}, Bytes(size - 4, 0)});
  };
  EXPECT_EQ(tail(out, 417 + 32), cat({silent(417, 0x90, 0x40), silent(32, 0x08, 0xC0)}));
}

TEST_F(WriterTest, ReorderedRepeatedAndBufferSpanningFramesComeOutInDocumentOrder) {
  // 30,000 frames (12.5 MB) cross the writer's output buffer several times;
  // every frame has its own gains, so a misplaced or doubly read frame shows.
  constexpr int kFrames = 30000;
  auto frameSpec = [](int i, uint8_t louder) {
    const auto g = uint8_t(i % 200);
    return spec(9 + i % 2, {uint8_t(g + louder), uint8_t(g + 1), uint8_t(g + 2 + louder), uint8_t(g + 3)});
  };
  Mp3Builder b;
  for (int i = 0; i < kFrames; ++i) b.frame(frameSpec(i, 0));
  load(b.bytes());
  // Back to front for the first 100, then the rest in order with every
  // tenth frame repeated and every seventh louder on the left.
  Document& d = doc();
  d.frameList.clear();
  for (int i = 99; i >= 0; --i) d.frameList.push_back(i);
  for (int i = 100; i < kFrames; ++i) {
    d.frameList.push_back(i);
    if (i % 10 == 0) d.frameList.push_back(i);
  }
  d.gainList.assign(d.frameList.size(), GainPair{});
  for (size_t k = 0; k < d.frameList.size(); k += 7) d.gainList[k] = {3, 0};

  const auto out = saveAsNew();
  Bytes expected(156, 0);  // the Xing frame (two bitrates)
  for (size_t k = 0; k < d.frameList.size(); ++k)
    append(expected, makeFrame(frameSpec(d.frameList[k], k % 7 ? 0 : 3)));
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_TRUE(std::equal(out.begin() + 156, out.end(), expected.begin() + 156));
}

TEST_F(WriterTest, PreviewKeepsLyricsAndId3v1ButNoLeadingBlocksOrFooter) {
  auto b = Mp3Builder().id3v2Frames(3, {{"TIT2", "T"}}).raw("unknown stuff!").frames(8).zeros(600);
  load(b.lyrics3v2("IND0000200").id3v1("Title"));
  const auto audio = slice(b.data(), b.frameOffsets()[0], 8 * 417);
  const std::string preview = dir.file("preview.mp3");
  ASSERT_TRUE(editor.saveproc(SaveMode::Preview, preview));
  EXPECT_EQ(readFile(preview), cat({audio, tail(b.data(), 128 + 11 + 10 + 6 + 9)}));

  // Checking the Lyrics3 box leaves it out, in every mode.
  editor.setRemoveChecked(Block::Lyrics3, true);
  ASSERT_TRUE(editor.saveproc(SaveMode::PreviewAlternate, preview));
  EXPECT_EQ(readFile(preview), cat({audio, tail(b.data(), 128)}));
}

TEST_F(WriterTest, RemoveBoxesLeaveTheirBlocksOut) {
  auto b = Mp3Builder().id3v2Frames(3, {{"TIT2", "T"}}).riff().raw("unknown stuff!").frames(5).zeros(600);
  load(b.id3v1("Title"));
  for (Block block : {Block::Id3v2, Block::Riff, Block::UnknownHeader, Block::UnknownFooter, Block::Id3v1})
    editor.setRemoveChecked(block, true);
  EXPECT_EQ(saveAsNew(), slice(b.data(), b.frameOffsets()[0], 5 * 417));
}

TEST_F(WriterTest, Id3v1IsWrittenFromTheRecordWhileItsBoxIsEnabledAndClear) {
  load(Mp3Builder().frames(4).id3v1("Old title", "Artist", "", "", "", 3, 8));
  setId3v1Text(doc().id3v1Record, Id3v1Field::Title, "New title");
  EXPECT_EQ(saveAsNew(), Mp3Builder().frames(4).id3v1("New title", "Artist", "", "", "", 3, 8).bytes());
  // An emptied record disables the box: nothing is written.
  editor.setEnabled(Command::RemoveId3v1, false);
  EXPECT_EQ(saveAsNew("second.mp3"), Mp3Builder().frames(4).bytes());
}

TEST_F(WriterTest, SelectionModesWriteOnlyTheSelectedFrames) {
  const auto b = load(Mp3Builder().id3v2Frames(3, {{"TIT2", "T"}}).frames(10).id3v1("t"));
  const auto offs = b.frameOffsets();
  const std::string target = dir.file("sel.mp3");

  // Nothing selected: nothing written.
  EXPECT_FALSE(editor.saveproc(SaveMode::PlaySelection, target));
  EXPECT_FALSE(exists(target));

  selectRange(7, 3);  // ends in either order
  ASSERT_TRUE(editor.saveproc(SaveMode::PlaySelection, target));
  const Bytes frames = slice(b.data(), offs[3], 4 * 417);
  EXPECT_EQ(readFile(target), cat({frames, tail(b.data(), 128)}));
  ASSERT_TRUE(editor.saveproc(SaveMode::SaveSelection, dir.file("part.mp3")));
  EXPECT_EQ(readFile(dir.file("part.mp3")), cat({slice(b.data(), 0, offs[0]), frames, tail(b.data(), 128)}));
}

TEST_F(WriterTest, UnknownLeadingDataBeforeVbrOutputWarnsOutsideScripts) {
  load(Mp3Builder().raw("some leading bytes").frames(3, spec(9)).frames(3, spec(12)));
  saveAsNew();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, msg::kUnknownLeadingData);
  EXPECT_EQ(host.messages()[0].caption, "Warning");

  host.clearRecord();
  editor.scriptRunning = true;
  EXPECT_TRUE(editor.saveAs(Sender::ScriptMarker, dir.file("script.mp3")));
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(editor.operationStatus, 0);
}

}  // namespace
}  // namespace kavrel::test
