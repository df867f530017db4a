// The encoder's delay and padding: read from the loaded file's Info/Xing
// frame, kept by saves in a frame of their own with the counts, table and
// CRCs recomputed, the delay and padding kept only where the output still
// starts or ends where the loaded file did.

#include <cstring>

#include "mpeg/lame_tag.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using Bytes = std::vector<uint8_t>;

// CRC-16 as the encoder stores it, bit by bit: polynomial 0x8005 reflected, start 0.
uint16_t encoderCrc(const uint8_t* d, size_t n) {
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i)
    for (int bit = 0, b = d[i]; bit < 8; ++bit, b >>= 1)
      crc = ((crc ^ b) & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  return crc;
}

uint32_t be32(const Bytes& b, size_t at) {
  return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 | b.at(at + 3);
}

// A 417-byte tag frame as the encoder writes it: flags 15, quality 57 and
// the extension with ReplayGain bytes 1..8 and its CRC.
Bytes encoderFrame(int delay, int padding, int mode = 1, VbrKind kind = VbrKind::Info) {
  const FrameSpec spec{.bitrateIndex = 9, .channelMode = mode};
  Bytes f = makeVbrTagFrame(spec, kind, 20, 0);
  const size_t t = size_t(sideInfoOffset(spec.crc) + sideInfoLength(kMpeg1, spec.channelMode)), e = t + 120;
  f[t + 7] = 0x0F;
  f[t + 119] = 57;
  std::memcpy(&f[e], "LAME3.100\x01\xAA\x01\x02\x03\x04\x05\x06\x07\x08\x14\x80", 21);
  f[e + 21] = uint8_t(delay >> 4);
  f[e + 22] = uint8_t((delay & 15) << 4 | padding >> 8);
  f[e + 23] = uint8_t(padding);
  const uint16_t crc = encoderCrc(f.data(), e + 34);
  f[e + 34] = uint8_t(crc >> 8);
  f[e + 35] = uint8_t(crc);
  return f;
}

TEST(LameTag, ReadsDelayPaddingAndExtensionAndRefusesDamagedTags) {
  const Bytes good = encoderFrame(576, 1000), mono = encoderFrame(1105, 4095, 3, VbrKind::Xing);
  const auto tag = parseLameTag(good.data(), good.size());
  ASSERT_TRUE(tag);
  EXPECT_EQ(std::tuple(tag->info, tag->quality, tag->encoderDelay(), tag->padding()),
            std::tuple(true, 57u, 576, 1000));
  EXPECT_EQ(Bytes(tag->extension.begin(), tag->extension.end()), slice(good, 156, 36));
  const auto m = parseLameTag(mono.data(), mono.size());
  ASSERT_TRUE(m);
  EXPECT_EQ(std::tuple(m->info, m->encoderDelay(), m->padding()), std::tuple(false, 1105, 4095));

  auto damaged = [&](size_t at, uint8_t value) {
    Bytes f = good;
    f[at] = value;
    return f;
  };
  Bytes noToc = encoderFrame(576, 1000);  // flags without the table: the extension moves up
  noToc[43] = 0x0B;
  std::memmove(&noToc[52], &noToc[152], 40);
  const uint16_t crc = encoderCrc(noToc.data(), 52 + 4 + 34);
  noToc[52 + 4 + 34] = uint8_t(crc >> 8);
  noToc[52 + 4 + 35] = uint8_t(crc);
  const std::pair<Bytes, size_t> absent[] = {
      {damaged(100, 0x55), good.size()},  // covered byte changed: CRC wrong
      {damaged(191, 0x00), good.size()},  // the CRC itself
      {damaged(156, 'X'), good.size()},   // no encoder name
      {damaged(36, 'X'), good.size()},    // no marker
      {good, 191},                        // frame ends inside the extension
      {good, 3}};
  for (const auto& [bytes, size] : absent) EXPECT_FALSE(parseLameTag(bytes.data(), size)) << size;
  const auto moved = parseLameTag(noToc.data(), noToc.size());
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->padding(), 1000);
}

class GaplessSave : public EditorFixture {
 protected:
  // The encoder's tag frame and 20 frames of 128 kbit/s, each of its own gain.
  Bytes input(const Bytes& tagFrame) {
    Mp3Builder b;
    b.raw(tagFrame);
    for (uint8_t g = 0; g < 20; ++g) b.frame({.gains = {uint8_t(100 + g), 0, 0, 0}});
    return b.bytes();
  }
  void insertAt(size_t at, int32_t entry) {
    doc().frameList.insert(doc().frameList.begin() + std::ptrdiff_t(at), entry);
    doc().gainList.insert(doc().gainList.begin() + std::ptrdiff_t(at), GainPair{});
  }
  void erase(size_t from, size_t to) {
    doc().frameList.erase(doc().frameList.begin() + std::ptrdiff_t(from),
                          doc().frameList.begin() + std::ptrdiff_t(to));
    doc().gainList.erase(doc().gainList.begin() + std::ptrdiff_t(from),
                         doc().gainList.begin() + std::ptrdiff_t(to));
  }
  // The tag frame of a written file, read field by field: marker, frames,
  // delay, padding, ReplayGain kept; and its counts, CRCs checked.
  std::string tagOf(const Bytes& out) {
    if (out.size() < 208 || (std::memcmp(&out[36], "Info", 4) != 0 && std::memcmp(&out[36], "Xing", 4) != 0))
      return "none";
    EXPECT_EQ(slice(out, 0, 4), (Bytes{0xFF, 0xFB, 0x50, 0x44}));  // 64 kbit/s: shortest to hold it
    EXPECT_EQ(be32(out, 40), 15u);
    EXPECT_EQ(be32(out, 152), 57u);
    EXPECT_EQ(be32(out, 48), out.size());   // byte count and music length: the tag frame
    EXPECT_EQ(be32(out, 184), out.size());  // and the audio
    EXPECT_EQ(out[188] << 8 | out[189], encoderCrc(&out[208], out.size() - 208));
    EXPECT_EQ(out[190] << 8 | out[191], encoderCrc(out.data(), 190));
    EXPECT_EQ(slice(out, 156, 11), toBytes("LAME3.100\x01\xAA"));
    const int delay = out[177] << 4 | out[178] >> 4, padding = (out[178] & 15) << 8 | out[179];
    const bool gainKept = slice(out, 167, 8) == Bytes{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(gainKept || slice(out, 167, 8) == Bytes(8, 0));
    return std::string(out.begin() + 36, out.begin() + 40) + " " + std::to_string(be32(out, 44)) + " " +
           std::to_string(delay) + " " + std::to_string(padding) + (gainKept ? "" : " no-gain");
  }
};

TEST_F(GaplessSave, SavesKeepDelayAndPaddingWhereTheEndsStay) {
  const Bytes in = input(encoderFrame(576, 1000));
  const struct {
    const char* edit;
    std::function<void()> apply;
    const char* tag;
  } cases[] = {
      {"none", [] {}, "as loaded"},
      {"first two frames deleted", [&] { erase(1, 3); }, "Info 18 0 1000"},
      {"last frame deleted", [&] { truncateTo(20); }, "Info 19 576 0"},
      {"silence before the first", [&] { insertAt(1, -(9 + 64)); }, "Info 21 0 1000"},
      {"silence after the last", [&] { insertAt(21, -(9 + 64)); }, "Info 21 576 0"},
      {"160 kbps silence inside", [&] { insertAt(5, -(10 + 64)); }, "Xing 21 576 1000"},
      {"one frame louder",
       [&] {
         doc().gainList[3] = {2, 2};
       },
       "Info 20 576 1000 no-gain"},
      {"tag frame deleted", [&] { erase(0, 1); }, "as loaded"},
      {"option off", [&] { editor.options().dropGaplessInfo = true; }, "none"},
  };
  for (const auto& c : cases) {
    load(in);
    editor.options().dropGaplessInfo = false;
    c.apply();
    const Bytes out = saveAsNew(std::string(c.edit) + ".mp3");
    // The audio as loaded keeps the encoder's tag frame unchanged.
    EXPECT_EQ(std::string(c.tag) == "as loaded" ? (out == in ? "as loaded" : "changed") : tagOf(out), c.tag)
        << c.edit;
    if (std::string(c.edit) == "option off") EXPECT_EQ(out, slice(in, 417, in.size() - 417));
  }
  // Parts: the delay with the first frame, the padding with the last.
  editor.options().dropGaplessInfo = false;
  const std::tuple<int32_t, int32_t, const char*> parts[] = {
      {0, 6, "Info 5 576 0"}, {5, 10, "Info 5 0 0"}, {10, 21, "Info 11 0 1000"}};
  for (const auto& [from, to, tag] : parts) {
    load(in);
    selectRange(from, to);
    const std::string part = dir.file("part" + std::to_string(from) + ".mp3");
    editor.saveSelection(Sender::User, part);
    EXPECT_EQ(tagOf(readFile(part)), tag) << from;
  }
  // A tag whose CRC does not match is no tag: the old way, no frame for CBR.
  Bytes bad = encoderFrame(576, 1000);
  bad[191] ^= 1;
  load(input(bad));
  EXPECT_FALSE(doc().gapless.found);
  EXPECT_EQ(tagOf(saveAsNew("bad.mp3")), "none");
}

}  // namespace
}  // namespace kavrel::test
