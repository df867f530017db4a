#include "audio/cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace kavrel {

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The next word of `line` from `at`: a quoted string (without its quotes)
// or a run of non-blank characters.
std::string nextWord(std::string_view line, size_t& at) {
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  if (at >= line.size()) return {};
  if (line[at] == '"') {
    const size_t close = line.find('"', at + 1);
    const size_t end = close == line.npos ? line.size() : close;
    std::string word(line.substr(at + 1, end - at - 1));
    at = close == line.npos ? line.size() : close + 1;
    return word;
  }
  const size_t start = at;
  while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
  return std::string(line.substr(start, at - start));
}

// Quotes inside a value have no escape in the format: they become apostrophes.
std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) out += (c == '"' ? '\'' : (c == '\r' || c == '\n') ? ' ' : c);
  return out + "\"";
}

}  // namespace

std::optional<double> parseCueTime(std::string_view text) {
  int m = 0, s = 0, f = 0;
  char tail = 0;
  const std::string t(text);
  if (std::sscanf(t.c_str(), "%d:%d:%d%c", &m, &s, &f, &tail) != 3) return std::nullopt;
  if (m < 0 || s < 0 || s > 59 || f < 0 || f > 74) return std::nullopt;
  return m * 60.0 + s + f / 75.0;
}

std::string cueTimeText(double seconds) {
  const long long frames = std::llround(std::max(0.0, seconds) * 75.0);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", frames / 4500, frames / 75 % 60, frames % 75);
  return buf;
}

CueParse parseCueSheet(std::string_view text) {
  CueParse out;
  CueSheet sheet;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool fileSeen = false;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    out.error = "line " + std::to_string(lineNumber) + ": " + why;
    return out;
  };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == text.npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t at = 0;
    const std::string keyword = upper(nextWord(line, at));
    if (keyword.empty() || keyword == "REM") continue;
    CueTrack* track = sheet.tracks.empty() ? nullptr : &sheet.tracks.back();
    if (keyword == "FILE") {
      if (fileSeen) return fail("more than one FILE (one audio file per sheet)");
      fileSeen = true;
      sheet.file = nextWord(line, at);
    } else if (keyword == "TITLE" || keyword == "PERFORMER") {
      std::string value = nextWord(line, at);
      std::string& target = track ? (keyword == "TITLE" ? track->title : track->performer)
                                  : (keyword == "TITLE" ? sheet.title : sheet.performer);
      target = std::move(value);
    } else if (keyword == "TRACK") {
      const std::string number = nextWord(line, at);
      const std::string type = upper(nextWord(line, at));
      if (number.empty() || number.find_first_not_of("0123456789") != number.npos || number.size() > 2)
        return fail("track number invalid: " + number);
      if (type != "AUDIO") return fail("only AUDIO tracks can be split: " + type);
      if (track && track->start < 0) return fail("track " + std::to_string(track->number) + " has no INDEX 01");
      CueTrack t;
      t.number = std::stoi(number);
      t.start = -1;
      sheet.tracks.push_back(t);
    } else if (keyword == "INDEX") {
      if (!track) return fail("INDEX before the first TRACK");
      const std::string number = nextWord(line, at);
      const std::string time = nextWord(line, at);
      const std::optional<double> seconds = parseCueTime(time);
      if (!seconds) return fail("time invalid: " + time);
      if (number == "01" || number == "1") {
        if (sheet.tracks.size() > 1 && *seconds < sheet.tracks[sheet.tracks.size() - 2].start)
          return fail("track " + std::to_string(track->number) + " starts before the one above it");
        track->start = *seconds;
      }
    } else if (keyword == "FLAGS" || keyword == "ISRC" || keyword == "CATALOG" || keyword == "PREGAP" ||
               keyword == "POSTGAP" || keyword == "SONGWRITER" || keyword == "CDTEXTFILE") {
      continue;
    } else {
      return fail("unknown command " + keyword);
    }
  }
  lineNumber = 0;
  if (sheet.tracks.empty()) {
    out.error = "no TRACK in the cue sheet";
    return out;
  }
  if (sheet.tracks.back().start < 0) {
    out.error = "track " + std::to_string(sheet.tracks.back().number) + " has no INDEX 01";
    return out;
  }
  out.sheet = std::move(sheet);
  return out;
}

std::string writeCueSheet(const CueSheet& sheet) {
  std::string out;
  if (!sheet.performer.empty()) out += "PERFORMER " + quoted(sheet.performer) + "\r\n";
  if (!sheet.title.empty()) out += "TITLE " + quoted(sheet.title) + "\r\n";
  out += "FILE " + quoted(sheet.file) + " MP3\r\n";
  int number = 0;
  for (const CueTrack& t : sheet.tracks) {
    char head[32];
    std::snprintf(head, sizeof head, "  TRACK %02d AUDIO\r\n", ++number);
    out += head;
    if (!t.title.empty()) out += "    TITLE " + quoted(t.title) + "\r\n";
    if (!t.performer.empty()) out += "    PERFORMER " + quoted(t.performer) + "\r\n";
    out += "    INDEX 01 " + cueTimeText(t.start) + "\r\n";
  }
  return out;
}

}  // namespace kavrel
