// Field text decoding, frame sizes and resynchronisation.

#include "tags/id3v2/tag_header.h"
#include "tags/id3v2/text_codec.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrel::test {
namespace {

DecodedText decode(int encoding, std::vector<uint8_t> bytes, size_t start = 0) {
  return decodeFieldText(encoding, bytes.data(), start, bytes.size());
}

TEST(DecodeFieldText, SingleByteTextStopsAtZeroAndCleansControls) {
  const auto r = decode(0, {'a', 10, 'b', 13, 9, 'c', 0xE9, 0, 'x'});
  EXPECT_EQ(r.text, "a\r\nbc\xE9");
  EXPECT_EQ(r.next, 8u);
  const auto unterminated = decode(0, {'a', 'b'});
  EXPECT_EQ(unterminated.text, "ab");
  EXPECT_EQ(unterminated.next, 3u);
  const auto empty = decode(0, {'a'}, 1);
  EXPECT_EQ(empty.text, "");
  EXPECT_EQ(empty.next, 1u);
}

TEST(DecodeFieldText, Utf16WithEitherByteOrderMark) {
  EXPECT_EQ(decode(1, {0xFE, 0xFF, 0x00, 'A', 0x00, 'B'}).text, "AB");
  EXPECT_EQ(decode(1, {0xFF, 0xFE, 'A', 0x00, 'B', 0x00}).text, "AB");
  // Description then text, each ending in a zero unit.
  const std::vector<uint8_t> two = {0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 't', 0};
  const auto d = decodeFieldText(1, two.data(), 0, two.size());
  EXPECT_EQ(d.text, "d");
  EXPECT_EQ(d.next, 6u);
  EXPECT_EQ(decodeFieldText(1, two.data(), d.next, two.size()).text, "t");
  // No mark: little-endian.
  EXPECT_EQ(decode(1, {'H', 0, 'i', 0}).text, "Hi");
  // Encoding 2 is big-endian without a mark.
  EXPECT_EQ(decode(2, {0, 'O', 0, 'K'}).text, "OK");
}

TEST(DecodeFieldText, Utf16ConvertsToTheCodePageWithQuestionMarks) {
  // e-acute, euro sign, Cyrillic De, a surrogate pair (one character).
  const auto r = decode(1, {0xFF, 0xFE, 0xE9, 0x00, 0xAC, 0x20, 0x14, 0x04, 0x3D, 0xD8, 0x00, 0xDE, 'z', 0});
  EXPECT_EQ(r.text, "\xE9\x80??z");
  // A lone high surrogate is one unknown character too.
  EXPECT_EQ(decode(2, {0xD8, 0x00, 0, 'q'}).text, "?q");
}

TEST(DecodeFieldText, Utf8ConvertsWhenWellFormedElseBytes) {
  EXPECT_EQ(decode(3, {'C', 'a', 'f', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xD0, 0x94}).text, "Caf\xE9\x80?");
  // Not UTF-8: shown byte by byte.
  EXPECT_EQ(decode(3, {'a', 0xE9, 'b'}).text,
            "a\xE9"
            "b");
  // Encoding 0 never converts.
  EXPECT_EQ(decode(0, {0xC3, 0xA9}).text, "\xC3\xA9");
}

TEST(FrameSize, PerVersion) {
  const uint8_t b[4] = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(decodeFrameSize(b, 2), 0x010203u);
  EXPECT_EQ(decodeFrameSize(b, 3), 0x01020304u);
  EXPECT_EQ(decodeFrameSize(b, 4), 1u * 2097152 + 2 * 16384 + 3 * 128 + 4);
  const uint8_t big[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(decodeFrameSize(big, 3), 0xFFFFFFFFu);
}

TEST(Resync, DropsTheZeroAfterEveryFF) {
  std::vector<uint8_t> b = {0xFF, 0x00, 0xE0, 0xFF, 0x00, 0x00, 0x12, 0xFF};
  const size_t n = resync(b.data(), b.size());
  b.resize(n);
  EXPECT_EQ(b, (std::vector<uint8_t>{0xFF, 0xE0, 0xFF, 0x00, 0x12, 0xFF}));
}

}  // namespace
}  // namespace kavrel::test
