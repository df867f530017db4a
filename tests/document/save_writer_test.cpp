// What the save writer puts into a file: frames, gains, Xing frame, blocks.
#include "document/save_writer.h"

#include "document/save_messages.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using WriterTest = EditorFixture;
using Bytes = std::vector<uint8_t>;
using Gains = std::array<uint8_t, 4>;

FrameSpec spec(int bitrate = 9, Gains gains = {150, 150, 150, 150}, int mode = 1, bool crc = false,
               int rate = 0, int version = kMpeg1) {
  return {.bitrateIndex = bitrate,
          .sampleRateIndex = rate,
          .channelMode = mode,
          .crc = crc,
          .versionCode = version,
          .gains = gains};
}
Bytes tail(const Bytes& b, size_t n) { return slice(b, b.size() - n, n); }
uint32_t be32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

TEST_F(WriterTest, UnchangedDocumentWithAllBlocksIsWrittenByteForByte) {
  // Tag before RIFF, unknown data on both sides of the audio, Lyrics3, ID3v1;
  // and RIFF before the tag, which keeps its order.
  Mp3Builder all, riffFirst;
  all.id3v2Frames(3, {{"TIT2", "Title"}}, 16).riff().raw("junk data of no known kind").frames(20).zeros(500);
  all.lyrics3v2("IND0000200").id3v1("Song", "Band", "Disc", "1999", "note", 4, 17);
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
  EXPECT_EQ(readGains(out, 0), (Gains{153, 153, 153, 153}));
}

TEST_F(WriterTest, MixedBitratesGetAXingFrameOfTheirRateAndMode) {
  // 48 kbit/s at 44.1 kHz, joint stereo, original bit; at 48 kHz 56 kbit/s;
  // in mono the tag sits at 21. Flags 7, audio frames + 1; the byte count and
  // the table cover the Xing frame and the audio, not the tag after it.
  // MPEG-2 and 2.5 frames get a frame of their own version: 48 kbit/s at
  // 22.05 kHz, 24 at 8 kHz, the tag after 9 or 17 bytes of side information.
  const std::tuple<int, int, int, Bytes, size_t, size_t> cases[] = {
      {kMpeg1, 0, 1, {0xFF, 0xFB, 0x30, 0x44}, 36, 156},  {kMpeg1, 1, 1, {0xFF, 0xFB, 0x44, 0x44}, 36, 168},
      {kMpeg1, 0, 3, {0xFF, 0xFB, 0x30, 0xC4}, 21, 156},  {kMpeg2, 0, 1, {0xFF, 0xF3, 0x60, 0x44}, 21, 156},
      {kMpeg25, 2, 3, {0xFF, 0xE3, 0x38, 0xC4}, 13, 216}};
  for (const auto& [version, rate, mode, header, at, xing] : cases) {
    const Gains g = mode == 3 ? Gains{150, 150, 0, 0} : Gains{150, 150, 150, 150};
    const std::string name = std::to_string(version) + std::to_string(rate) + std::to_string(mode) + ".mp3";
    const auto b = load(Mp3Builder()
                            .frames(3, spec(9, g, mode, false, rate, version))
                            .frames(4, spec(10, g, mode, false, rate, version))
                            .frames(3, spec(9, g, mode, false, rate, version))
                            .id3v1("after the audio"),
                        name);
    const auto out = saveAsNew("out" + name);
    ASSERT_EQ(out.size(), xing + b.size()) << name;
    const size_t audioBytes = out.size() - 128;
    EXPECT_EQ(std::tuple(slice(out, 0, 4), slice(out, at, 4), be32(out, at + 4), be32(out, at + 8),
                         be32(out, at + 12)),
              std::tuple(header, toBytes("Xing"), 7u, 11u, uint32_t(audioBytes)));
    EXPECT_EQ(slice(out, xing, b.size()), b.bytes());
    // Frame k starts at the Xing length + its source offset. Entry j points at frame round(j * 9 / 100),
    // halves to even: entry 50 is frame 4, not 5; 0.9 -> 1; 8.91 -> 9.
    const auto offs = b.frameOffsets();
    auto entry = [&](size_t k) { return uint8_t(256.0 * double(xing + offs[k]) / double(audioBytes)); };
    const size_t toc = at + 16;
    EXPECT_EQ(std::tuple(out[toc], out[toc + 50], out[toc + 10], out[toc + 99]),
              std::tuple(uint8_t(0), entry(4), entry(1), entry(9)));
    for (size_t j = 1; j < 100; ++j) EXPECT_LE(out[toc + j - 1], out[toc + j]);
    EXPECT_EQ(slice(out, toc + 100, xing - toc - 100), Bytes(xing - toc - 100, 0));
    // Our own loader takes it for a Xing frame again.
    Editor again(host);
    ASSERT_TRUE(again.loadFile(dir.file("out" + name)));
    EXPECT_EQ(
        std::pair(int(again.document().frameTable[0].vbrHeaderKind), again.document().documentFrameCount()),
        std::pair(int(kVbrXing), 11));
  }
  // Three frames: entry 25 is frame round(0.5) = 0, entry 50 frame 1, entry 75 frame round(1.5) = 2. Entries
  // never pass 255; positions before the Xing frame count as 0.
  const auto toc = xingTableOfContents({100, 200, 300}, 0, 1000);
  EXPECT_EQ(std::tuple(toc[0], toc[25], toc[50], toc[75]), std::tuple(0, 25, 51, 76));
  EXPECT_EQ(xingTableOfContents({0, 2000}, 0, 1000)[99], 255);
  EXPECT_EQ(xingTableOfContents({0, 50}, 100, 1000)[99], 0);
}

TEST(XingFrame, WholeFrameAtEveryRateAndMode) {
  // The first bitrate from 48 kbit/s whose frame holds 148 bytes and the tag
  // after the side information ("Xing", flags 7, frames + 1, then the byte
  // count and the 100-entry table): 48 kbit/s at 44.1 and 32 kHz, 56 at 48 kHz.
  const std::tuple<int, uint8_t, size_t> rates[] = {{0, 0x30, 156}, {1, 0x44, 168}, {2, 0x38, 216}};
  for (const auto& [rate, byte2, size] : rates) {
    for (int mode = 0; mode < 4; ++mode) {
      const size_t at = mode == 3 ? 21 : 36;
      Bytes expected = cat({{0xFF, 0xFB, byte2, uint8_t(64 * mode + 4)}, Bytes(at - 4, 0),
                            {'X', 'i', 'n', 'g', 0, 0, 0, 7, 0, 0, 0, 11}});
      expected.resize(size);
      EXPECT_EQ(xingFrameBytes(kMpeg1, rate, mode, 10), expected) << "rate " << rate << " mode " << mode;
      EXPECT_EQ(xingTagOffset(kMpeg1, mode), int(at));
    }
  }
}

TEST_F(WriterTest, GainChangePatchesGlobalGainOfEveryChannelModeFromTheLoadedValue) {
  // Joint stereo: left g0 g2, right g1 g3; clamped to 0..255; mono: left for both granules. MPEG-2 and 2.5
  // have one granule: left g0, right g1, mono g0; their 8 kbit/s frames at 24 kHz are 24 bytes long.
  const std::tuple<int, int, int, Gains, GainPair, Gains> cases[] = {
      {kMpeg1, 9, 1, {100, 110, 120, 130}, {4, -2}, {104, 108, 124, 128}},
      {kMpeg1, 9, 0, {100, 110, 120, 130}, {-3, 5}, {97, 115, 117, 135}},
      {kMpeg1, 9, 2, {100, 110, 120, 130}, {1, 0}, {101, 110, 121, 130}},
      {kMpeg1, 9, 1, {253, 2, 250, 255}, {4, -4}, {255, 0, 254, 251}},
      {kMpeg2, 9, 1, {100, 110, 0, 0}, {4, -2}, {104, 108, 0, 0}},
      {kMpeg2, 1, 0, {253, 2, 0, 0}, {4, -4}, {255, 0, 0, 0}},
      {kMpeg25, 5, 3, {100, 0, 0, 0}, {5, -7}, {105, 0, 0, 0}},
      {kMpeg1, 9, 3, {100, 120, 0, 0}, {5, -7}, {105, 125, 0, 0}}};  // mono last: saved again below
  int n = 0;
  for (const auto& [version, bitrate, mode, before, change, after] : cases) {
    for (bool crc : {false, true}) {
      const int rate = bitrate == 1 ? 1 : 0, count = bitrate == 1 ? 12 : 3;  // files of 256 bytes and more
      load(Mp3Builder().frames(count, spec(bitrate, before, mode, crc, rate, version)),
           "g" + std::to_string(n) + ".mp3");
      doc().gainList[1] = change;
      // The whole frame equals one built with the new gains: no other bit
      // moved, and a CRC frame carries the CRC of its new side information.
      const Bytes unchanged = makeFrame(spec(bitrate, before, mode, crc, rate, version));
      Bytes expected = cat({unchanged, makeFrame(spec(bitrate, after, mode, crc, rate, version))});
      for (int k = 2; k < count; ++k) expected = cat({expected, unchanged});
      EXPECT_EQ(saveAsNew("g" + std::to_string(n++) + "-out.mp3"), expected)
          << "version " << version << " mode " << mode << " crc " << crc;
    }
  }
  // A second save starts again from the loaded value.
  doc().gainList[1] = {2, 2};
  EXPECT_EQ(readGains(saveAsNew("again.mp3"), 417), (Gains{102, 122, 0, 0}));
}

TEST_F(WriterTest, StoredLengthIsClampedTo16Through32767AndSilentFramesAreSynthesised) {
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
  // 128 kbit/s, 44.1 kHz, joint stereo; then bitrate code 15 (free) at 32 kHz
  // mono: two bitrates now, so a Xing frame leads. Silent frames get no gain.
  load(Mp3Builder().frames(2), "silent.mp3");
  doc().frameList.insert(doc().frameList.end(), {-(9 | (0 << 4) | (1 << 6)), -(15 | (2 << 4) | (3 << 6))});
  doc().gainList.resize(4, {20, 20});
  const auto out = saveAsNew("silent-out.mp3");
  ASSERT_EQ(out.size(), 156 + 2 * 417 + 417 + 32);
  EXPECT_EQ(tail(out, 417 + 32),
            cat({{0xFF, 0xFB, 0x90, 0x40}, Bytes(413, 0), {0xFF, 0xFB, 0x08, 0xC0}, Bytes(28, 0)}));
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
  for (int i = 100; i < kFrames; ++i) d.frameList.insert(d.frameList.end(), i % 10 ? 1 : 2, i);
  d.gainList.assign(d.frameList.size(), GainPair{});
  for (size_t k = 0; k < d.frameList.size(); k += 7) d.gainList[k] = {3, 0};
  const auto out = saveAsNew();
  Bytes expected(156, 0);  // the Xing frame (two bitrates)
  for (size_t k = 0; k < d.frameList.size(); ++k)
    for (uint8_t byte : makeFrame(frameSpec(d.frameList[k], k % 7 ? 0 : 3))) expected.push_back(byte);
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_TRUE(std::equal(out.begin() + 156, out.end(), expected.begin() + 156));
}

TEST_F(WriterTest, ModesRemoveBoxesAndTheId3v1RecordChooseTheBlocks) {
  auto b = Mp3Builder().id3v2Frames(3, {{"TIT2", "T"}}).riff().raw("unknown stuff!").frames(8).zeros(600);
  load(b.lyrics3v2("IND0000200").id3v1("Title"));
  const auto audio = slice(b.data(), b.frameOffsets()[0], 8 * 417);
  // A preview keeps Lyrics3 and ID3v1 but no leading blocks or footer.
  const std::string preview = dir.file("preview.mp3");
  ASSERT_TRUE(editor.saveproc(SaveMode::Preview, preview));
  EXPECT_EQ(readFile(preview), cat({audio, tail(b.data(), 128 + 11 + 10 + 6 + 9)}));
  // Checking a box leaves its block out, in every mode.
  editor.setRemoveChecked(Block::Lyrics3, true);
  ASSERT_TRUE(editor.saveproc(SaveMode::PreviewAlternate, preview));
  EXPECT_EQ(readFile(preview), cat({audio, tail(b.data(), 128)}));
  for (Block block : {Block::Id3v2, Block::Riff, Block::UnknownHeader, Block::UnknownFooter, Block::Id3v1})
    editor.setRemoveChecked(block, true);
  EXPECT_EQ(saveAsNew(), audio);
  // ID3v1 comes from the record while its box is enabled: an emptied record
  // disables the box, and nothing is written.
  load(Mp3Builder().frames(4).id3v1("Old title", "Artist", "", "", "", 3, 8), "v1.mp3");
  setId3v1Text(doc().id3v1Record, Id3v1Field::Title, "New title");
  EXPECT_EQ(saveAsNew("v1-new.mp3"),
            Mp3Builder().frames(4).id3v1("New title", "Artist", "", "", "", 3, 8).bytes());
  editor.setEnabled(Command::RemoveId3v1, false);
  EXPECT_EQ(saveAsNew("v1-none.mp3"), Mp3Builder().frames(4).bytes());
}

TEST_F(WriterTest, SelectionModesWriteOnlyTheSelectedFrames) {
  // The frame after the selection has another bitrate: no Xing frame.
  const auto b = load(Mp3Builder().id3v2Frames(3, {{"TIT2", "T"}}).frames(7).frames(3, spec(10)).id3v1("t"));
  const auto offs = b.frameOffsets();
  const std::string target = dir.file("sel.mp3");
  EXPECT_FALSE(editor.saveproc(SaveMode::PlaySelection, target));  // nothing selected: nothing written
  EXPECT_FALSE(exists(target));
  selectRange(7, 3);  // ends in either order
  ASSERT_TRUE(editor.saveproc(SaveMode::PlaySelection, target));
  const Bytes frames = slice(b.data(), offs[3], 4 * 417);
  EXPECT_EQ(readFile(target), cat({frames, tail(b.data(), 128)}));
  ASSERT_TRUE(editor.saveproc(SaveMode::SaveSelection, dir.file("part.mp3")));
  EXPECT_EQ(readFile(dir.file("part.mp3")), cat({slice(b.data(), 0, offs[0]), frames, tail(b.data(), 128)}));
}

TEST_F(WriterTest, UnknownLeadingDataBeforeVbrOutputWarnsOutsideScripts) {
  load(Mp3Builder().raw("some leading bytes").frames(3).frames(3, spec(12)));
  saveAsNew();
  EXPECT_EQ(boxes(), "!Warning: " + std::string(msg::kUnknownLeadingData));
  editor.scriptRunning = true;
  EXPECT_TRUE(editor.saveAs(Sender::ScriptMarker, dir.file("script.mp3")));
  EXPECT_EQ(boxes() + std::to_string(editor.operationStatus), "0");
}

}  // namespace
}  // namespace kavrel::test
