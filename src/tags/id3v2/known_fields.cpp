#include "tags/id3v2/known_fields.h"

#include <algorithm>
#include <cctype>

namespace kavrel {

namespace {

constexpr uint8_t E = text_layout::kEncoding;
constexpr uint8_t L = text_layout::kLanguage;
constexpr uint8_t D = text_layout::kDescription;

}  // namespace

// clang-format off
const std::array<KnownField, kKnownFieldRows> kKnownFieldTable = {{
    {{"", "", "", ""}, "undefined", FieldKind::Binary, 0, 0, false},  // 0
    {{"CRA", "AENC", "AENC", "AENC"}, "Audio encryption", FieldKind::Mixed, D, 0, true},  // 1
    {{"PIC", "APIC", "APIC", "APIC"}, "Attached picture", FieldKind::Picture, 0, 0, true},  // 2
    {{"", "", "ASPI", "ASPI"}, "Audio seek point index", FieldKind::Binary, 0, 0, false},  // 3
    {{"COM", "COMM", "COMM", "COMM"}, "Comment", FieldKind::Text, E | L | D, 0, true},  // 4
    {{"", "COMR", "COMR", "COMR"}, "Commercial frame", FieldKind::Mixed, E, 0, true},  // 5
    {{"CRM", "ENCR", "ENCR", "ENCR"}, "Encryption method registration", FieldKind::Mixed, D, 0, true},  // 6
    {{"EQU", "EQUA", "EQU2", "EQU2"}, "Equalization", FieldKind::Binary, D, 0, false},  // 7
    {{"ETC", "ETCO", "ETCO", "ETCO"}, "Event timing codes", FieldKind::Binary, 0, 0, false},  // 8
    {{"GEO", "GEOB", "GEOB", "GEOB"}, "General encapsulated object", FieldKind::Mixed, D, 0, true},  // 9
    {{"", "GRID", "GRID", "GRID"}, "Group identification registration", FieldKind::Mixed, D, 0, true},  // 10
    {{"LNK", "LINK", "LINK", "LINK"}, "Linked information", FieldKind::Mixed, 0, 0, true},  // 11
    {{"MCI", "MCDI", "MCDI", "MCDI"}, "Music CD identifier", FieldKind::Binary, 0, 0, false},  // 12
    {{"MLL", "MLLT", "MLLT", "MLLT"}, "MPEG location lookup table", FieldKind::Binary, 0, 0, false},  // 13
    {{"", "OWNE", "OWNE", "OWNE"}, "Ownership frame", FieldKind::Mixed, E, 0, false},  // 14
    {{"", "PRIV", "PRIV", "PRIV"}, "Private frame", FieldKind::Mixed, 0, 0, true},  // 15
    {{"CNT", "PCNT", "PCNT", "PCNT"}, "Play counter", FieldKind::Binary, 0, 0, false},  // 16
    {{"POP", "POPM", "POPM", "POPM"}, "Popularimeter", FieldKind::Mixed, D, 0, true},  // 17
    {{"", "POSS", "POSS", "POSS"}, "Position synchronisation frame", FieldKind::Binary, 0, 0, false},  // 18
    {{"BUF", "RBUF", "RBUF", "RBUF"}, "Recommended buffer size", FieldKind::Binary, 0, 8, false},  // 19
    {{"RVA", "RVAD", "RVA2", "RVA2"}, "Relative volume adjustment", FieldKind::Mixed, D, 0, true},  // 20
    {{"REV", "RVRB", "RVRB", "RVRB"}, "Reverberation", FieldKind::Binary, 0, 12, false},  // 21
    {{"SLT", "SYLT", "SYLT", "SYLT"}, "Synchronized lyrics", FieldKind::Mixed, E | L, 0, true},  // 22
    {{"", "SEEK", "SEEK", "SEEK"}, "Seek frame", FieldKind::Binary, 0, 4, false},  // 23
    {{"", "SIGN", "SIGN", "SIGN"}, "Signature frame", FieldKind::Binary, 0, 0, true},  // 24
    {{"STC", "SYTC", "SYTC", "SYTC"}, "Synchronised tempo codes", FieldKind::Binary, 0, 0, false},  // 25
    {{"TAL", "TALB", "TALB", "TALB"}, "Album", FieldKind::Text, E, 0, false},  // 26
    {{"TBP", "TBPM", "TBPM", "TBPM"}, "BPM", FieldKind::Text, E, 0, false},  // 27
    {{"TCM", "TCOM", "TCOM", "TCOM"}, "Composer", FieldKind::Text, E, 0, false},  // 28
    {{"TCO", "TCON", "TCON", "TCON"}, "Genre", FieldKind::Text, E, 0, false},  // 29
    {{"TCR", "TCOP", "TCOP", "TCOP"}, "Copyright", FieldKind::Text, E, 0, false},  // 30
    {{"TDA", "TDAT", "TDAT", "TDAT"}, "Date", FieldKind::Text, E, 0, false},  // 31
    {{"", "TDEN", "TDEN", "TDEN"}, "Encoding time", FieldKind::Text, E, 0, false},  // 32
    {{"TDY", "TDLY", "TDLY", "TDLY"}, "Playlist delay", FieldKind::Text, E, 0, false},  // 33
    {{"", "TDOR", "TDOR", "TDOR"}, "Original release time", FieldKind::Text, E, 0, false},  // 34
    {{"", "TDRC", "TDRC", "TDRC"}, "Recording time", FieldKind::Text, E, 0, false},  // 35
    {{"", "TDRL", "TDRL", "TDRL"}, "Release time", FieldKind::Text, E, 0, false},  // 36
    {{"", "TDTG", "TDTG", "TDTG"}, "Tagging time", FieldKind::Text, E, 0, false},  // 37
    {{"TEN", "TENC", "TENC", "TENC"}, "Encoded by", FieldKind::Text, E, 0, false},  // 38
    {{"TXT", "TEXT", "TEXT", "TEXT"}, "Lyricist", FieldKind::Text, E, 0, false},  // 39
    {{"TFT", "TFLT", "TFLT", "TFLT"}, "File type", FieldKind::Text, E, 0, false},  // 40
    {{"TIM", "TIME", "TIME", "TIME"}, "Time", FieldKind::Text, E, 0, false},  // 41
    {{"", "IPLS", "TIPL", "TIPL"}, "Involved people list", FieldKind::Text, E, 0, false},  // 42
    {{"TT1", "TIT1", "TIT1", "TIT1"}, "Content group description", FieldKind::Text, E, 0, false},  // 43
    {{"TT2", "TIT2", "TIT2", "TIT2"}, "Title", FieldKind::Text, E, 0, false},  // 44
    {{"TT3", "TIT3", "TIT3", "TIT3"}, "Subtitle", FieldKind::Text, E, 0, false},  // 45
    {{"TKE", "TKEY", "TKEY", "TKEY"}, "Initial key", FieldKind::Text, E, 0, false},  // 46
    {{"TLA", "TLAN", "TLAN", "TLAN"}, "Language", FieldKind::Text, E, 0, false},  // 47
    {{"TLE", "TLEN", "TLEN", "TLEN"}, "Length", FieldKind::Text, E, 0, false},  // 48
    {{"", "TMCL", "TMCL", "TMCL"}, "Musician credits list", FieldKind::Text, E, 0, false},  // 49
    {{"TMT", "TMED", "TMED", "TMED"}, "Media type", FieldKind::Text, E, 0, false},  // 50
    {{"", "TMOO", "TMOO", "TMOO"}, "Mood", FieldKind::Text, E, 0, false},  // 51
    {{"TOT", "TOAL", "TOAL", "TOAL"}, "Original album", FieldKind::Text, E, 0, false},  // 52
    {{"TOF", "TOFN", "TOFN", "TOFN"}, "Original filename", FieldKind::Text, E, 0, false},  // 53
    {{"TOL", "TOLY", "TOLY", "TOLY"}, "Original lyricist", FieldKind::Text, E, 0, false},  // 54
    {{"TOA", "TOPE", "TOPE", "TOPE"}, "Original performer", FieldKind::Text, E, 0, false},  // 55
    {{"TOR", "TORY", "TORY", "TORY"}, "Original release year", FieldKind::Text, E, 0, false},  // 56
    {{"", "TOWN", "TOWN", "TOWN"}, "File owner", FieldKind::Text, E, 0, false},  // 57
    {{"TP1", "TPE1", "TPE1", "TPE1"}, "Performer", FieldKind::Text, E, 0, false},  // 58
    {{"TP2", "TPE2", "TPE2", "TPE2"}, "Band", FieldKind::Text, E, 0, false},  // 59
    {{"TP3", "TPE3", "TPE3", "TPE3"}, "Conductor", FieldKind::Text, E, 0, false},  // 60
    {{"TP4", "TPE4", "TPE4", "TPE4"}, "Interpreted/remixed by", FieldKind::Text, E, 0, false},  // 61
    {{"TPA", "TPOS", "TPOS", "TPOS"}, "Part of a set", FieldKind::Text, E, 0, false},  // 62
    {{"", "TPRO", "TPRO", "TPRO"}, "Produced notice", FieldKind::Text, E, 0, false},  // 63
    {{"TPB", "TPUB", "TPUB", "TPUB"}, "Publisher", FieldKind::Text, E, 0, false},  // 64
    {{"TRK", "TRCK", "TRCK", "TRCK"}, "Track number", FieldKind::Text, E, 0, false},  // 65
    {{"TRD", "TRDA", "TRDA", "TRDA"}, "Recording dates", FieldKind::Text, E, 0, false},  // 66
    {{"", "TRSN", "TRSN", "TRSN"}, "Internet radio station name", FieldKind::Text, E, 0, false},  // 67
    {{"", "TRSO", "TRSO", "TRSO"}, "Internet radio station owner", FieldKind::Text, E, 0, false},  // 68
    {{"", "TSOA", "TSOA", "TSOA"}, "Album sort order", FieldKind::Text, E, 0, false},  // 69
    {{"", "TSOP", "TSOP", "TSOP"}, "Performer sort order", FieldKind::Text, E, 0, false},  // 70
    {{"", "TSOT", "TSOT", "TSOT"}, "Title sort order", FieldKind::Text, E, 0, false},  // 71
    {{"TSI", "TSIZ", "TSIZ", "TSIZ"}, "Size", FieldKind::Text, E, 0, false},  // 72
    {{"TRC", "TSRC", "TSRC", "TSRC"}, "International standard recording code", FieldKind::Text, E, 0, false},  // 73
    {{"TSS", "TSSE", "TSSE", "TSSE"}, "SW/HW and settings used for encoding", FieldKind::Text, E, 0, false},  // 74
    {{"", "TSST", "TSST", "TSST"}, "Set subtitle", FieldKind::Text, E, 0, false},  // 75
    {{"TYE", "TYER", "TYER", "TYER"}, "Year", FieldKind::Text, E, 0, false},  // 76
    {{"TXX", "TXXX", "TXXX", "TXXX"}, "User-defined text information frame", FieldKind::Text, E | D, 0, true},  // 77
    {{"UFI", "UFID", "UFID", "UFID"}, "Unique file identifier", FieldKind::Mixed, D, 0, true},  // 78
    {{"", "USER", "USER", "USER"}, "Terms of use", FieldKind::Text, E | L, 0, true},  // 79
    {{"ULT", "USLT", "USLT", "USLT"}, "Unsychronized lyrics", FieldKind::Text, E | L | D, 0, true},  // 80
    {{"WCM", "WCOM", "WCOM", "WCOM"}, "Web commercial information", FieldKind::Text, 0, 0, true},  // 81
    {{"WCP", "WCOP", "WCOP", "WCOP"}, "Web copyright", FieldKind::Text, 0, 0, false},  // 82
    {{"WAF", "WOAF", "WOAF", "WOAF"}, "Official audio file web page", FieldKind::Text, 0, 0, false},  // 83
    {{"WAR", "WOAR", "WOAR", "WOAR"}, "Official performer web page", FieldKind::Text, 0, 0, true},  // 84
    {{"WAS", "WOAS", "WOAS", "WOAS"}, "Official audio source web page", FieldKind::Text, 0, 0, false},  // 85
    {{"", "WORS", "WORS", "WORS"}, "Official internet radio station web page", FieldKind::Text, 0, 0, false},  // 86
    {{"", "WPAY", "WPAY", "WPAY"}, "Payment", FieldKind::Text, 0, 0, false},  // 87
    {{"WPB", "WPUB", "WPUB", "WPUB"}, "Publishers official webpage", FieldKind::Text, 0, 0, false},  // 88
    {{"WXX", "WXXX", "WXXX", "WXXX"}, "User defined URL link frame", FieldKind::Text, E | D, 0, true},  // 89
    {{"", "", "", ""}, "Extended tag header", FieldKind::Binary, 0, 0, false},  // 90
}};
// clang-format on

int knownFieldColumn(int majorVersion) {
  if (majorVersion <= 2) return 0;
  if (majorVersion > 5) return -1;
  return majorVersion - 2;
}

int findKnownField(std::string_view code, int majorVersion) {
  const int column = knownFieldColumn(majorVersion);
  if (column < 0 || code.empty()) return kUndefinedRow;
  for (int row = kKnownFieldRows - 2; row >= 1; --row) {
    if (kKnownFieldTable[size_t(row)].codes[size_t(column)] == code) return row;
  }
  return kUndefinedRow;
}

std::string_view knownFieldCode(int row, int majorVersion) {
  if (row < 0 || row >= kKnownFieldRows) return {};
  return kKnownFieldTable[size_t(row)].codes[size_t(std::clamp(majorVersion, 2, 5) - 2)];
}

bool mayAddMainField(int row) {
  if (std::find(kMainFieldRows.begin(), kMainFieldRows.end(), row) == kMainFieldRows.end()) return true;
  return kKnownFieldTable[size_t(row)].multiple;
}

std::string_view pictureTypeName(int type) {
  static constexpr std::array<std::string_view, 21> kNames = {
      "other",        "32x32 PNG icon",     "icon",
      "front cover",  "back cover",         "leaflet page",
      "media",        "leading artist",     "artist",
      "conductor",    "band or orchestra",  "composer",
      "lyricist",     "recording location", "recording",
      "performance",  "screen capture",     "unknown",
      "illustration", "artist logotype",    "publisher logotype"};
  if (type < 0 || type > 20) return "unknown";
  return kNames[size_t(type)];
}

std::string mimeTypeForFile(const std::string& fileName) {
  const size_t dot = fileName.find_last_of('.');
  const size_t slash = fileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".jfif") return "image/jpeg";
  if (ext == ".png") return "image/png";
  if (ext == ".gif") return "image/gif";
  if (ext == ".bmp") return "image/bmp";
  if (ext == ".ico") return "image/ico";
  return {};
}

std::string mimeTypeFromImageFormat(const std::string& format) {
  if (format == "-->") return format;
  if (format == "JPG") return "image/jpeg";
  std::string mime = "image/";
  for (char c : format) mime += char(std::tolower(static_cast<unsigned char>(c)));
  return mime;
}

std::string imageFormatFromMimeType(const std::string& mime) {
  if (mime == "-->") return mime;
  std::string letters = mime.size() > 6 ? mime.substr(6, 3) : std::string();
  if (!letters.empty() && (letters[0] == 'j' || letters[0] == 'J')) return "JPG";
  for (char& c : letters) c = char(std::toupper(static_cast<unsigned char>(c)));
  return letters;
}

}  // namespace kavrel
