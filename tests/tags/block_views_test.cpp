// The texts of the Lyrics3 and unknown-data viewers.
#include "tags/block_views.h"

#include <gtest/gtest.h>

#include <string>

namespace kavrel::test {
namespace {

TEST(BlockViews, Lyrics3TextTitleAndLimits) {
  using K = Lyrics3View::Kind;
  const std::string v2 = "Lyrics3 v2 TAG CONTENT";
  const std::string v1 = "Lyrics3 TAG CONTENT";
  const std::string tooLong = std::string(732, 'w') + "\r\n*** TOO LONG, TRUNCATED ***";
  // block after "LYRICSBEGIN", version; what is shown.
  const struct {
    std::string block;
    int version;
    K kind;
    std::string text;
    std::string title;
  } rows[] = {
      {"IND00003abcLYR00005hello", 2, K::Text, "hello", v2},
      {"LYR00005helloIND00003abc", 2, K::Text, "hello", v2},
      {"IND00003abc", 2, K::NoLyrics, "- no lyrics contained -", "Lyrics3 v2"},
      // A field header needs room: LYR at index 2 of 11 characters is too late.
      {"abLYR00001x", 2, K::NoLyrics, "- no lyrics contained -", "Lyrics3 v2"},
      {"abLYR00001xy", 2, K::Text, "x", v2},
      // A damaged or oversized length leaves the text as it is.
      {"LYR0x005hello", 2, K::Text, "LYR0x005hello", v2}, {"LYR00000hello", 2, K::Text, "LYR00000hello", v2},
      {"LYR00013hello", 2, K::Text, "LYR00013hello", v2}, {"LYR   05hello", 2, K::Text, "hello", v2},
      {"some words", 1, K::Text, "some words", v1}, {"some wordsLYRICSEND", 1, K::Text, "some words", v1},
      {"LYR00005helloLYRICS200", 2, K::Text, "hello", v2},
      {std::string(732, 'w'), 1, K::Text, std::string(732, 'w'), v1},
      {std::string(733, 'w'), 1, K::Text, tooLong, v1},
      {"LYR01000" + std::string(1000, 'w') + "IND00000", 2, K::Text, tooLong, v2},
  };
  for (const auto& r : rows) {
    const Lyrics3View view = lyrics3View("LYRICSBEGIN" + r.block, r.version);
    EXPECT_EQ(view.kind, r.kind) << r.block;
    EXPECT_EQ(view.text, r.text) << r.block;
    EXPECT_EQ(view.title, r.title) << r.block;
  }
  EXPECT_EQ(std::tuple(lyrics3View("LYRICSBEGI", 1).kind, lyrics3View("XLYRICSBEGIN text", 2).kind),
            std::tuple(K::NotLyrics3, K::NotLyrics3));
}

TEST(BlockViews, RawDataAsText) {
  const std::string bytes("\x00\xff\x09\x0a\x0d\x01\x1f\x20\xc8Z\x0b\x0c\x0e", 13);
  EXPECT_EQ(rawDataText(bytes, 13), "  ?\n\r?? \xc8Z???");
  EXPECT_EQ(rawDataText(std::string(750, 'a'), 750), std::string(750, 'a'));
  EXPECT_EQ(rawDataText(std::string(750, 'a'), 2000), std::string(750, 'a') + "\r\n- over 750 bytes, truncated -");
  // Never more than 750 bytes, whatever the caller read.
  EXPECT_EQ(rawDataText(std::string(800, 'a'), 800), std::string(750, 'a') + "\r\n- over 750 bytes, truncated -");
}

}  // namespace
}  // namespace kavrel::test
