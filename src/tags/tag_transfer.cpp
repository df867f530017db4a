#include "tags/tag_transfer.h"

#include <algorithm>
#include <cctype>

#include "tags/id3v1.h"

namespace kavrel {

namespace {

std::string withoutTrailingBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

std::string trimmedBothEnds(const std::string& s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\0')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\0')) --b;
  return s.substr(a, b - a);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
         });
}

// A track of 1..255 in decimal, else empty.
std::string id3v2TrackFrom(const std::string& text) {
  const std::string t = trimmedBothEnds(text);
  if (t.empty() || t.size() > 3 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return {};
  const int n = std::stoi(t);
  return n >= 1 && n <= 255 ? t : std::string();
}

// Up to three characters, up to the first that is not a digit.
std::string id3v1TrackFrom(const std::string& text) {
  std::string t = text.substr(0, 3);
  const auto end = std::find_if(t.begin(), t.end(), [](char c) { return c < '0' || c > '9'; });
  return std::string(t.begin(), end);
}

// Copies one text field by the blank-only rule; true when the box changed.
bool copyText(const std::string& source, std::string& target, bool overwrite) {
  if (!overwrite && !withoutTrailingBlanks(target).empty()) return false;
  const std::string text = withoutTrailingBlanks(source);
  if (text == target) return false;
  target = text;
  return true;
}

}  // namespace

uint16_t transferDialogWord(uint16_t stored) {
  return (stored & kTransferRemember) ? stored : kTransferDefault;
}

void storeTransferWord(std::array<uint16_t, 2>& stored, TransferDirection direction, uint16_t word) {
  if (!(word & kTransferRemember)) return;
  stored[size_t(direction)] = word;
  if (word & kTransferOpposite) stored[1 - size_t(direction)] = word;
}

std::string transferTitle(TransferDirection direction) {
  return direction == TransferDirection::V1ToV2 ? "data transfer from ID3v1 to ID3v2"
                                                : "data transfer from ID3v2 to ID3v1";
}

std::string transferSwitchQuestion(TransferDirection direction) {
  return direction == TransferDirection::V1ToV2 ? "Do you want to copy from ID3v2 to ID3v1 instead?"
                                                : "Do you want to copy from ID3v1 to ID3v2 instead?";
}

int genreLineOf(const std::string& genre) {
  const std::string name = trimmedBothEnds(genre);
  for (int i = 0; i < kGenreCount; ++i)
    if (sameIgnoringCase(name, genreName(i))) return i;
  // ID3v2 taggers also write the ID3v1 number: "(17)", "(17)Rock" or "17".
  auto index = [](std::string_view digits) {
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return -1;
    const int n = std::stoi(std::string(digits));
    return n < kGenreCount ? n : -1;
  };
  if (name.size() > 2 && name[0] == '(') {
    if (const size_t close = name.find(')'); close != std::string::npos) {
      if (const int n = index(std::string_view(name).substr(1, close - 1)); n >= 0) return n;
      return genreLineOf(name.substr(close + 1));
    }
  }
  return index(name);
}

TransferResult transferToId3v2(const Id3v1Boxes& from, Id3v2Boxes& to, uint16_t word) {
  TransferResult result;
  if (!(word & kTransferFieldBits)) return {true, {}};
  const bool overwrite = word & kTransferOverwrite;
  const std::string genre = from.genreLine >= 0 ? std::string(genreName(from.genreLine)) : std::string();
  const std::pair<TransferField, std::pair<std::string, std::string*>> fields[] = {
      {TransferField::Title, {from.title, &to.title}},       {TransferField::Artist, {from.artist, &to.artist}},
      {TransferField::Album, {from.album, &to.album}},       {TransferField::Genre, {genre, &to.genre}},
      {TransferField::Comment, {from.comment, &to.comment}}, {TransferField::Year, {from.year, &to.year}},
      {TransferField::Track, {id3v2TrackFrom(from.track), &to.track}}};
  for (const auto& [field, texts] : fields)
    if ((word & transferBit(field)) && copyText(texts.first, *texts.second, overwrite))
      result.changed.push_back(field);
  return result;
}

TransferResult transferToId3v1(const Id3v2Boxes& from, Id3v1Boxes& to, uint16_t word) {
  TransferResult result;
  if (!(word & kTransferFieldBits)) return {true, {}};
  const bool overwrite = word & kTransferOverwrite;
  auto text = [&](TransferField field, const std::string& source, std::string& target) {
    if ((word & transferBit(field)) && copyText(source, target, overwrite)) result.changed.push_back(field);
  };
  text(TransferField::Title, from.title, to.title);
  text(TransferField::Artist, from.artist, to.artist);
  text(TransferField::Album, from.album, to.album);
  if ((word & transferBit(TransferField::Genre)) && (overwrite || to.genreLine < 0)) {
    const int line = genreLineOf(from.genre);
    if (line != to.genreLine) {
      to.genreLine = line;
      result.changed.push_back(TransferField::Genre);
    }
  }
  text(TransferField::Comment, withoutTrailingBlanks(from.comment).substr(0, to.version11 ? 28 : 30), to.comment);
  text(TransferField::Year, withoutTrailingBlanks(from.year).substr(0, 4), to.year);
  if (to.version11) text(TransferField::Track, id3v1TrackFrom(withoutTrailingBlanks(from.track)), to.track);
  return result;
}

}  // namespace kavrel
