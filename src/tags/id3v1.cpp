#include "tags/id3v1.h"

#include <algorithm>
#include <cstring>

#include "base/file_io.h"

namespace kavrel {

namespace {

constexpr std::array<std::string_view, kGenreCount> kGenres = {"Blues",
                                                               "Classic Rock",
                                                               "Country",
                                                               "Dance",
                                                               "Disco",
                                                               "Funk",
                                                               "Grunge",
                                                               "Hip-Hop",
                                                               "Jazz",
                                                               "Metal",
                                                               "New Age",
                                                               "Oldies",
                                                               "Other",
                                                               "Pop",
                                                               "R&B",
                                                               "Rap",
                                                               "Reggae",
                                                               "Rock",
                                                               "Techno",
                                                               "Industrial",
                                                               "Alternative",
                                                               "Ska",
                                                               "Death Metal",
                                                               "Pranks",
                                                               "Soundtrack",
                                                               "Euro-Techno",
                                                               "Ambient",
                                                               "Trip-Hop",
                                                               "Vocal",
                                                               "Jazz+Funk",
                                                               "Fusion",
                                                               "Trance",
                                                               "Classical",
                                                               "Instrumental",
                                                               "Acid",
                                                               "House",
                                                               "Game",
                                                               "Sound Clip",
                                                               "Gospel",
                                                               "Noise",
                                                               "AlternRock",
                                                               "Bass",
                                                               "Soul",
                                                               "Punk",
                                                               "Space",
                                                               "Meditative",
                                                               "Instrumental Pop",
                                                               "Instrumental Rock",
                                                               "Ethnic",
                                                               "Gothic",
                                                               "Darkwave",
                                                               "Techno-Industrial",
                                                               "Electronic",
                                                               "Pop-Folk",
                                                               "Eurodance",
                                                               "Dream",
                                                               "Southern Rock",
                                                               "Comedy",
                                                               "Cult",
                                                               "Gangsta",
                                                               "Top 40",
                                                               "Christian Rap",
                                                               "Pop/Funk",
                                                               "Jungle",
                                                               "Native American",
                                                               "Cabaret",
                                                               "New Wave",
                                                               "Psychadelic",
                                                               "Rave",
                                                               "Showtunes",
                                                               "Trailer",
                                                               "Lo-Fi",
                                                               "Tribal",
                                                               "Acid Punk",
                                                               "Acid Jazz",
                                                               "Polka",
                                                               "Retro",
                                                               "Musical",
                                                               "Rock & Roll",
                                                               "Hard Rock",
                                                               "Folk",
                                                               "Folk-Rock",
                                                               "National Folk",
                                                               "Swing",
                                                               "Fast Fusion",
                                                               "Bebob",
                                                               "Latin",
                                                               "Revival",
                                                               "Celtic",
                                                               "Bluegrass",
                                                               "Avantgarde",
                                                               "Gothic Rock",
                                                               "Progressive Rock",
                                                               "Psychedelic Rock",
                                                               "Symphonic Rock",
                                                               "Slow Rock",
                                                               "Big Band",
                                                               "Chorus",
                                                               "Easy Listening",
                                                               "Acoustic",
                                                               "Humour",
                                                               "Speech",
                                                               "Chanson",
                                                               "Opera",
                                                               "Chamber Music",
                                                               "Sonata",
                                                               "Symphony",
                                                               "Booty Bass",
                                                               "Primus",
                                                               "Porn Groove",
                                                               "Satire",
                                                               "Slow Jam",
                                                               "Club",
                                                               "Tango",
                                                               "Samba",
                                                               "Folklore",
                                                               "Ballad",
                                                               "Power Ballad",
                                                               "Rhythmic Soul",
                                                               "Freestyle",
                                                               "Duet",
                                                               "Punk Rock",
                                                               "Drum Solo",
                                                               "Acapella",
                                                               "Euro-House",
                                                               "Dance Hall",
                                                               "Goa",
                                                               "Drum & Bass",
                                                               "Club-House",
                                                               "Hardcore",
                                                               "Terror",
                                                               "Indie",
                                                               "BritPop",
                                                               "Negerpunk",
                                                               "Polsk Punk",
                                                               "Beat",
                                                               "Christian Gangs",
                                                               "Heavy Metal",
                                                               "Black Metal",
                                                               "Crossover",
                                                               "Contemporary Christian",
                                                               "Christian Rock",
                                                               "Merengue",
                                                               "Salsa",
                                                               "Trash Metal",
                                                               "Anime",
                                                               "Jpop",
                                                               "Synthpop",
                                                               "Christian"};

constexpr Id3v1FieldRange kRanges[] = {{0, 30}, {30, 30}, {60, 30}, {90, 4}, {94, 30}};

// Zeroes everything after the first 0 found among the first `searched` bytes.
void zeroAfterFirstNul(uint8_t* field, int size, int searched) {
  for (int i = 0; i < searched; ++i) {
    if (field[i] == 0) {
      std::memset(field + i + 1, 0, size_t(size - i - 1));
      return;
    }
  }
}

// Splits a name at its separator; npos when there is none.
struct Split {
  size_t at = std::string_view::npos;
  size_t length = 0;
};
Split findSeparator(std::string_view name) {
  if (name.size() < 4) return {};
  for (std::string_view sep : {" - ", " -", "- ", "-"}) {
    const size_t at = name.find(sep);
    if (at != std::string_view::npos) return {at, sep.size()};
  }
  return {};
}

bool endsWithMp3(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  static constexpr char kExt[] = ".mp3";
  for (size_t i = 0; i < 4; ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != kExt[i]) return false;
  }
  return true;
}

}  // namespace

Id3v1FieldRange id3v1FieldRange(Id3v1Field field) { return kRanges[int(field)]; }

std::string Id3v1Record::text(Id3v1Field field) const {
  Id3v1FieldRange r = id3v1FieldRange(field);
  if (field == Id3v1Field::Comment && isVersion11()) r.size = 28;
  const auto* begin = bytes.data() + r.offset;
  const auto* end = std::find(begin, begin + r.size, uint8_t(0));
  return std::string(begin, end);
}

Id3v1Record id3v1FromTagBytes(const uint8_t* afterTag) {
  Id3v1Record record;
  std::memcpy(record.bytes.data(), afterTag, kId3v1RecordSize);
  uint8_t* b = record.bytes.data();
  for (Id3v1Field f : {Id3v1Field::Title, Id3v1Field::Artist, Id3v1Field::Album}) {
    const Id3v1FieldRange r = id3v1FieldRange(f);
    zeroAfterFirstNul(b + r.offset, r.size, 29);
  }
  const Id3v1FieldRange year = id3v1FieldRange(Id3v1Field::Year);
  zeroAfterFirstNul(b + year.offset, year.size, 3);
  uint8_t* comment = b + id3v1FieldRange(Id3v1Field::Comment).offset;
  for (int i = 0; i < 27; ++i) {
    if (comment[i] == 0) {
      std::memset(comment + i + 1, 0, size_t(27 - i));
      if (comment[28] != 0) comment[28] = ' ';
      break;
    }
  }
  return record;
}

bool readId3v1(const ReadFile& file, int64_t position, Id3v1Record& record) {
  std::array<uint8_t, kId3v1TagSize> tag{};
  if (file.readAt(position, tag.data(), tag.size()) != int64_t(tag.size()) ||
      std::memcmp(tag.data(), "TAG", 3) != 0) {
    record.reset();
    return false;
  }
  record = id3v1FromTagBytes(tag.data() + 3);
  return true;
}

std::array<uint8_t, kId3v1TagSize> id3v1TagBytes(const Id3v1Record& record) {
  std::array<uint8_t, kId3v1TagSize> tag{};
  std::memcpy(tag.data(), "TAG", 3);
  std::memcpy(tag.data() + 3, record.bytes.data(), kId3v1RecordSize);
  return tag;
}

bool id3v1HasContent(const Id3v1Record& record) {
  for (Id3v1Field f :
       {Id3v1Field::Title, Id3v1Field::Artist, Id3v1Field::Album, Id3v1Field::Year, Id3v1Field::Comment}) {
    if (!record.text(f).empty()) return true;
  }
  return record.bytes[kId3v1TrackByte] != 0 || record.genre() != kNoGenre;
}

void setId3v1Text(Id3v1Record& record, Id3v1Field field, std::string_view text) {
  Id3v1FieldRange r = id3v1FieldRange(field);
  if (field == Id3v1Field::Comment && record.isVersion11()) r.size = 28;
  const size_t n = std::min(text.size(), size_t(r.size));
  std::memcpy(record.bytes.data() + r.offset, text.data(), n);
  std::memset(record.bytes.data() + r.offset + n, 0, size_t(r.size) - n);
}

std::string_view genreName(int index) {
  if (index < 0 || index >= kGenreCount) return {};
  return kGenres[size_t(index)];
}

std::string genreDisplayText(int index) {
  if (index >= 0 && index < kGenreCount) return std::string(kGenres[size_t(index)]);
  if (index == kNoGenre) return "unknown";
  return "unknown (" + std::to_string(index) + ")";
}

FileNameScan scanFileName(std::string_view path, bool albumFromFolder, bool splitFolder) {
  FileNameScan scan;
  const size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (endsWithMp3(name)) name.remove_suffix(4);
  if (const Split s = findSeparator(name); s.at != std::string_view::npos) {
    scan.artist = std::string(name.substr(0, s.at));
    scan.title = std::string(name.substr(s.at + s.length));
  } else {
    scan.title = std::string(name);
  }
  if (albumFromFolder && slash != std::string_view::npos) {
    const std::string_view folderPath = path.substr(0, slash);
    const size_t up = folderPath.find_last_of('/');
    std::string_view folder = up == std::string_view::npos ? folderPath : folderPath.substr(up + 1);
    if (splitFolder) {
      if (const Split s = findSeparator(folder); s.at != std::string_view::npos)
        folder = folder.substr(s.at + s.length);
    }
    scan.album = std::string(folder);
  }
  return scan;
}

}  // namespace kavrel
