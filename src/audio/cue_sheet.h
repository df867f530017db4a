#pragma once
// Cue sheets: the text that names where each track of one audio file
// starts (INDEX 01 in minutes:seconds:frames of 1/75 s), with TITLE and
// PERFORMER for the disc and each track.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel {

struct CueTrack {
  int number = 0;
  std::string title;
  std::string performer;
  double start = 0;  // seconds, from INDEX 01
};

struct CueSheet {
  std::string title;
  std::string performer;
  std::string file;
  std::vector<CueTrack> tracks;
};

struct CueParse {
  std::optional<CueSheet> sheet;
  std::string error;  // "line 7: ..." when the sheet is refused
};

// Reads a cue sheet: CR LF or LF lines, an optional UTF-8 byte order mark,
// keywords in any case, quoted or bare values. Commands this program has no
// use for (REM, FLAGS, ISRC, CATALOG, PREGAP, INDEX 00, ...) are skipped.
// Refused: no track, a track without INDEX 01, start times going backwards,
// a second FILE (one audio file per sheet here).
CueParse parseCueSheet(std::string_view text);

// The sheet as text with CR LF lines, tracks numbered from 1.
std::string writeCueSheet(const CueSheet& sheet);

// "mm:ss:ff" for seconds (frames of 1/75 s, rounded), and back.
std::string cueTimeText(double seconds);
std::optional<double> parseCueTime(std::string_view text);

}  // namespace kavrel
