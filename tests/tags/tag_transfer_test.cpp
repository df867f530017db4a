// Copying the common fields between the two tag editors' boxes.
#include "tags/tag_transfer.h"

#include <gtest/gtest.h>

namespace kavrel::test {
namespace {

using F = TransferField;
constexpr uint16_t kBlankOnly = kTransferDefault & ~kTransferOverwrite;

std::string names(const TransferResult& r) {
  static const char* kNames[] = {"title", "artist", "album", "genre", "comment", "year", "track"};
  std::string s = r.noFields ? "none" : "";
  for (F f : r.changed) s += (s.empty() ? "" : " ") + std::string(kNames[int(f)]);
  return s;
}

TEST(TagTransfer, SettingsWordsAreRememberedPerDirection) {
  EXPECT_EQ(transferDialogWord(0), kTransferDefault);
  EXPECT_EQ(transferDialogWord(3), kTransferDefault);  // not remembered: the default again
  EXPECT_EQ(transferDialogWord(3 | kTransferRemember), 3 | kTransferRemember);
  std::array<uint16_t, 2> stored{kTransferDefault, kTransferDefault};
  storeTransferWord(stored, TransferDirection::V1ToV2, 5);
  EXPECT_EQ(stored, (std::array<uint16_t, 2>{kTransferDefault, kTransferDefault}));
  storeTransferWord(stored, TransferDirection::V2ToV1, 5 | kTransferRemember);
  EXPECT_EQ(stored, (std::array<uint16_t, 2>{kTransferDefault, 5 | kTransferRemember}));
  const uint16_t both = 9 | kTransferRemember | kTransferOpposite;
  storeTransferWord(stored, TransferDirection::V1ToV2, both);
  EXPECT_EQ(stored, (std::array<uint16_t, 2>{both, both}));
  EXPECT_EQ(transferSwitchQuestion(TransferDirection::V2ToV1), "Do you want to copy from ID3v1 to ID3v2 instead?");
}

TEST(TagTransfer, Id3v1IntoId3v2) {
  const Id3v1Boxes v1{"Title  ", "Artist", "", "comment", "1999", "7", 17, true};
  Id3v2Boxes v2{"Old", "", "Album", "", "", "", "3"};
  Id3v2Boxes blank = v2;
  EXPECT_EQ(names(transferToId3v2(v1, blank, kBlankOnly)), "artist genre comment year");
  EXPECT_EQ(blank.title + "|" + blank.track, "Old|3");
  EXPECT_EQ(names(transferToId3v2(v1, v2, kTransferDefault)), "title artist album genre comment year track");
  EXPECT_EQ((std::array{v2.title, v2.album, v2.genre, v2.track}), (std::array<std::string, 4>{"Title", "", "Rock", "7"}));
  // Unchanged boxes are not highlighted again; a track of 0 leaves none.
  Id3v1Boxes zero = v1;
  zero.track = "0";
  EXPECT_EQ(names(transferToId3v2(zero, v2, kTransferDefault)), "track");
  EXPECT_EQ(v2.track, "");
  EXPECT_EQ(names(transferToId3v2(v1, v2, kTransferRemember)), "none");
}

TEST(TagTransfer, Id3v2IntoId3v1) {
  const Id3v2Boxes v2{"T", "A", "Al", " rock ", std::string(35, 'c'), "2024-05-01", "12/15"};
  Id3v1Boxes v11;
  EXPECT_EQ(names(transferToId3v1(v2, v11, kTransferDefault)), "title artist album genre comment year track");
  EXPECT_EQ((std::array{v11.comment.size(), v11.year.size()}), (std::array<size_t, 2>{28, 4}));
  EXPECT_EQ(std::pair(v11.genreLine, v11.track), std::pair(17, std::string("12")));
  // Version 1.0: a 30-character comment and no track.
  Id3v1Boxes v10;
  v10.version11 = false;
  v10.track = "";
  EXPECT_EQ(names(transferToId3v1(v2, v10, kTransferDefault)), "title artist album genre comment year");
  EXPECT_EQ(v10.comment.size(), 30u);
  // Blank only: a selected genre line counts as filled.
  Id3v1Boxes filled;
  filled.title = "Mine";
  filled.genreLine = 3;
  EXPECT_EQ(names(transferToId3v1(v2, filled, kBlankOnly)), "artist album comment year track");
  EXPECT_EQ(std::pair(filled.title, filled.genreLine), std::pair(std::string("Mine"), 3));
}

TEST(TagTransfer, GenreLinesOfId3v2Texts) {
  const std::pair<const char*, int> rows[] = {
      {"Rock", 17}, {" ROCK\0", 17}, {"(17)", 17}, {"(17)Rock", 17}, {"17", 17}, {"(148)", 148}, {"(149)", -1},
      {"(RX)", -1}, {"(CR)Blues", 0}, {"Rock & Roll", 78}, {"Rockabilly", -1}, {"", -1}, {"1234", -1}};
  for (const auto& [text, line] : rows) EXPECT_EQ(genreLineOf(text), line) << text;
}

}  // namespace
}  // namespace kavrel::test
