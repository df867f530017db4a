// The APE tag's items as the viewer and --info show them, and the walk over
// damaged items. Where the loader finds tags: tests/document/ape_layout_test.cpp.
#include "tags/ape_tag.h"

#include <gtest/gtest.h>

#include "support/ape_builder.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

std::string str(const std::vector<uint8_t>& b) { return {b.begin(), b.end()}; }
std::string view(const std::string& tag) {
  const ApeTagView v = apeTagView(tag);
  return std::to_string(v.kind) + " " + v.title + ": " + v.text;
}

TEST(ApeTag, ItemsShowAsOneLineEach) {
  EXPECT_EQ(view(str(t::apeTag({{"REPLAYGAIN_TRACK_GAIN", "-6.48 dB"},
                                {"Title", "Caf\xC3\xA9 \xE2\x9C\x93"},   // UTF-8 as it is
                                {"Artist", std::string("One\0Two", 7)},  // two values
                                {"Comment", "line 1\r\nline 2\tend"},
                                {"Album", "\xE9t\xE9"},  // not UTF-8: the code page
                                {"Cover Art (Front)", std::string(1000, '\xFF'), 2},
                                {"Related", "http://example.org/", 4}}))),
            "0 APEv2 TAG CONTENT: REPLAYGAIN_TRACK_GAIN: -6.48 dB\r\nTitle: Caf\xC3\xA9 \xE2\x9C\x93\r\n"
            "Artist: One / Two\r\nComment: line 1 / line 2?end\r\nAlbum: \xC3\xA9t\xC3\xA9\r\n"
            "Cover Art (Front): (binary, 1000 bytes)\r\nRelated: http://example.org/");
  EXPECT_EQ(view(str(t::apeTag({{"Year", "1999"}}, 1000))), "0 APEv1 TAG CONTENT: Year: 1999");
  EXPECT_EQ(view(str(t::apeTag({}))), "1 APEv2: - no items contained -");
  // Long items are cut, never inside a character.
  const std::string a(kApeViewChars - 9, 'a');
  EXPECT_EQ(view(str(t::apeTag({{"Lyrics", a + "\xE2\x9C\x93"}}))),
            "0 APEv2 TAG CONTENT: Lyrics: " + a + "\r\n*** TOO LONG, TRUNCATED ***");
}

TEST(ApeTag, DamagedItemsEndTheWalk) {
  const std::string two = str(t::apeItemBytes({{"Artist", "A"}, {"Title", "T"}}));  // 16 + 15 bytes
  std::string valueTooLong = two;
  valueTooLong[16] = 2;  // the second value's size, one byte more than there is
  const struct {
    std::string data;
    uint32_t count;
    size_t items, used;
    bool complete;
  } rows[] = {
      {two, 2, 2, 31, true},
      {two, 1, 1, 16, true},                 // fewer counted: the rest is left over
      {two, 3, 2, 31, false},                // more counted than there are
      {two.substr(0, 29), 2, 1, 16, false},  // a key without its zero byte
      {valueTooLong, 2, 1, 16, false},
      {str(t::apeItemBytes({{"A", "x"}})), 1, 0, 0, false},                    // a key of one character
      {str(t::apeItemBytes({{std::string(256, 'k'), "x"}})), 1, 0, 0, false},  // of 256
      {str(t::apeItemBytes({{"Ti\xC3\xA9tle", "x"}})), 1, 0, 0, false},        // not ASCII
  };
  for (const auto& r : rows) {
    const ApeItems parsed = parseApeItems(r.data, r.count);
    EXPECT_EQ(std::tuple(parsed.items.size(), parsed.used, parsed.complete),
              std::tuple(r.items, r.used, r.complete))
        << r.data.size() << " bytes, " << r.count;
  }
  // The viewer shows what it could read and says so; bytes that are no tag
  // it does not show.
  auto tag = t::apeTag({{"Artist", "A"}, {"Title", "T"}}, 2000, false);
  tag[tag.size() - 16] = 3;  // the footer's item count
  EXPECT_EQ(view(str(tag)),
            "0 APEv2 TAG CONTENT: Artist: A\r\nTitle: T\r\n*** DAMAGED: 2 of 3 items readable ***");
  const std::string whole = str(t::apeTag({{"Artist", "A"}}));
  std::string headerAtEnd = whole, noHeader = whole;
  headerAtEnd[whole.size() - 9] |= 0x20;  // the footer's flag "this is the header"
  noHeader[0] = 'X';
  for (const std::string& bytes : {whole.substr(1), whole + "x", headerAtEnd, noHeader})
    EXPECT_EQ(apeTagView(bytes).kind, ApeTagView::NotApe) << bytes.size();
}

}  // namespace
}  // namespace kavrel
