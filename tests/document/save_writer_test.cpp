// What the save writer puts into a file: frames, gains, Xing frame, blocks.

#include "document/save_writer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "document/save_messages.h"
#include "save_fixture.h"

namespace kavrel::test {
namespace {

using WriterTest = SaveFixture;

FrameSpec spec(int bitrate = 9, std::array<uint8_t, 4> gains = {150, 150, 150, 150}, int mode = 1,
               bool crc = false) {
  FrameSpec s;
  s.bitrateIndex = bitrate;
  s.gains = gains;
  s.channelMode = mode;
  s.crc = crc;
  return s;
}

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

TEST_F(WriterTest, SameBitrateDropsTheLeadingVbrTagFrame) {
  for (VbrKind kind : {VbrKind::Xing, VbrKind::Info, VbrKind::Vbri}) {
    Mp3Builder b;
    b.vbrTag(kind, {}, 10, 4170).frames(10);
    load(b.bytes(), vbrMarker(kind) + ".mp3");
    ASSERT_NE(doc().frameTable[0].vbrHeaderKind, 0);
    const auto out = saveAsNew(vbrMarker(kind) + "-out.mp3");
    EXPECT_EQ(out, slice(b.data(), b.frameOffsets()[1], b.size() - b.frameOffsets()[1])) << vbrMarker(kind);
  }
}

TEST_F(WriterTest, VbrTagFrameAwayFromTheStartIsCopiedAndItsGainFieldsZeroed) {
  Mp3Builder b;
  b.vbrTag(VbrKind::Info).frames(3);
  load(b.bytes());
  doc().frameList = {1, 0, 2, 3};
  doc().gainList.assign(4, GainPair{3, 3});
  const auto out = saveAsNew();
  const auto offs = b.frameOffsets();
  const size_t tagLen = offs[1];
  ASSERT_EQ(out.size(), b.size());
  // The tag frame moved to second place; only its gain fields changed, to 0.
  EXPECT_EQ(slice(out, 417, tagLen), makeVbrTagFrame(spec(9, {0, 0, 0, 0}), VbrKind::Info, 0, 0));
  EXPECT_EQ(readGains(out, 0), (std::array<uint8_t, 4>{153, 153, 153, 153}));
}

TEST_F(WriterTest, MixedBitratesGetAXingFrameWithCountBytesAndTable) {
  Mp3Builder b;
  b.frames(3, spec(9)).frames(4, spec(10)).frames(3, spec(9)).id3v1("after the audio");
  load(b.bytes());
  const auto out = saveAsNew();
  ASSERT_EQ(out.size(), 156 + b.size());
  // Byte count and table cover the Xing frame and the audio, not the tag.
  const size_t audioBytes = out.size() - 128;
  // 48 kbit/s, 44.1 kHz, joint stereo, original bit.
  EXPECT_EQ(slice(out, 0, 4), (std::vector<uint8_t>{0xFF, 0xFB, 0x30, 0x44}));
  EXPECT_EQ(slice(out, 36, 4), toBytes("Xing"));
  EXPECT_EQ(be32(out, 40), 7u);
  EXPECT_EQ(be32(out, 44), 11u);  // audio frames + 1
  EXPECT_EQ(be32(out, 48), audioBytes);
  EXPECT_EQ(slice(out, 156, b.size()), b.bytes());

  // Frame k starts at 156 + its source offset. Entry j points at frame
  // round(j * 9 / 100), halves to even: entry 50 is frame 4, not 5.
  const auto offs = b.frameOffsets();
  auto entry = [&](size_t frame) { return uint8_t(256.0 * double(156 + offs[frame]) / double(audioBytes)); };
  EXPECT_EQ(out[52], 0);
  EXPECT_EQ(out[52 + 50], entry(4));
  EXPECT_EQ(out[52 + 10], entry(1));  // 0.9 -> 1
  EXPECT_EQ(out[52 + 99], entry(9));  // 8.91 -> 9
  for (int j = 1; j < 100; ++j) EXPECT_LE(out[size_t(52 + j - 1)], out[size_t(52 + j)]);
  EXPECT_TRUE(std::all_of(out.begin() + 152, out.begin() + 156, [](uint8_t x) { return x == 0; }));

  // Our own loader takes it for a Xing frame again.
  Editor again(host);
  ASSERT_TRUE(again.loadFile(dir.file("out.mp3")));
  EXPECT_EQ(again.document().frameTable[0].vbrHeaderKind, kVbrXing);
  EXPECT_EQ(again.document().documentFrameCount(), 11);
}

TEST_F(WriterTest, XingFrameHoldsItsTableAt48kHzAndSitsAfterMonoSideInformation) {
  // 48 kbit/s at 48 kHz is 144 bytes, too short for the 152 bytes of the
  // tag: the frame takes the next bitrate instead of spilling into frame 1.
  auto at48 = [](int bitrate) {
    FrameSpec s = spec(bitrate);
    s.sampleRateIndex = 1;
    return s;
  };
  Mp3Builder b;
  b.frames(3, at48(9)).frames(3, at48(11));
  load(b.bytes());
  auto out = saveAsNew();
  ASSERT_EQ(out.size(), 168 + b.size());
  EXPECT_EQ(slice(out, 0, 4), (std::vector<uint8_t>{0xFF, 0xFB, 0x44, 0x44}));
  EXPECT_EQ(slice(out, 168, b.size()), b.bytes());

  Mp3Builder mono;
  mono.frames(3, spec(9, {150, 150, 0, 0}, 3)).frames(3, spec(10, {150, 150, 0, 0}, 3));
  load(mono.bytes(), "mono.mp3");
  out = saveAsNew("mono-out.mp3");
  ASSERT_EQ(out.size(), 156 + mono.size());
  EXPECT_EQ(out[3], 0xC4);
  EXPECT_EQ(slice(out, 21, 4), toBytes("Xing"));
  EXPECT_EQ(be32(out, 29), 7u);
  EXPECT_EQ(be32(out, 33), out.size());
}

TEST(XingFrame, IsAsLongAsItsHeaderSaysAtEveryRateAndMode) {
  for (int rate = 0; rate < 3; ++rate) {
    for (int mode = 0; mode < 4; ++mode) {
      const auto frame = xingFrameBytes(rate, mode, 10);
      ASSERT_GE(frame.size(), 4u);
      const int bitrate = frame[2] >> 4;
      EXPECT_EQ((frame[2] >> 2) & 3, rate);
      EXPECT_EQ(int(frame.size()), test::frameLength(bitrate, rate, (frame[2] & 2) != 0)) << rate << " " << mode;
      // Room for the tag: marker, flags, counts and the 100-entry table.
      EXPECT_GE(int(frame.size()), xingTagOffset(mode) + 116) << rate << " " << mode;
      EXPECT_GE(frame.size(), 148u);
    }
  }
}

TEST_F(WriterTest, XingTableOfContentsRoundsHalvesToEven) {
  // Three frames: entry 50 is frame round(1.0) = 1, entry 25 frame round(0.5) = 0,
  // entry 75 frame round(1.5) = 2.
  const std::vector<int64_t> positions = {100, 200, 300};
  const auto toc = xingTableOfContents(positions, 0, 1000);
  EXPECT_EQ(toc[0], 0);
  EXPECT_EQ(toc[25], uint8_t(256 * 100 / 1000));
  EXPECT_EQ(toc[50], uint8_t(256 * 200 / 1000));
  EXPECT_EQ(toc[75], uint8_t(256 * 300 / 1000));
  // Entries never pass 255, and positions before the Xing frame count as 0.
  EXPECT_EQ(xingTableOfContents({0, 2000}, 0, 1000)[99], 255);
  EXPECT_EQ(xingTableOfContents({0, 50}, 100, 1000)[99], 0);
}

TEST_F(WriterTest, GainChangePatchesGlobalGainOfEveryChannelMode) {
  struct Case {
    int mode;
    std::array<uint8_t, 4> before;
    GainPair change;
    std::array<uint8_t, 4> after;
  };
  const Case cases[] = {
      {1, {100, 110, 120, 130}, {4, -2}, {104, 108, 124, 128}},  // joint stereo: left g0 g2, right g1 g3
      {0, {100, 110, 120, 130}, {-3, 5}, {97, 115, 117, 135}},
      {2, {100, 110, 120, 130}, {1, 0}, {101, 110, 121, 130}},
      {1, {253, 2, 250, 255}, {4, -4}, {255, 0, 254, 251}},  // clamped to 0..255
      {3, {100, 120, 0, 0}, {5, -7}, {105, 125, 0, 0}},      // mono: left for both granules
  };
  int n = 0;
  for (const Case& c : cases) {
    for (bool crc : {false, true}) {
      Mp3Builder b;
      b.frames(3, spec(9, c.before, c.mode, crc));
      load(b.bytes(), "g" + std::to_string(n) + ".mp3");
      doc().gainList[1] = c.change;
      const auto out = saveAsNew("g" + std::to_string(n++) + "-out.mp3");
      ASSERT_EQ(out.size(), b.size());
      const auto offs = b.frameOffsets();
      // The whole frame equals one built with the new gains: no other bit
      // moved, and a CRC frame carries the CRC of its new side information.
      EXPECT_EQ(slice(out, offs[1], offs[2] - offs[1]), makeFrame(spec(9, c.after, c.mode, crc)))
          << "mode " << c.mode << " crc " << crc;
      EXPECT_TRUE(!crc || crcMatches(out, offs[1]));
      EXPECT_EQ(slice(out, 0, offs[1]), slice(b.data(), 0, offs[1]));
      EXPECT_EQ(slice(out, offs[2], out.size() - offs[2]), slice(b.data(), offs[2], b.size() - offs[2]));
    }
  }
}

TEST_F(WriterTest, GainStartsFromTheLoadedValueNotFromEarlierPatches) {
  Mp3Builder b;
  b.frames(2, spec(9, {100, 100, 100, 100}));
  load(b.bytes());
  doc().gainList[0] = {6, 6};
  saveAsNew("first.mp3");
  doc().gainList[0] = {2, 2};
  const auto out = saveAsNew("second.mp3");
  EXPECT_EQ(readGains(out, 0), (std::array<uint8_t, 4>{102, 102, 102, 102}));
}

TEST_F(WriterTest, StoredLengthIsClampedTo16Through32767) {
  Mp3Builder b;
  b.frames(120);
  load(b.bytes());
  const auto offs = b.frameOffsets();
  doc().frameTable[1].storedLength = 0;      // 16 bytes from its position
  doc().frameTable[2].storedLength = 20;     // short: no gain patch either
  doc().frameTable[3].storedLength = 40000;  // 32,767 bytes
  doc().gainList[2] = {10, 10};
  doc().frameList = {0, 1, 2, 3};
  doc().gainList.resize(4);
  const auto out = saveAsNew();
  std::vector<uint8_t> expected = slice(b.data(), 0, 417);
  append(expected, slice(b.data(), offs[1], 16));
  append(expected, slice(b.data(), offs[2], 20));
  append(expected, slice(b.data(), offs[3], 32767));
  EXPECT_EQ(out, expected);
  EXPECT_EQ(copiedFrameLength(-5), 16);
}

TEST_F(WriterTest, SilentFramesAreSynthesisedAndNeverPatched) {
  Mp3Builder b;
  b.frames(2);
  load(b.bytes());
  // 128 kbit/s, 44.1 kHz, joint stereo; then bitrate code 15 (free) at 32 kHz mono.
  doc().frameList.push_back(-(9 | (0 << 4) | (1 << 6)));
  doc().frameList.push_back(-(15 | (2 << 4) | (3 << 6)));
  doc().gainList.push_back({20, 20});
  doc().gainList.push_back({20, 20});
  const auto out = saveAsNew();
  // Two bitrates now (128 and free): a Xing frame leads.
  ASSERT_EQ(out.size(), 156 + b.size() + 417 + 32);
  const size_t end = 156 + b.size();
  auto silent = [](size_t size, uint8_t h2, uint8_t h3) {
    std::vector<uint8_t> frame(size, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = h2;
    frame[3] = h3;
    return frame;
  };
  EXPECT_EQ(slice(out, end, 417), silent(417, 0x90, 0x40));
  EXPECT_EQ(slice(out, end + 417, 32), silent(32, 0x08, 0xC0));
}

TEST_F(WriterTest, ReorderedRepeatedAndBufferSpanningFramesComeOutInDocumentOrder) {
  // 30,000 frames (12.5 MB) cross the writer's output buffer several times;
  // every frame has its own gains, so a misplaced or doubly read frame shows.
  constexpr int kFrames = 30000;
  Mp3Builder b;
  for (int i = 0; i < kFrames; ++i) {
    const auto g = uint8_t(i % 200);
    b.frame(spec(9 + i % 2, {g, uint8_t(g + 1), uint8_t(g + 2), uint8_t(g + 3)}));
  }
  load(b.bytes());
  Document& d = doc();
  // Back to front for the first 100, then the rest in order with every
  // tenth frame repeated and every seventh louder on the left.
  d.frameList.clear();
  for (int i = 99; i >= 0; --i) d.frameList.push_back(i);
  for (int i = 100; i < kFrames; ++i) {
    d.frameList.push_back(i);
    if (i % 10 == 0) d.frameList.push_back(i);
  }
  d.gainList.assign(d.frameList.size(), GainPair{});
  for (size_t k = 0; k < d.frameList.size(); k += 7) d.gainList[k] = {3, 0};

  const auto out = saveAsNew();
  std::vector<uint8_t> expected(156, 0);  // the Xing frame (two bitrates)
  for (size_t k = 0; k < d.frameList.size(); ++k) {
    const int i = d.frameList[k];
    const auto g = uint8_t(i % 200);
    std::array<uint8_t, 4> gains{g, uint8_t(g + 1), uint8_t(g + 2), uint8_t(g + 3)};
    if (d.gainList[k].left != 0) {
      gains[0] = uint8_t(gains[0] + 3);
      gains[2] = uint8_t(gains[2] + 3);
    }
    append(expected, makeFrame(spec(9 + i % 2, gains)));
  }
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_TRUE(std::equal(out.begin() + 156, out.end(), expected.begin() + 156));
}

TEST_F(WriterTest, PreviewKeepsLyricsAndId3v1ButNoLeadingBlocksOrFooter) {
  Mp3Builder b;
  b.id3v2Frames(3, {{"TIT2", "T"}}).raw("unknown stuff!").frames(8).zeros(600).lyrics3v2("IND0000200");
  b.id3v1("Title");
  load(b.bytes());
  const auto audio = slice(b.data(), b.frameOffsets()[0], 8 * 417);
  const size_t lyricsAt = b.size() - 128 - (11 + 10 + 6 + 9);
  const std::string preview = dir.file("preview.mp3");
  ASSERT_TRUE(editor.saveproc(SaveMode::Preview, preview));
  std::vector<uint8_t> expected = audio;
  append(expected, slice(b.data(), lyricsAt, b.size() - lyricsAt));
  EXPECT_EQ(readFile(preview), expected);

  // Checking the Lyrics3 box leaves it out, in every mode.
  editor.setRemoveChecked(Block::Lyrics3, true);
  ASSERT_TRUE(editor.saveproc(SaveMode::PreviewAlternate, preview));
  expected = audio;
  append(expected, slice(b.data(), b.size() - 128, 128));
  EXPECT_EQ(readFile(preview), expected);
}

TEST_F(WriterTest, RemoveBoxesLeaveTheirBlocksOut) {
  Mp3Builder b;
  b.id3v2Frames(3, {{"TIT2", "T"}}).riff().raw("unknown stuff!").frames(5).zeros(600).id3v1("Title");
  load(b.bytes());
  const auto offs = b.frameOffsets();
  for (Block block : {Block::Id3v2, Block::Riff, Block::UnknownHeader, Block::UnknownFooter, Block::Id3v1})
    editor.setRemoveChecked(block, true);
  EXPECT_EQ(saveAsNew(), slice(b.data(), offs[0], 5 * 417));
}

TEST_F(WriterTest, Id3v1IsWrittenFromTheRecordWhileItsBoxIsEnabledAndClear) {
  Mp3Builder b;
  b.frames(4).id3v1("Old title", "Artist", "", "", "", 3, 8);
  load(b.bytes());
  setId3v1Text(doc().id3v1Record, Id3v1Field::Title, "New title");
  auto out = saveAsNew();
  ASSERT_EQ(out.size(), 4 * 417 + 128u);
  Mp3Builder expected;
  expected.id3v1("New title", "Artist", "", "", "", 3, 8);
  EXPECT_EQ(slice(out, 4 * 417, 128), expected.bytes());

  // An emptied record disables the box: nothing is written.
  editor.setEnabled(Control::FootTagCheck, false);
  EXPECT_EQ(saveAsNew("second.mp3").size(), 4 * 417u);
}

TEST_F(WriterTest, SelectionModesWriteOnlyTheSelectedFrames) {
  Mp3Builder b;
  b.id3v2Frames(3, {{"TIT2", "T"}}).frames(10).id3v1("t");
  load(b.bytes());
  const auto offs = b.frameOffsets();
  const std::string target = dir.file("sel.mp3");

  // Nothing selected: nothing written.
  EXPECT_FALSE(editor.saveproc(SaveMode::PlaySelection, target));
  EXPECT_FALSE(exists(target));

  selectRange(7, 3);  // ends in either order
  ASSERT_TRUE(editor.saveproc(SaveMode::PlaySelection, target));
  std::vector<uint8_t> frames = slice(b.data(), offs[3], 4 * 417);
  std::vector<uint8_t> expected = frames;
  append(expected, slice(b.data(), b.size() - 128, 128));
  EXPECT_EQ(readFile(target), expected);

  ASSERT_TRUE(editor.saveproc(SaveMode::SaveSelection, dir.file("part.mp3")));
  expected = slice(b.data(), 0, offs[0]);
  append(expected, frames);
  append(expected, slice(b.data(), b.size() - 128, 128));
  EXPECT_EQ(readFile(dir.file("part.mp3")), expected);
}

TEST_F(WriterTest, UnknownLeadingDataBeforeVbrOutputWarnsOutsideScripts) {
  Mp3Builder b;
  b.raw("some leading bytes").frames(3, spec(9)).frames(3, spec(12));
  load(b.bytes());
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
