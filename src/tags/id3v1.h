#pragma once
// The ID3v1 record: the 125 bytes after "TAG" at the end of an mp3 file.
// Reading rules, the version 1.0/1.1 distinction, the genre names, the
// content rule that decides whether a save writes the tag, and the
// artist/title scan of a file name.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavrel {

class ReadFile;

inline constexpr int kId3v1RecordSize = 125;
inline constexpr int kId3v1TagSize = 128;
inline constexpr int kGenreCount = 149;
inline constexpr uint8_t kNoGenre = 255;

// Field offsets within the record (the tag offset minus 3).
enum class Id3v1Field { Title, Artist, Album, Year, Comment };
struct Id3v1FieldRange {
  int offset;
  int size;
};
Id3v1FieldRange id3v1FieldRange(Id3v1Field field);

inline constexpr int kId3v1VersionByte = 122;  // 0: version 1.1
inline constexpr int kId3v1TrackByte = 123;
inline constexpr int kId3v1GenreByte = 124;

struct Id3v1Record {
  std::array<uint8_t, kId3v1RecordSize> bytes{};

  Id3v1Record() { reset(); }
  // All zero, no genre.
  void reset() {
    bytes.fill(0);
    bytes[kId3v1GenreByte] = kNoGenre;
  }
  bool operator==(const Id3v1Record&) const = default;

  bool isVersion11() const { return bytes[kId3v1VersionByte] == 0; }
  // Track of a version 1.1 tag, 0 for version 1.0.
  int track() const { return isVersion11() ? bytes[kId3v1TrackByte] : 0; }
  uint8_t genre() const { return bytes[kId3v1GenreByte]; }
  // The field's text up to its first 0 (the comment: at most 28 bytes in
  // version 1.1, 30 in version 1.0).
  std::string text(Id3v1Field field) const;
};

// Applies the reading rules to the 125 bytes after "TAG": bytes after the
// first 0 of title, artist and album (within their first 29) and of the year
// (within its first 3) become 0; a 0 among the first 27 comment bytes zeroes
// the rest of the first 28, and a non-zero 29th byte then becomes a blank,
// which keeps such a tag at version 1.0.
Id3v1Record id3v1FromTagBytes(const uint8_t* afterTag);

// Reads the 128-byte tag at `position` of an open file. False when it cannot
// be read completely or does not start with "TAG"; the record is then reset.
bool readId3v1(const ReadFile& file, int64_t position, Id3v1Record& record);

// "TAG" followed by the record.
std::array<uint8_t, kId3v1TagSize> id3v1TagBytes(const Id3v1Record& record);

// True when a save should write the tag: a non-empty title, artist, album,
// comment or year, a non-zero track byte, or a genre below 255.
bool id3v1HasContent(const Id3v1Record& record);

// Copies at most the field's width of `text` into the field and zeroes the
// rest of it (for the comment the width is 28 in version 1.1, 30 otherwise).
void setId3v1Text(Id3v1Record& record, Id3v1Field field, std::string_view text);

// Genre name for 0..148; empty for anything else.
std::string_view genreName(int index);
// How a stored genre byte is shown: its name, "unknown" for 255 and
// "unknown (n)" for 149..254.
std::string genreDisplayText(int index);

// Artist, title and album found in a path by the file-name scan.
struct FileNameScan {
  std::string artist;
  std::string title;
  std::string album;  // empty unless album scanning is on
};
// Splits the file name (without a final ".mp3", any case) at the first " - ",
// else " -", else "- ", else "-": artist before, title after. A name shorter
// than 4 characters or without a separator is all title. With `albumFromFolder`
// the album is the folder's name, or with `splitFolder` the part of the
// folder's name after its separator.
FileNameScan scanFileName(std::string_view path, bool albumFromFolder, bool splitFolder);

}  // namespace kavrel
