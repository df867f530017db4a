#include "tags/id3v2/writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include "base/file_io.h"
#include "base/checkpoint.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel {

namespace {

// Format flag of a 2.4 field whose content is unsynchronised (second flag
// byte, kept in the high half).
// A MIME type longer than this is not converted to a 2.2 image format.
constexpr size_t kMimeSearchLimit = 200;

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

void appendText(std::vector<uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::string dropTrailingZeros(std::string text) {
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::string upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The 3-character 2.2 image format for a MIME type.
std::string imageFormatFor(const std::string& mime) {
  if (mime == "-->") return mime;
  std::string rest = mime;
  if (rest.size() >= 6 && upper(rest.substr(0, 6)) == "IMAGE/") rest = rest.substr(6);
  if (!rest.empty() && (rest[0] == 'j' || rest[0] == 'J')) return "JPG";
  rest = upper(rest.substr(0, 3));
  rest.resize(3, ' ');  // a 2.2 picture always has three format bytes
  return rest;
}

// Where the text that follows a field's encoding byte ends: at the
// terminator after `from` (included) in that encoding; npos when none.
size_t textEnd(const std::vector<uint8_t>& plain, size_t from, uint8_t encoding) {
  const size_t unit = textTerminatorLength(encoding);
  for (size_t i = from; i + unit <= plain.size(); i += unit)
    if (plain[i] == 0 && (unit == 1 || plain[i + 1] == 0)) return i + unit;
  return std::string::npos;
}

// 2.2 and 2.3 know no UTF-16 without a byte-order mark (2) and no UTF-8 (3):
// a text or picture field with either, going into such a tag, gets its text
// as UTF-16 with marks. `pictureFormat22` says a picture already has the
// 2.2 layout. False when the field stays as it is (also when its text is not
// well formed).
bool recodeForOlderVersion(std::vector<uint8_t>& plain, const TagField& f, bool pictureFormat22) {
  if (plain.empty() || (plain[0] != 2 && plain[0] != 3)) return false;
  const uint8_t encoding = plain[0];
  size_t start = 1;
  size_t end = plain.size();
  if (f.kind == FieldKind::Text && (f.layout & text_layout::kEncoding)) {
    if (f.layout & text_layout::kLanguage) start += 3;
    if (f.tableRow == kUrlRow) end = textEnd(plain, start, encoding);
  } else if (f.kind == FieldKind::Picture) {
    // Encoding, image format or MIME type, picture type; then the description.
    const auto zero = std::find(plain.begin() + 1, plain.end(), 0);
    start = pictureFormat22 ? 5 : size_t(zero - plain.begin()) + 2;
    end = textEnd(plain, start, encoding);
  } else {
    return false;
  }
  if (start > plain.size() || end == std::string::npos) return false;
  const auto text = recodeAsUtf16(encoding, plain.data() + start, end - start);
  if (!text) return false;
  std::vector<uint8_t> out(plain.begin(), plain.begin() + std::ptrdiff_t(start));
  out[0] = 1;
  out.insert(out.end(), text->begin(), text->end());
  out.insert(out.end(), plain.begin() + std::ptrdiff_t(end), plain.end());
  plain = std::move(out);
  return true;
}

// Genre values typed as "Rock CR RX": the spaces before the CR and RX
// refinements become value separators.
void separateGenreRefinements(std::string& content) {
  const size_t n = content.size();
  if (n > 5) {
    const std::string tail = upper(content.substr(n - 6));
    if (tail == " CR RX" || tail == " RX CR") {
      content[n - 6] = '\0';
      content[n - 3] = '\0';
      return;
    }
  }
  if (n > 2) {
    const std::string tail = upper(content.substr(n - 3));
    if (tail == " RX" || tail == " CR") content[n - 3] = '\0';
  }
}

void putSize(std::vector<uint8_t>& out, uint32_t n, int major) {
  if (major == 2) {
    out.insert(out.end(), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  } else {
    const auto b = encodeFrameSize(n, major);
    out.insert(out.end(), b.begin(), b.end());
  }
}

// The body of the tag while it is built: a file of this process only,
// deleted on every way out.
class WorkFile final : public TagBodyOutput {
 public:
  WorkFile() = default;
  ~WorkFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  bool create(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd_ >= 0) {
        path_ = path;
        return true;
      }
      if (errno != EEXIST || attempt > 0) return false;
      // A file of our own name outlived a copy that had the same process
      // number; nothing else would use the name. Folders are left alone.
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))) return false;
      if (::unlink(path.c_str()) != 0) return false;
    }
    return false;
  }

  bool append(const uint8_t* data, size_t n) override {
    while (n > 0) {
      const ssize_t done = ::write(fd_, data, n);
      if (done < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += done;
      n -= size_t(done);
      size_ += done;
    }
    return true;
  }

  bool readAt(int64_t pos, uint8_t* buffer, size_t n) const {
    size_t got = 0;
    while (got < n) {
      const ssize_t r = ::pread(fd_, buffer + got, n - got, off_t(pos + int64_t(got)));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      got += size_t(r);
    }
    return true;
  }

  int64_t size() const { return size_; }

 private:
  int fd_ = -1;
  std::string path_;
  int64_t size_ = 0;
};

}  // namespace

std::vector<uint8_t> unsync(const uint8_t* data, size_t n) {
  std::vector<uint8_t> out;
  out.reserve(2 * n + 4);
  for (size_t i = 0; i < n; ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && (i + 1 == n || data[i + 1] == 0 || data[i + 1] >= 0xE0)) out.push_back(0);
  }
  return out;
}

OutputVersion outputVersion(const TagHeaderState& header, uint8_t newTagFormat) {
  if (header.majorVersion >= 2 && header.majorVersion <= 4) return {header.majorVersion, header.revision};
  const int v = newTagFormat & 0x7F;
  return {v >= 2 && v <= 4 ? v : 3, 0};
}

std::string tagWorkFilePath(const std::string& folder) {
  std::filesystem::path base = folder;
  if (folder.empty()) {
    std::error_code ec;
    base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
  }
  return (base / ("kavrel.tag.file." + std::to_string(::getpid()))).string();
}

// --- field writers

class TagFieldWriter::SourceFiles {
 public:
  // The open file for `path`; the last one stays open for the next field.
  const ReadFile* open(const std::string& path) {
    if (path != path_ || !file_.isOpen()) {
      path_ = path;
      file_.open(path);
    }
    return file_.isOpen() ? &file_ : nullptr;
  }

 private:
  std::string path_;
  ReadFile file_;
};

TagFieldWriter::TagFieldWriter(const TagHeaderState& header, const TagWriterSettings& settings,
                               TagWriterEvents& events, TagBodyOutput& body)
    : header_(header),
      settings_(settings),
      events_(events),
      body_(body),
      version_(outputVersion(header, settings.newTagFormat)),
      sources_(std::make_unique<SourceFiles>()) {}

TagFieldWriter::~TagFieldWriter() = default;

FieldWriteResult TagFieldWriter::warn(const std::string& message, const std::string& path) {
  events_.fieldLeftOut(message, path);
  return FieldWriteResult::Warned;
}

// Writes one field: header and content. `plain` is the content as readers
// see it; `stored` (when given) is the same content already unsynchronised.
//
// 2.4 unsynchronises each field's content and counts the stored bytes. In
// 2.2 and 2.3 the whole tag is one unsynchronised stream and a field's size
// counts its bytes before unsynchronisation: that is how other readers
// undo it, header included.
FieldWriteResult TagFieldWriter::appendField(const std::string& code, uint16_t flags, std::vector<uint8_t> plain,
                                      const std::vector<uint8_t>* stored) {
  const int major = version_.major;
  const bool us = isOutputUnsynchronised();
  std::vector<uint8_t> out;
  appendText(out, code);
  if (major == 4) {
    std::vector<uint8_t> content = !us ? std::move(plain) : stored != nullptr ? *stored : unsync(plain);
    if (int64_t(content.size()) > kMaxFieldContentSize) return FieldWriteResult::TooLarge;
    // Readers that look at each field's own flag need it besides the tag's.
    flags = us ? uint16_t(flags | kFrameUnsyncFlag24) : uint16_t(flags & ~kFrameUnsyncFlag24);
    putSize(out, uint32_t(content.size()), major);
    out.push_back(uint8_t(flags));
    out.push_back(uint8_t(flags >> 8));
    if (!body_.append(out.data(), out.size()) || !body_.append(content.data(), content.size()))
      return FieldWriteResult::IoError;
  } else {
    const int64_t limit = major == 2 ? kMaxField22Size : kMaxFieldContentSize;
    if (int64_t(plain.size()) > limit) return FieldWriteResult::TooLarge;
    putSize(out, uint32_t(plain.size()), major);
    if (major == 3) {
      out.push_back(uint8_t(flags));
      out.push_back(uint8_t(flags >> 8));
    }
    if (us) {
      out.insert(out.end(), plain.begin(), plain.end());
      plain.clear();
      plain.shrink_to_fit();
      out = unsync(out);
      if (!body_.append(out.data(), out.size())) return FieldWriteResult::IoError;
    } else if (!body_.append(out.data(), out.size()) || !body_.append(plain.data(), plain.size())) {
      return FieldWriteResult::IoError;
    }
  }
  ++written_;
  return FieldWriteResult::Done;
}

namespace {

// With the empty-field option: a stored field that holds nothing but its
// encoding byte, its language or an empty description. Only text fields
// have their description and content decoded; for the others those
// members say nothing about the data.
bool isEmptyStoredField(const TagField& f, int64_t c) {
  if (c >= 6) return false;
  if (c == 0) return true;
  const uint8_t layout = f.kind == FieldKind::Unknown || f.tableRow >= kKnownFieldRows
                             ? 0
                             : kKnownFieldTable[f.tableRow].layout;
  const bool hasEncoding = (layout & text_layout::kEncoding) != 0;
  const bool hasLanguage = (layout & text_layout::kLanguage) != 0;
  const bool textEmpty = f.kind == FieldKind::Text && f.description.empty() && f.content.empty();
  if (hasEncoding && c == 1) return true;
  if (hasEncoding && hasLanguage && (f.language.empty() || f.language == "eng") &&
      (c == 4 || (c == 5 && textEmpty)))
    return true;
  return !hasLanguage && c == 2 && textEmpty;
}

}  // namespace

FieldWriteResult TagFieldWriter::copyField(const TagField& f) {
  const std::string& path = f.sourcePath;
  if (!fileExists(path)) return warn(msg::kSourceFileMoved, path);
  const int hl = loadedHeaderLength();
  const int64_t stored = f.totalSize - hl;
  if (settings_.dontWriteEmptyFields && isEmptyStoredField(f, std::max<int64_t>(stored, 0)))
    return FieldWriteResult::Done;
  if (f.totalSize < hl) return FieldWriteResult::Done;

  const int major = version_.major;
  const std::string code = f.code(major);
  if (f.kind == FieldKind::Unknown) {
    if (code.size() != (major == 2 ? 3u : 4u)) {
      events_.notice(std::string(msg::kUnknownFieldVersionChange) +
                     (code.size() == 3 ? msg::kUnknownFrom22 : msg::kUnknownTo22) + "\r\n" + msg::kFieldCoded +
                     "\"" + code + "\"" + msg::kRemovedFullStop);
      return FieldWriteResult::LeftOut;
    }
  } else if (code.empty()) {
    return FieldWriteResult::LeftOut;  // the output version has no such field
  }

  const ReadFile* file = sources_->open(path);
  if (file == nullptr) return warn(msg::kErrorReadingSourceFile, path);
  if (major == 2 && f.totalSize > kMaxField22Size) {
    events_.notice(msg::kField22TooLarge + fieldDisplayName(f, header_.majorVersion) + ")");
    return FieldWriteResult::TooLarge;
  }
  if (f.totalSize > kMaxCopiedFieldSize) {
    events_.notice(msg::kFieldTooLarge + fieldDisplayName(f, header_.majorVersion) + ")");
    return FieldWriteResult::TooLarge;
  }

  uint16_t flags = 0;
  if (major >= 3 && header_.inputVersion >= 3) flags = f.frameFlags;

  std::vector<uint8_t> raw(static_cast<size_t>(stored));
  if (file->readAt(f.headerPosition + hl, raw.data(), raw.size()) != int64_t(raw.size()))
    return warn(msg::kErrorReadingSourceFile, path);

  // A 2.4 field may be unsynchronised on its own, without the tag's flag.
  const bool contentUnsynced = storedUnsynchronised(f, header_);
  std::vector<uint8_t> plain = raw;
  if (contentUnsynced) plain.resize(resync(plain.data(), plain.size()));
  if (header_.inputVersion >= 4 && major < 4) flags &= uint16_t(~kFrameUnsyncFlag24);

  bool converted = false;
  if (f.kind == FieldKind::Picture) {
    if (header_.inputVersion == 2 && major >= 3 && plain.size() > 4) {
      std::vector<uint8_t> lead = {plain[0]};
      appendText(lead, mimeTypeFromImageFormat(std::string(plain.begin() + 1, plain.begin() + 4)));
      lead.push_back(0);
      if (std::find(lead.begin(), lead.end(), 0xFF) == lead.end()) {
        lead.insert(lead.end(), plain.begin() + 4, plain.end());
        plain = std::move(lead);
        converted = true;
      }
    } else if (header_.inputVersion >= 3 && major == 2 && plain.size() > 10) {
      const size_t end = std::min(plain.size(), kMimeSearchLimit);
      const auto zero = std::find(plain.begin() + 1, plain.begin() + std::ptrdiff_t(end), 0);
      if (zero != plain.begin() + std::ptrdiff_t(end)) {
        std::vector<uint8_t> lead = {plain[0]};
        appendText(lead, imageFormatFor(std::string(plain.begin() + 1, zero)));
        if (std::find(lead.begin(), lead.end(), 0xFF) == lead.end()) {
          lead.insert(lead.end(), zero + 1, plain.end());
          plain = std::move(lead);
          converted = true;
        }
      }
    }
  }

  if (header_.inputVersion >= 4 && major < 4 && recodeForOlderVersion(plain, f, major == 2 && converted))
    converted = true;

  const bool keepStored = contentUnsynced && isOutputUnsynchronised() && !converted;
  if (!keepStored) {
    raw.clear();
    raw.shrink_to_fit();
  }
  return appendField(code, flags, std::move(plain), keepStored ? &raw : nullptr);
}

FieldWriteResult TagFieldWriter::writeTextField(const TagField& f) {
  if (f.kind != FieldKind::Text) return FieldWriteResult::Done;
  std::string content = dropTrailingZeros(f.content.substr(0, kMaxWrittenTextLength));
  const std::string description = dropTrailingZeros(f.description.substr(0, kMaxWrittenDescriptionLength));
  if (settings_.dontWriteEmptyFields && content.empty() && description.empty()) return FieldWriteResult::Done;
  const std::string code = f.code(version_.major);
  if (code.empty()) return FieldWriteResult::LeftOut;

  const uint8_t parts = f.layout & uint8_t(~f.omittedParts);
  // Edited text is the program's 8-bit text: ISO-8859-1 when that holds it,
  // else the Unicode form of the version written. A URL stays single-byte.
  const bool url = f.tableRow == kUrlRow;
  uint8_t encoding = 0;
  if (parts & text_layout::kEncoding)
    encoding = textEncodingFor(url ? description : description + content, version_.major);
  std::vector<uint8_t> plain;
  plain.reserve(2 * (content.size() + description.size()) + 12);
  if (parts & text_layout::kEncoding) plain.push_back(encoding);
  if (parts & text_layout::kLanguage) appendText(plain, f.language.size() == 3 ? f.language : kNewFieldLanguage);
  if (parts & text_layout::kDescription) {
    const std::vector<uint8_t> d = encodeFieldText(description, encoding);
    plain.insert(plain.end(), d.begin(), d.end());
    plain.resize(plain.size() + textTerminatorLength(encoding), 0);
  }
  if (f.tableRow == kGenreRow) separateGenreRefinements(content);
  const std::vector<uint8_t> text = encodeFieldText(content, url ? 0 : encoding);
  plain.insert(plain.end(), text.begin(), text.end());
  return appendField(code, 0, std::move(plain), nullptr);
}

FieldWriteResult TagFieldWriter::writeFieldFromFile(const TagField& f) {
  const std::string& path = f.sourcePath;
  if (path.empty()) return FieldWriteResult::Warned;
  if (!fileExists(path)) return warn(msg::kExternalFileMissing, path);
  ReadFile file(path);
  const int64_t size = file.isOpen() ? file.size() : -1;
  if (size < 0) return warn(msg::kErrorReadingExternalFile, path);
  const int major = version_.major;
  if (major == 2 && size > kMaxField22Size) {
    events_.fieldLeftOut(msg::kExternalFileTooLarge22, path);
    return FieldWriteResult::TooLarge;
  }
  if (size >= kMaxExternalFileSize) {
    events_.fieldLeftOut(msg::kExternalFileTooLarge, path);
    return FieldWriteResult::TooLarge;
  }
  if (size == 0 && settings_.dontWriteEmptyFields) return FieldWriteResult::LeftOut;

  std::vector<uint8_t> plain;
  std::string code;
  if (f.kind == FieldKind::Picture) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    const std::string mime = mimeTypeForFile(name);
    if (dot == std::string::npos || dot + 1 == name.size()) return warn(msg::kInvalidImageExtension, path);
    if (mime.empty()) return warn(msg::kUnknownImageType, path);
    code = std::string(knownFieldCode(kPictureRow, major));
    const std::string description = f.description.substr(0, kMaxWrittenDescriptionLength);
    const uint8_t encoding = textEncodingFor(description, major);
    plain.push_back(encoding);
    if (major == 2) {
      appendText(plain, imageFormatFor(mime));
    } else {
      appendText(plain, mime);
      plain.push_back(0);
    }
    plain.push_back(f.layout);  // the picture type
    const std::vector<uint8_t> d = encodeFieldText(description, encoding);
    plain.insert(plain.end(), d.begin(), d.end());
    plain.resize(plain.size() + textTerminatorLength(encoding), 0);
  } else {
    code = f.code(major);
    if (code.empty()) return FieldWriteResult::LeftOut;
    const uint8_t layout = f.kind == FieldKind::Unknown ? 0 : f.layout;
    const uint8_t parts = layout & uint8_t(~f.omittedParts);
    if (parts & text_layout::kEncoding) plain.push_back(f.encoding);
    if (parts & text_layout::kLanguage) appendText(plain, f.language.size() == 3 ? f.language : kNewFieldLanguage);
    if (parts & text_layout::kDescription) {
      // The description follows the field's encoding byte, whether written
      // here or already in the file; without one it is single-byte text.
      const uint8_t encoding = (layout & text_layout::kEncoding) ? f.encoding : 0;
      const std::vector<uint8_t> d = encodeFieldText(f.description, encoding);
      plain.insert(plain.end(), d.begin(), d.end());
      plain.resize(plain.size() + textTerminatorLength(encoding), 0);
    }
  }

  const uint32_t fixed = f.tableRow < kKnownFieldRows ? kKnownFieldTable[f.tableRow].fixedSize : 0;
  const int64_t take = fixed > 0 ? std::min<int64_t>(fixed, size) : size;
  const size_t at = plain.size();
  plain.resize(at + size_t(take));
  if (file.readAt(0, plain.data() + at, size_t(take)) != take) return warn(msg::kErrorReadingExternalFile, path);
  return appendField(code, 0, std::move(plain), nullptr);
}

// The extended header's size field, in the form readers of each version
// expect: 2.3 counts the bytes after the size field, 2.4 the whole header.
FieldWriteResult TagFieldWriter::emitExtendedHeader(std::vector<uint8_t> payload) {
  if (isOutputUnsynchronised()) payload = unsync(payload);
  const uint32_t total = uint32_t(payload.size() + 4);
  const auto sizeBytes = version_.major == 3 ? encodeFrameSize(total - 4, 3) : encodeSyncsafe(total);
  if (!body_.append(sizeBytes.data(), sizeBytes.size()) || !body_.append(payload.data(), payload.size()))
    return FieldWriteResult::IoError;
  extendedHeaderWritten_ = true;
  ++written_;
  return FieldWriteResult::Done;
}

FieldWriteResult TagFieldWriter::copyExtendedHeader(const TagField& f) {
  if (version_.major == 2) return FieldWriteResult::Done;
  // 2.3 and 2.4 lay their extended headers out differently (sizes, flags,
  // the CRC's span): copied into the other version it would break the tag.
  if (header_.inputVersion != version_.major) return FieldWriteResult::LeftOut;
  const std::string& path = f.sourcePath;
  if (!fileExists(path)) return warn(msg::kSourceFileMoved, path);
  const ReadFile* file = sources_->open(path);
  if (file == nullptr) return warn(msg::kErrorReadingSourceFile, path);
  if (f.totalSize > kMaxCopiedFieldSize) {
    events_.notice(msg::kExtendedHeaderTooLarge);
    return FieldWriteResult::TooLarge;
  }
  if (f.totalSize < 4) return FieldWriteResult::LeftOut;  // not even its size field
  std::vector<uint8_t> bytes(static_cast<size_t>(f.totalSize));
  if (file->readAt(f.headerPosition, bytes.data(), bytes.size()) != int64_t(bytes.size()))
    return warn(msg::kErrorReadingSourceFile, path);
  if (header_.unsynchronisation) bytes.resize(resync(bytes.data(), bytes.size()));
  if (bytes.size() < 4) return FieldWriteResult::LeftOut;
  bytes.erase(bytes.begin(), bytes.begin() + 4);
  return emitExtendedHeader(std::move(bytes));
}

FieldWriteResult TagFieldWriter::writeExtendedHeaderFromFile(const TagField& f) {
  if (version_.major == 2) return FieldWriteResult::Done;
  const std::string& path = f.sourcePath;
  if (!fileExists(path)) return warn(msg::kExtendedHeaderFileMissing, path);
  ReadFile file(path);
  const int64_t size = file.isOpen() ? file.size() : -1;
  if (size < 0) return warn(msg::kErrorReadingExtendedHeaderFile, path);
  if (size == 0) return FieldWriteResult::LeftOut;
  if (size > kMaxExtendedHeaderFileSize) {
    events_.fieldLeftOut(msg::kExtendedHeaderFileTooLarge, path);
    return FieldWriteResult::TooLarge;
  }
  if (version_.major == 3 && size < 6) {
    events_.fieldLeftOut(msg::kExtendedHeaderFileTooShort, path);
    return FieldWriteResult::TooLarge;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (file.readAt(0, bytes.data(), bytes.size()) != size) return warn(msg::kErrorReadingExtendedHeaderFile, path);
  return emitExtendedHeader(std::move(bytes));
}

// --- the tag

namespace {

TagWriteOutcome buildAndWrite(const TagHeaderState& header, const TagFieldList& list,
                              const TagWriterSettings& settings, TagWriterEvents& events, TagSink& output) {
  const auto leftOut = [&](const TagField& f) {
    return f.removed() || (settings.removeErroneousFields && f.erroneous());
  };
  if (std::all_of(list.fields.begin(), list.fields.end(), leftOut)) return TagWriteOutcome::NoTag;

  WorkFile work;
  if (!work.create(settings.workFilePath)) return TagWriteOutcome::Failed;
  TagFieldWriter writer(header, settings, events, work);
  const int major = writer.version().major;

  for (const TagField& f : list.fields) {
    if (f.tableRow != kExtendedHeaderRow || f.removed()) continue;
    const FieldWriteResult r = (f.source & field_source::kFromFile) ? writer.writeExtendedHeaderFromFile(f)
                                                                     : writer.copyExtendedHeader(f);
    if (r == FieldWriteResult::IoError) return TagWriteOutcome::Failed;
    break;
  }

  int32_t visited = 0;
  for (const TagField& f : list.fields) {
    if (!(f.tableRow == kExtendedHeaderRow || leftOut(f))) {
      FieldWriteResult r = FieldWriteResult::Done;
      if (f.unchanged()) {
        r = writer.copyField(f);
      } else if (f.source & (field_source::kEdited | field_source::kEditedMultiline)) {
        r = writer.writeTextField(f);
      } else if (f.source & field_source::kFromFile) {
        r = writer.writeFieldFromFile(f);
      } else if ((f.source & field_source::kAdded) && f.kind == FieldKind::Text) {
        r = writer.writeTextField(f);
      }
      if (r == FieldWriteResult::IoError) return TagWriteOutcome::Failed;
    }
    ++visited;
    if (visited == 128 || (visited > 128 && (visited - 128) % 256 == 0)) {
      switch (events.checkpoint()) {
        case Checkpoint::Continue: break;
        case Checkpoint::Cancel: return TagWriteOutcome::Cancelled;
        case Checkpoint::CloseWindow: return TagWriteOutcome::WindowClosing;
      }
    }
  }
  if (writer.fieldsWritten() == 0) return TagWriteOutcome::NoTag;

  const bool footer = header.footer && major > 3;
  // A footer marks the tag's end for readers that scan backwards: padding would hide it.
  if (header.paddingSize > 0 && !footer) {
    const std::vector<uint8_t> zeros(size_t(std::min<int64_t>(header.paddingSize, 65536)), 0);
    for (int64_t left = header.paddingSize; left > 0;) {
      const size_t n = size_t(std::min<int64_t>(left, int64_t(zeros.size())));
      if (!work.append(zeros.data(), n)) return TagWriteOutcome::Failed;
      left -= int64_t(n);
    }
  }
  const int64_t bodySize = work.size();
  if (bodySize == 0) return TagWriteOutcome::NoTag;
  if (bodySize > kMaxTagBodySize) return TagWriteOutcome::Failed;  // no header can say its size

  uint8_t flags = 0;
  if (header.outputUnsynchronisation) flags |= kTagUnsynchronised;
  if (writer.extendedHeaderWritten()) flags |= kTagExtendedHeader;
  if (header.experimental && major > 2) flags |= kTagExperimental;
  if (footer) flags |= kTagFooter;
  std::vector<uint8_t> piece(size_t(std::min<int64_t>(bodySize, kTagCopyPiece)));
  const auto head = [&](bool isFooter) {
    return tagHeaderBytes(isFooter, uint8_t(major), uint8_t(writer.version().revision), flags, uint32_t(bodySize));
  };
  if (!output.put(head(false).data(), 10)) return TagWriteOutcome::OutputError;
  for (int64_t pos = 0; pos < bodySize;) {
    const size_t n = size_t(std::min<int64_t>(bodySize - pos, kTagCopyPiece));
    if (!work.readAt(pos, piece.data(), n) || !output.put(piece.data(), n)) return TagWriteOutcome::OutputError;
    pos += int64_t(n);
  }
  if (footer && !output.put(head(true).data(), 10)) return TagWriteOutcome::OutputError;
  return TagWriteOutcome::Written;
}

}  // namespace

TagWriteOutcome writeTag(const TagHeaderState& header, const TagFieldList& fields,
                         const TagWriterSettings& settings, TagWriterEvents& events, TagSink& output) {
  try {
    return buildAndWrite(header, fields, settings, events, output);
  } catch (const std::exception&) {
    // Out of memory for a large field: the save goes on without the tag.
    return TagWriteOutcome::Failed;
  }
}

}  // namespace kavrel
