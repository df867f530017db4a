// The ID3v1 record: reading rules, versions, genres, content and the scan.
#include "tags/id3v1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kavrel::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Pokes = std::initializer_list<std::pair<int, uint8_t>>;

// Text bytes with single bytes set after them (and zeros up to those).
Bytes text(const std::string& s, Pokes pokes = {}) {
  Bytes b(s.begin(), s.end());
  for (const auto& [at, v] : pokes) {
    b.resize(std::max(b.size(), size_t(at) + 1), 0);
    b[size_t(at)] = v;
  }
  return b;
}

// The 125 bytes after "TAG" from explicit field bytes; `pokes` then set single bytes.
Bytes record(const std::string& title, const std::string& year, const Bytes& comment, uint8_t genre,
             Pokes pokes = {}) {
  Bytes r(125, 0);
  for (const auto& [at, field, width] :
       {std::tuple{0, text(title), 30}, {30, text("Ar"), 30}, {60, text("Al"), 30}, {90, text(year), 4},
        {94, comment, 30}})
    std::copy_n(field.begin(), std::min(size_t(width), field.size()), r.begin() + at);
  r[124] = genre;
  for (const auto& [at, b] : pokes) r[size_t(at)] = b;
  return r;
}

TEST(Id3v1Record, ReadingRules) {
  // Title, artist and album: bytes after a 0 within the first 29 become 0; the year: within the first 3. A 0
  // among the first 27 comment bytes zeroes the rest of the first 28 and turns a non-zero 29th byte into a
  // blank (version 1.0 stays 1.0); byte 28 0 is version 1.1 with its track.
  const std::string a30(30, 'a'), c27(27, 'c');
  // What, bytes read, bytes kept (empty: as read), comment text, track (-1: version 1.0).
  const std::tuple<const char*, Bytes, Bytes, std::string, int> rows[] = {
      {"garbage after the first zero of each field",
       record("Ti", "19", {}, 3, {{3, 'X'}, {29, 'Y'}, {35, 'Z'}, {88, 'W'}, {93, '9'}}),
       record("Ti", "19", {}, 3), "", 0},
      {"fields without a zero stay whole", record(a30, "1999", text(a30), 1), {}, a30, -1},
      {"version 1.1 with its track", record("", "", text("c", {{29, 7}}), 255), {}, "c", 7},
      {"version 1.0 comment garbage",
       record("", "", text("abc", {{4, 'g'}, {27, 'g'}, {28, 'g'}, {29, 'g'}}), 255),
       record("", "", text("abc", {{28, ' '}, {29, 'g'}}), 255), "abc", -1},
      {"a zero at comment byte 27 clears nothing", record("", "", text(c27, {{28, 'g'}, {29, 'g'}}), 0), {},
       c27, -1},
  };
  for (const auto& [what, in, out, comment, track] : rows) {
    const Id3v1Record r = id3v1FromTagBytes(in.data());
    EXPECT_EQ(Bytes(r.bytes.begin(), r.bytes.end()), out.empty() ? in : out) << what;
    EXPECT_EQ(r.text(Id3v1Field::Comment), comment) << what;
    EXPECT_EQ(r.isVersion11(), track >= 0) << what;
    EXPECT_EQ(r.track(), std::max(track, 0)) << what;
  }
  const Id3v1Record first = id3v1FromTagBytes(std::get<1>(rows[0]).data());
  EXPECT_EQ(first.text(Id3v1Field::Title) + first.text(Id3v1Field::Year), "Ti19");
}

TEST(Id3v1Record, EditingAndTheContentRule) {
  Id3v1Record r;  // reset: all zero, no genre
  EXPECT_TRUE(Bytes(r.bytes.begin(), r.bytes.end()) == text("", {{124, 255}}) && !id3v1HasContent(r));
  for (const auto field : {Id3v1Field::Title, Id3v1Field::Artist, Id3v1Field::Album, Id3v1Field::Year,
                           Id3v1Field::Comment}) {
    setId3v1Text(r, field, "1");
    EXPECT_TRUE(id3v1HasContent(r)) << int(field);
    setId3v1Text(r, field, "");
    EXPECT_FALSE(id3v1HasContent(r)) << int(field);
  }
  for (const int at : {kId3v1TrackByte, kId3v1GenreByte}) {
    Id3v1Record other;
    other.bytes[size_t(at)] = at == kId3v1GenreByte ? 0 : 1;  // Blues; track 1
    EXPECT_TRUE(id3v1HasContent(other)) << at;
  }
  // A text is cut to its field and the rest of the field zeroed; version 1.1
  // keeps its comment to 28 bytes so the track survives, 1.0 takes 30.
  setId3v1Text(r, Id3v1Field::Album, std::string(40, 'q'));
  EXPECT_EQ(r.text(Id3v1Field::Album), std::string(30, 'q'));
  EXPECT_EQ(r.bytes[90], 0) << "the year is untouched";
  setId3v1Text(r, Id3v1Field::Album, "ab");
  EXPECT_EQ(r.text(Id3v1Field::Album) + char('0' + r.bytes[65]), "ab0");
  r.bytes[kId3v1TrackByte] = 9;
  setId3v1Text(r, Id3v1Field::Comment, std::string(30, 'c'));
  EXPECT_EQ(std::tuple(r.text(Id3v1Field::Comment), int(r.track())), std::tuple(std::string(28, 'c'), 9));
  r.bytes[kId3v1VersionByte] = 'x';
  setId3v1Text(r, Id3v1Field::Comment, std::string(31, 'd'));
  EXPECT_EQ(r.text(Id3v1Field::Comment), std::string(30, 'd'));
  const auto tag = id3v1TagBytes(r);
  EXPECT_EQ(std::string(tag.begin(), tag.end()), "TAG" + std::string(r.bytes.begin(), r.bytes.end()));
  // Genre names end at 148; other bytes show as unknown.
  EXPECT_TRUE(genreName(148) == "Christian" && genreName(149).empty() && genreName(-1).empty());
  for (const auto& [genre, shown] : {std::pair{0, "Blues"}, {149, "unknown (149)"}, {254, "unknown (254)"},
                                     {255, "unknown"}})
    EXPECT_EQ(genreDisplayText(genre), shown);
}

TEST(Id3v1Scan, ArtistTitleAndAlbumFromThePath) {
  // " - " wins over an earlier "-"; then " -", "- ", "-". No separator, or a
  // name of fewer than 4 characters: all title. Only a final ".mp3" goes.
  // The album is the folder's name, or with splitting the part after its separator.
  const std::tuple<const char*, bool, bool, const char*> rows[] = {
      {"/music/Some Artist - Some Title.MP3", false, false, "Some Artist|Some Title|"},
      {"/m/Jean-Luc - A Song.mp3", false, false, "Jean-Luc|A Song|"},
      {"/m/Band -Song.mp3", false, false, "Band|Song|"}, {"/m/Band- Song.mp3", false, false, "Band|Song|"},
      {"/m/Band-Song-Live.mp3", false, false, "Band|Song-Live|"},
      {"/m/Untitled.mp3", false, false, "|Untitled|"}, {"/m/a-bc", false, false, "a|bc|"},
      {"/m/a-b.mp3", false, false, "|a-b|"},
      {"/m/Artist - Title.mp3.wav", false, false, "Artist|Title.mp3.wav|"},
      {"/music/1999 - Best Album/Artist - Title.mp3", true, false, "Artist|Title|1999 - Best Album"},
      {"/music/1999 - Best Album/Artist - Title.mp3", true, true, "Artist|Title|Best Album"},
      {"/music/Plain/Artist - Title.mp3", true, true, "Artist|Title|Plain"},
      {"Artist - Title.mp3", true, true, "Artist|Title|"},
  };
  for (const auto& [path, album, split, expected] : rows) {
    const FileNameScan scan = scanFileName(path, album, split);
    EXPECT_EQ(scan.artist + "|" + scan.title + "|" + scan.album, expected) << path << " " << album << split;
  }
}

}  // namespace
}  // namespace kavrel::test
