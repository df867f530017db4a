#include "tags/id3v2/reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/file_io.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel {

FileTagInput::FileTagInput(const ReadFile& file) : file_(file), size_(file.size()) {}

int64_t FileTagInput::readAt(int64_t pos, void* buffer, size_t n) const {
  return file_.readAt(pos, buffer, n);
}

int64_t MemoryTagInput::readAt(int64_t pos, void* buffer, size_t n) const {
  if (pos < 0) return -1;
  if (uint64_t(pos) >= size_) return 0;
  const size_t count = std::min(n, size_ - size_t(pos));
  std::memcpy(buffer, data_ + pos, count);
  return int64_t(count);
}


namespace {

std::string hexByte(uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[b >> 4], kDigits[b & 15]};
}

class Reader {
 public:
  Reader(const TagInput& input, const std::string& sourcePath, TagHeaderState& header, TagFieldList& list)
      : in_(input), path_(sourcePath), h_(header), list_(list) {}

  void run();

 private:
  // Reads exactly n bytes; false on an error or when the input ends first.
  bool readExact(int64_t pos, void* buffer, size_t n) const {
    return n == 0 || in_.readAt(pos, buffer, n) == int64_t(n);
  }
  void append(TagField&& field) {
    // Room for 256 more at first, then doubling: fixed steps would copy a long list over and over.
    if (list_.fields.size() == list_.fields.capacity())
      list_.fields.reserve(list_.fields.size() + std::max<size_t>(256, list_.fields.size()));
    list_.fields.push_back(std::move(field));
    if (auto* index = list_.indexFor(list_.fields.back().kind)) index->push_back(list_.count() - 1);
  }
  bool readExtendedHeader(int64_t& pos);
  bool readPicture(TagField& f, int64_t contentPos, int64_t size);
  bool readText(TagField& f, int64_t contentPos, int64_t size);
  void measurePadding(int64_t from);
  bool looksLikeFieldStart(int64_t pos, int64_t tagEnd) const;
  bool mayStartField(int64_t pos, int64_t tagEnd) const;
  int endRank(int64_t pos, int64_t tagEnd) const;
  enum class Fit { None, Weak, Full };
  Fit fieldsFit(int64_t pos, int64_t tagEnd, bool syncsafe, int64_t& failedAt) const;
  bool zerosUpTo(int64_t pos, int64_t tagEnd) const;
  int64_t storedLength(int64_t pos, int64_t headerLength, int64_t size, int64_t tagEnd) const;
  int64_t resyncedHeader(int64_t pos, uint8_t* out, size_t n) const;

  const TagInput& in_;
  const std::string& path_;
  TagHeaderState& h_;
  TagFieldList& list_;
  int major_ = 0;
  int parseVersion_ = 0;
  int sizeVersion_ = 0;  // how field sizes are decoded: the tag's own version, or 3 for plain 2.4 sizes
};

bool Reader::readExtendedHeader(int64_t& pos) {
  std::array<uint8_t, 8> b{};
  if (!readExact(pos, b.data(), b.size())) return false;
  if (h_.unsynchronisation) resync(b.data(), b.size());
  const int64_t stored = decodeFrameSize(b.data(), major_);
  // 2.4 counts the whole extended header. A standard 2.3 size leaves out its
  // own 4 bytes and is at least 6; smaller values are the form this program
  // once wrote, which left out 10 bytes.
  const int64_t total = major_ != 3 ? stored : stored < 6 ? stored + 10 : stored + 4;
  TagField f;
  f.headerPosition = pos;
  f.totalSize = total;
  f.tableRow = kExtendedHeaderRow;
  f.kind = FieldKind::Binary;
  f.sourcePath = path_;
  append(std::move(f));
  pos += total;
  return true;
}

bool Reader::readPicture(TagField& f, int64_t contentPos, int64_t size) {
  int64_t cur = contentPos;
  if (!readExact(cur++, &f.encoding, 1)) return false;
  if (parseVersion_ == 2) {
    char format[3];
    if (!readExact(cur, format, 3)) return false;
    f.content.assign(format, 3);
    cur += 3;
  } else {
    // The MIME type runs to its zero byte; a forged one is not kept beyond reason.
    for (;;) {
      std::array<char, 4096> chunk;
      const int64_t got = in_.readAt(cur, chunk.data(), chunk.size());
      if (got <= 0) return false;
      const char* zero = static_cast<const char*>(std::memchr(chunk.data(), 0, size_t(got)));
      const size_t take = zero != nullptr ? size_t(zero - chunk.data()) : size_t(got);
      f.content.append(chunk.data(),
                       std::min(take, kMaxInfoLength - std::min(kMaxInfoLength, f.content.size())));
      cur += int64_t(take);
      if (zero != nullptr) {
        ++cur;
        break;
      }
    }
  }
  if (!readExact(cur++, &f.layout, 1)) return false;
  int64_t remaining = size - (cur - contentPos);
  if (remaining > kMaxDecodedTextSize || remaining < 0) remaining = kMaxDecodedTextSize;
  std::array<char, kMaxDecodedTextSize> text;
  const int64_t got = in_.readAt(cur, text.data(), size_t(remaining));
  if (got < 0) return false;
  const char* zero = static_cast<const char*>(std::memchr(text.data(), 0, size_t(got)));
  if (zero != nullptr) {
    f.description.assign(text.data(), size_t(zero - text.data()));
  } else if (got < remaining) {
    return false;  // the file ended inside the description
  }
  f.originalDescription = f.description;
  return true;
}

bool Reader::readText(TagField& f, int64_t contentPos, int64_t size) {
  if (size > kMaxDecodedTextSize) {
    f.content = msg::kTooLargeToDisplay;
    f.status |= field_status::kTooLarge;
  } else {
    std::array<uint8_t, kMaxDecodedTextSize> b{};
    if (!readExact(contentPos, b.data(), size_t(size))) return false;
    // The text is shown as it reads after resynchronisation; the stored bytes stay as they are.
    const size_t end = storedUnsynchronised(f, h_) ? resync(b.data(), size_t(size)) : size_t(size);
    std::fill(b.begin() + std::ptrdiff_t(end), b.begin() + std::ptrdiff_t(size), uint8_t(0));
    size_t offset = 0;
    bool decode = true;
    if (f.layout & text_layout::kEncoding) {
      f.encoding = b[0];
      if (f.encoding > 3) {
        f.info += std::string("\r\n") + msg::kBadEncodingNote;
        f.status |= field_status::kBadEncoding;
        decode = false;
      } else {
        if (f.encoding >= 1) f.info += std::string("\r\n") + msg::kUnicodeNote;
        offset = 1;
      }
    }
    if (decode && (f.layout & text_layout::kLanguage)) {
      if (end < 4) {
        f.info += std::string("\r\n") + msg::kMissingLanguageNote;
        f.status |= field_status::kNoLanguage;
        decode = false;
      } else {
        if (b[offset] != 0) f.language.assign(reinterpret_cast<const char*>(b.data() + offset), 3);
        offset += 3;
      }
    }
    const int encoding = (f.layout & text_layout::kEncoding) ? f.encoding : 0;
    if (decode && (f.layout & text_layout::kDescription)) {
      DecodedText d = decodeFieldText(encoding, b.data(), offset, end);
      f.description = std::move(d.text);
      f.originalDescription = f.description;
      offset = d.next;
    }
    // A URL is single-byte text whatever encoding its description has.
    if (decode) f.content = decodeFieldText(f.tableRow == kUrlRow ? 0 : encoding, b.data(), offset, end).text;
  }
  f.originalLanguage = f.language;
  f.originalContent = f.content;
  return true;
}

bool Reader::looksLikeFieldStart(int64_t pos, int64_t tagEnd) const {
  if (pos >= tagEnd || pos >= in_.size()) return true;
  uint8_t code[4] = {};
  const size_t n = major_ == 2 ? 3 : 4;
  if (!readExact(pos, code, n)) return false;
  if (code[0] == 0) return true;
  return std::all_of(code, code + n,
                     [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// Whether the field loop could go on at pos: the tag end, padding, an end
// marker, or a code it accepts.
bool Reader::mayStartField(int64_t pos, int64_t tagEnd) const {
  if (pos >= tagEnd) return true;
  uint8_t code[4] = {};
  const size_t n = major_ == 2 ? 3 : 4;
  if (!readExact(pos, code, n)) return false;
  return code[0] == 0 || std::all_of(code, code + n, [](uint8_t c) { return c >= 0x20 && c <= 0x7F; });
}

// How well the field loop goes on at pos: 2 at the tag end, padding or a
// code of capitals and digits, 1 at a code of other characters it accepts
// (such fields are copied, so they come back), 0 where it stops with an error.
int Reader::endRank(int64_t pos, int64_t tagEnd) const {
  return looksLikeFieldStart(pos, tagEnd) ? 2 : mayStartField(pos, tagEnd) ? 1 : 0;
}

// Walks the fields from pos with syncsafe or plain big-endian sizes. Full:
// every size ends on a field header, an end marker, the tag end or zeros
// up to the tag end; Weak: the same, but the zeros (at least a header's
// worth) are followed by data; None: a size ends elsewhere, and failedAt
// says where.
Reader::Fit Reader::fieldsFit(int64_t pos, int64_t tagEnd, bool syncsafe, int64_t& failedAt) const {
  for (int32_t count = 0; count <= kMaxTagFields; ++count) {
    failedAt = pos;
    if (pos == tagEnd) return Fit::Full;
    if (pos > tagEnd) return Fit::None;
    uint8_t b[10] = {};
    const size_t n = size_t(std::min<int64_t>(10, tagEnd - pos));
    if (!readExact(pos, b, n)) return Fit::None;
    if (b[0] == 0) {
      if (!std::all_of(b, b + n, [](uint8_t c) { return c == 0; })) return Fit::None;
      return zerosUpTo(pos, tagEnd) ? Fit::Full : Fit::Weak;
    }
    const std::string code(reinterpret_cast<const char*>(b), 4);
    if (code == "MP3e" || code == " MP3" || (code.compare(0, 3, "3DI") == 0 && b[3] == major_))
      return Fit::Full;
    if (n < 10 || !std::all_of(b, b + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7F; })) return Fit::None;
    pos += 10 + int64_t(decodeFrameSize(b + 4, syncsafe ? 4 : 3));
  }
  return Fit::Full;  // more fields than a tag may hold: the field loop reports that
}

// Only zeros from pos to the tag end (as far as the padding scan looks).
bool Reader::zerosUpTo(int64_t pos, int64_t tagEnd) const {
  int64_t left = std::min(tagEnd - pos, kMaxPaddingScan);
  std::array<uint8_t, 4096> chunk;
  while (left > 0) {
    const size_t n = size_t(std::min<int64_t>(left, int64_t(chunk.size())));
    if (!readExact(pos, chunk.data(), n)) return false;
    if (!std::all_of(chunk.begin(), chunk.begin() + std::ptrdiff_t(n), [](uint8_t c) { return c == 0; }))
      return false;
    pos += int64_t(n);
    left -= int64_t(n);
  }
  return true;
}

// Stored bytes of a field's content. Sizes in a 2.4 tag (and in 2.3 tags of
// a few writers) count the stored bytes; most unsynchronised 2.2 and 2.3
// tags, this program's included, count them after resynchronisation, so a
// field can be longer in the file. The count after which the field loop
// goes on better wins.
int64_t Reader::storedLength(int64_t pos, int64_t headerLength, int64_t size, int64_t tagEnd) const {
  if (!h_.unsynchronisation || major_ > 3) return size;
  const int64_t contentPos = pos + headerLength;
  int64_t produced = 0;
  int64_t raw = 0;
  bool afterFF = false;
  std::array<uint8_t, 4096> chunk;
  while (produced < size) {
    const int64_t got = in_.readAt(contentPos + raw, chunk.data(), chunk.size());
    if (got <= 0) return size;
    int64_t i = 0;
    for (; i < got && produced < size; ++i) {
      const uint8_t b = chunk[size_t(i)];
      if (!(afterFF && b == 0)) ++produced;
      afterFF = b == 0xFF;
    }
    raw += i;
    if (contentPos + raw > tagEnd) return size;
  }
  // A zero that follows the last 0xFF belongs to it.
  uint8_t next = 1;
  if (afterFF && readExact(contentPos + raw, &next, 1) && next == 0) ++raw;
  if (raw == size) return size;
  // The count that covers the size after resynchronisation is the usual
  // reading: it wins when the field loop can go on after it at least as well.
  const int rank = endRank(contentPos + raw, tagEnd);
  return rank > 0 && rank >= endRank(contentPos + size, tagEnd) ? raw : size;
}

// The n header bytes at pos after resynchronisation; returns the stored
// bytes they take (a zero after a final 0xFF included), or n when the bytes
// cannot be read.
int64_t Reader::resyncedHeader(int64_t pos, uint8_t* out, size_t n) const {
  uint8_t raw[13] = {};
  const int64_t got = in_.readAt(pos, raw, 2 * n + 1);
  if (got <= 0) return int64_t(n);
  size_t produced = 0;
  int64_t i = 0;
  bool afterFF = false;
  for (; i < got && produced < n; ++i) {
    if (afterFF && raw[i] == 0) {
      afterFF = false;
      continue;
    }
    out[produced++] = raw[i];
    afterFF = raw[i] == 0xFF;
  }
  if (produced < n) return int64_t(n);
  if (afterFF && i < got && raw[i] == 0) ++i;
  return i;
}

void Reader::measurePadding(int64_t from) {
  const int64_t length = h_.startOffset + h_.size - from;
  if (length < 0) return;
  int64_t left = std::min(length, kMaxPaddingScan);
  std::array<uint8_t, 65536> chunk;
  int64_t pos = from;
  while (left > 0) {
    const int64_t got = in_.readAt(pos, chunk.data(), size_t(std::min<int64_t>(left, int64_t(chunk.size()))));
    if (got <= 0) return;
    for (int64_t i = 0; i < got; ++i) {
      if (chunk[size_t(i)] != 0) return;
      ++h_.paddingSize;
    }
    pos += got;
    left -= got;
  }
}

void Reader::run() {
  h_.paddingSize = 0;
  h_.tagError = false;
  major_ = h_.majorVersion;
  parseVersion_ = std::clamp(major_, 2, 5);
  if (major_ < 2 || (h_.extendedHeader && parseVersion_ == 2)) {
    h_.tagError = true;
    return;
  }
  const size_t codeLength = major_ == 2 ? 3 : 4;
  const int64_t headerLength = major_ == 2 ? 6 : 10;
  const int64_t tagEnd = h_.startOffset + h_.size;
  const int64_t fileSize = in_.size();
  int64_t pos = h_.startOffset + 10;
  if (h_.extendedHeader && !readExtendedHeader(pos)) {
    h_.tagError = true;
    return;
  }
  // Some writers put plain sizes into 2.4 tags. Those are used for the whole
  // tag when they explain its fields better than syncsafe ones; when neither
  // does, the reading stops with an error where the syncsafe walk went wrong
  // rather than cutting a field short unseen.
  sizeVersion_ = major_;
  int64_t stopAt = -1;
  if (major_ == 4) {
    int64_t syncsafeFailure = 0;
    int64_t plainFailure = 0;
    const Fit syncsafe = fieldsFit(pos, tagEnd, true, syncsafeFailure);
    if (syncsafe != Fit::Full) {
      const Fit plain = fieldsFit(pos, tagEnd, false, plainFailure);
      if (plain > syncsafe) {
        sizeVersion_ = 3;
      } else if (syncsafe == Fit::None && plainFailure != syncsafeFailure) {
        stopAt = syncsafeFailure;
      }
    }
  }

  for (;;) {
    if (pos == stopAt) {
      h_.tagError = true;
      break;
    }
    if (pos < 0 || pos >= fileSize || pos >= tagEnd) break;
    char code[4];
    if (!readExact(pos, code, codeLength)) {
      h_.tagError = true;
      break;
    }
    const std::string codeText(code, codeLength);
    if (codeLength == 4 && (codeText == "MP3e" || codeText == " MP3")) break;
    if (code[0] == 0) {
      measurePadding(pos);
      break;
    }
    if (codeLength == 4 && codeText.compare(0, 3, "3DI") == 0 && uint8_t(code[3]) == major_) break;
    if (list_.count() >= kMaxTagFields) {
      h_.tagError = true;
      break;
    }

    uint8_t sizeBytes[6] = {};
    if (!readExact(pos + int64_t(codeLength), sizeBytes, codeLength == 3 ? 3 : 6)) {
      h_.tagError = true;
      break;
    }
    int64_t size = decodeFrameSize(sizeBytes, sizeVersion_);
    uint8_t flag0 = major_ > 2 ? sizeBytes[4] : 0;
    uint8_t flag1 = major_ > 2 ? sizeBytes[5] : 0;
    if (!std::all_of(codeText.begin(), codeText.end(),
                     [](char c) { return uint8_t(c) >= 0x20 && uint8_t(c) <= 0x7F; })) {
      h_.tagError = true;
      break;
    }

    int64_t contentPos = pos + headerLength;
    int64_t stored = storedLength(pos, headerLength, size, tagEnd);
    if (h_.unsynchronisation && major_ <= 3) {
      // Most writers unsynchronise a 2.2 or 2.3 tag as one stream, field
      // headers included; a header read that way wins when the field loop
      // can go on after it at least as well as after the other reading.
      uint8_t resynced[6] = {};
      const int64_t rawLength = resyncedHeader(pos + int64_t(codeLength), resynced, codeLength == 3 ? 3 : 6);
      if (rawLength > (codeLength == 3 ? 3 : 6)) {
        const int64_t sizeB = decodeFrameSize(resynced, major_);
        const int64_t headerB = int64_t(codeLength) + rawLength;
        const int64_t storedB = storedLength(pos, headerB, sizeB, tagEnd);
        const int rank = endRank(pos + headerB + storedB, tagEnd);
        if (rank > 0 && rank >= endRank(contentPos + stored, tagEnd)) {
          size = sizeB;
          stored = storedB;
          contentPos = pos + headerB;
          flag0 = major_ > 2 ? resynced[4] : 0;
          flag1 = major_ > 2 ? resynced[5] : 0;
        }
      }
    }

    TagField f;
    // The content always lies header-length bytes after this position.
    f.headerPosition = contentPos - headerLength;
    f.totalSize = headerLength + stored;
    f.frameFlags = uint16_t(flag0 | flag1 << 8);
    const int row = findKnownField(codeText, major_);
    if (row != kUndefinedRow) {
      f.tableRow = uint8_t(row);
      f.kind = kKnownFieldTable[size_t(row)].kind;
      f.layout = kKnownFieldTable[size_t(row)].layout;
    } else {
      f.kind = FieldKind::Unknown;
      f.status = field_status::kUnknownCode;
      f.originalContent = codeText;
    }
    f.info = "code: " + codeText + "\r\n" +
             "original header position: " + std::to_string(pos - h_.startOffset) + "\r\n" +
             "original content size: " + std::to_string(size);
    if (parseVersion_ > 2) {
      f.info += "\r\nflags: " + std::to_string(flag0) + "," + std::to_string(flag1);
      if ((flag0 | flag1) != 0) f.info += " (" + hexByte(flag0) + "h," + hexByte(flag1) + "h)";
    }
    f.sourcePath = path_;

    bool ok = true;
    if (f.kind == FieldKind::Picture) ok = readPicture(f, contentPos, stored);
    if (f.kind == FieldKind::Text) ok = readText(f, contentPos, stored);
    if (!ok) {
      h_.tagError = true;
      break;
    }
    if (f.info.size() > kMaxInfoLength) f.info.resize(kMaxInfoLength);
    append(std::move(f));
    pos = contentPos + stored;
  }
}

}  // namespace

void readId3v2Tag(const TagInput& input, const std::string& sourcePath, TagHeaderState& header,
                  TagFieldList& list) {
  Reader(input, sourcePath, header, list).run();
  list.fields.shrink_to_fit();
  for (auto* v : {&list.binaryIndex, &list.textIndex, &list.mixedIndex, &list.pictureIndex})
    v->shrink_to_fit();
}

}  // namespace kavrel
