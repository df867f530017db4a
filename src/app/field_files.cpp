#include "app/field_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "app/editor.h"
#include "app/field_messages.h"
#include "app/play_messages.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "platform/desktop.h"
#include "platform/instances.h"
#include "tags/block_views.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel {

namespace {

namespace fm = field_msg;

// Format flag of a 2.4 field whose content is unsynchronised on its own
// (second flag byte, kept in the high half).
// Pieces in which stored bytes are read and written.
constexpr size_t kPiece = 65536;

bool isFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// A link that is no file name (https is no different here from http).
bool isUrl(const std::string& reference) {
  return startsWithIgnoringCase(reference, "http:") || startsWithIgnoringCase(reference, "https:") ||
         startsWithIgnoringCase(reference, "ftp:");
}

// The leading parts a field of the text, mixed or binary lists has; a
// picture's layout member holds its type instead.
uint8_t partsOf(const TagField& f) {
  return f.kind == FieldKind::Picture || f.kind == FieldKind::Unknown ? 0 : f.layout & 0x07;
}

bool inOriginalTag(const TagField& f) { return !(f.source & field_source::kAdded) && f.totalSize > 0; }

std::string displayName(const TagField& f) {
  return std::string(kKnownFieldTable[f.tableRow < kKnownFieldRows ? f.tableRow : 0].displayName);
}

// The file extension of an image MIME type ("image/jpeg" -> "jpg"); "" for
// anything that is not one of the known image types.
std::string imageExtension(const std::string& mime) {
  if (!startsWithIgnoringCase(mime, "image/")) return {};
  const std::string extension = lower(imageFormatFromMimeType(mime));
  return mimeTypeForFile("." + extension).empty() ? std::string() : extension;
}

std::string pictureFilter(const std::string& extension) {
  std::string filter;
  if (extension == "jpg") filter = "JPEG files|*.jpg;*.jpeg;*.jfif|";
  if (extension == "png") filter = "PNG files|*.png|";
  if (extension == "bmp") filter = "Bitmaps|*.bmp|";
  if (extension == "gif") filter = "GIF files|*.gif|";
  if (extension == "ico") filter = "Icons|*.ico|";
  return filter + fm::kAllFilesFilter;
}

enum class Copy { Done, ReadError, WriteError };

// A field's bytes in the loaded file, read front to back with the tag's
// unsynchronisation undone. It counts the stored bytes it took, so that
// sizes given in stored bytes hold.
class StoredContent {
 public:
  StoredContent(const std::string& path, int64_t pos, int64_t storedSize, bool unsynced)
      : file_(path), pos_(pos), end_(pos + std::max<int64_t>(storedSize, 0)), unsynced_(unsynced) {
    failed_ = !file_.isOpen();
  }
  const ReadFile& file() const { return file_; }
  bool failed() const { return failed_; }
  int64_t storedLeft() const { return end_ - pos_ + int64_t(length_ - next_); }

  // The next byte; -1 at the end of the field or on a read error.
  int next() {
    for (;;) {
      if (next_ == length_ && !refill()) return -1;
      const uint8_t b = buffer_[next_++];
      const bool marker = unsynced_ && afterFF_ && b == 0;
      afterFF_ = b == 0xFF;
      if (!marker) return b;
    }
  }
  // Skips a text and its terminator (a zero pair on a two-byte boundary in
  // UTF-16); false when the field ends first.
  bool skipText(int encoding) {
    const bool wide = textTerminatorLength(uint8_t(encoding)) == 2;
    for (;;) {
      const int a = next();
      const int b = wide ? next() : 0;
      if (a < 0 || b < 0) return false;
      if (a == 0 && b == 0) return true;
    }
  }
  // Up to n bytes of content.
  std::string take(size_t n) {
    std::string out;
    for (int b; out.size() < n && (b = next()) >= 0;) out += char(b);
    return out;
  }
  // The content of the next `stored` stored bytes into `out`.
  Copy copyTo(WriteFile& out, int64_t stored) {
    const int64_t stop = storedLeft() - stored;
    std::vector<uint8_t> piece;
    piece.reserve(kPiece);
    for (int b; storedLeft() > stop && (b = next()) >= 0;) {
      piece.push_back(uint8_t(b));
      if (piece.size() == kPiece) {
        if (!out.write(piece.data(), piece.size())) return Copy::WriteError;
        piece.clear();
      }
    }
    if (failed_) return Copy::ReadError;
    return out.write(piece.data(), piece.size()) ? Copy::Done : Copy::WriteError;
  }

 private:
  bool refill() {
    const size_t n = size_t(std::min<int64_t>(int64_t(kPiece), end_ - pos_));
    if (n == 0 || failed_) return false;
    buffer_.resize(kPiece);
    if (file_.readAt(pos_, buffer_.data(), n) != int64_t(n)) {
      failed_ = true;
      return false;
    }
    pos_ += int64_t(n);
    length_ = n;
    next_ = 0;
    return true;
  }

  ReadFile file_;
  int64_t pos_;
  int64_t end_;
  bool unsynced_;
  bool failed_ = false;
  bool afterFF_ = false;
  std::vector<uint8_t> buffer_;
  size_t length_ = 0;
  size_t next_ = 0;
};

int loadedHeaderLength(const Document& doc, const TagField& f) {
  if (f.tableRow == kExtendedHeaderRow) return 0;  // no field header: its size field leads
  return doc.tagHeader.inputVersion == 2 ? 6 : 10;
}

// The content of a field of the loaded tag, after its header.
StoredContent storedContentOf(const Document& doc, const TagField& f) {
  const TagHeaderState& h = doc.tagHeader;
  const bool unsynced = storedUnsynchronised(f, h);
  const int headerLength = loadedHeaderLength(doc, f);
  return StoredContent(doc.loadPath, f.headerPosition + headerLength, f.totalSize - headerLength, unsynced);
}

// A stored picture up to its data.
struct PictureHeader {
  int encoding = 0;
  std::string format;  // MIME type, or the 2.2 image format
  bool link() const { return format == "-->"; }
};

// Reads encoding, format, picture type and description; false when the
// field ends first or cannot be read.
bool readPictureHeader(StoredContent& in, bool version22, PictureHeader& p) {
  p.encoding = in.next();
  if (p.encoding < 0) return false;
  if (version22) {
    p.format = in.take(3);
    if (p.format.size() < 3) return false;
  } else {
    for (int c;;) {
      if ((c = in.next()) < 0) return false;
      if (c == 0) break;
      if (p.format.size() < kMaxInfoLength) p.format += char(c);
    }
  }
  return in.next() >= 0 && in.skipText(p.encoding);
}

// The path or URL a linked picture holds instead of data.
std::string readReference(StoredContent& in) {
  std::string reference = in.take(size_t(kFieldFileExamined));
  while (!reference.empty() && reference.back() == '\0') reference.pop_back();
  return reference;
}

std::string workFileError(const std::string& path, bool image) {
  return fm::kCantCreateTemporary + path + "\r\n\n" + fm::kTemporaryInUse + "\r\n" +
         (image ? fm::kViewingTheImage : fm::kEditingTheText) + "\r\n" + fm::kRebootHint;
}

// Writes `path` anew through `fill`; the message of a failure, else "".
std::string writeNewFile(const std::string& path, const std::string& createError, const char* writeError,
                         const std::function<Copy(WriteFile&)>& fill) {
  WriteFile out;
  if (!out.create(path)) return createError;
  switch (fill(out)) {
    case Copy::Done: break;
    case Copy::ReadError: return fm::kDiskErrorReadingSource;
    case Copy::WriteError: return writeError;
  }
  return out.close() ? std::string() : std::string(writeError);
}

Copy writeText(WriteFile& out, const std::string& text) {
  return out.write(text.data(), text.size()) ? Copy::Done : Copy::WriteError;
}

}  // namespace

std::string includedBoxRefusal(uint8_t part, int64_t fileSize, const std::array<bool, 3>& included) {
  if (part == text_layout::kEncoding) return fileSize < 1 ? fm::kSizeZero : "";
  if (part == text_layout::kLanguage) return fileSize < 4 ? fm::kSizeBelow4 : "";
  const int64_t before = (included[0] ? 1 : 0) + (included[1] ? 3 : 0);
  return fileSize <= before ? fm::kSizeTooSmall : "";
}

FieldDialogMemory storedFieldDialogMemory(const Options& options) {
  namespace tob = tag_option_byte;
  const auto& r = options.record;
  FieldDialogMemory memory;
  if (const uint8_t bits = r[tob::kFieldLoadBits]; bits & tob::kRememberedBit) {
    FieldLoadChoice& load = memory.load.emplace();
    load.encoding = bits & 3;
    for (size_t i = 0; i < load.included.size(); ++i) load.included[i] = (bits >> (2 + i)) & 1;
    load.language = options.defaultLanguage;
    const size_t length = std::min<size_t>(r[tob::kFieldDescription], tob::kFieldDescriptionMax);
    load.description.assign(reinterpret_cast<const char*>(r.data() + tob::kFieldDescription + 1), length);
  }
  if (const uint8_t bits = r[tob::kFieldSaveBits]; bits & tob::kRememberedBit) {
    FieldSaveChoice& save = memory.save.emplace();
    for (size_t i = 0; i < save.include.size(); ++i) save.include[i] = (bits >> i) & 1;
  }
  return memory;
}

void storeFieldDialogMemory(Options& options, const FieldDialogMemory& memory) {
  namespace tob = tag_option_byte;
  auto& r = options.record;
  uint8_t loadBits = 0;
  if (memory.load) {
    loadBits = uint8_t(tob::kRememberedBit | (memory.load->encoding & 3));
    for (size_t i = 0; i < memory.load->included.size(); ++i)
      if (memory.load->included[i]) loadBits |= uint8_t(1 << (2 + i));
    options.defaultLanguage = memory.load->language;
    // A description too long for its place is remembered in part.
    const std::string& d = memory.load->description;
    const size_t length = std::min(d.size(), tob::kFieldDescriptionMax);
    r[tob::kFieldDescription] = uint8_t(length);
    std::copy_n(d.begin(), length, r.begin() + tob::kFieldDescription + 1);
  }
  r[tob::kFieldLoadBits] = loadBits;
  uint8_t saveBits = 0;
  if (memory.save) {
    saveBits = tob::kRememberedBit;
    for (size_t i = 0; i < memory.save->include.size(); ++i)
      if (memory.save->include[i]) saveBits |= uint8_t(1 << i);
  }
  r[tob::kFieldSaveBits] = saveBits;
}

FieldFiles::FieldFiles(Editor& editor, FieldDialogs dialogs, FieldDialogMemory& memory)
    : editor_(editor), dialogs_(std::move(dialogs)), memory_(memory) {}

TagField* FieldFiles::field(int32_t index) {
  std::vector<TagField>& fields = editor_.document().tagFields.fields;
  if (editor_.scriptRunning || index < 0 || size_t(index) >= fields.size()) return nullptr;
  return &fields[size_t(index)];
}

MessageResult FieldFiles::say(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons, MessageResult def) {
  return editor_.host().messageBox(text, caption, icon, buttons, def);
}

FieldFileOutcome FieldFiles::fail(const std::string& text) {
  say(text, fm::kErrorCaption, MessageIcon::Stop);
  return FieldFileOutcome::Failed;
}

std::optional<std::string> FieldFiles::choose(FileDialogRequest request, std::string& rememberedFolder) {
  request.folder = rememberedFolder;
  request.confirmOverwrite = request.save;
  std::optional<std::string> path = editor_.host().chooseFile(request);
  if (path && folderOf(*path) != rememberedFolder) {
    rememberedFolder = folderOf(*path);
    editor_.saveConfiguration();
  }
  return path;
}

bool FieldFiles::openWithDesktop(const std::string& path) {
  const int result = editor_.shellOpener ? editor_.shellOpener(path) : kShellNoAssociation;
  if (result >= kShellSuccess) return true;
  say(shellErrorText(result), msg::kShellErrorCaption, MessageIcon::Stop);
  return false;
}

bool FieldFiles::askLoadChoice(uint8_t parts, int64_t fileSize, FieldLoadChoice& choice) {
  const FieldLoadDialogRequest request{parts, memory_.load.value_or(FieldLoadChoice{}),
                                       memory_.load.has_value(), fileSize};
  return askUntilDecided(fm::kAbortLoad, dialogs_.load, request, memory_.load, choice);
}

bool FieldFiles::askSaveChoice(const TagField& f, FieldSaveChoice& choice) {
  const bool v22 = editor_.document().tagHeader.inputVersion == 2;
  const FieldSaveDialogRequest request{partsOf(f), f.tableRow != kExtendedHeaderRow,
                                       v22 ? fm::kHeaderBox22 : fm::kHeaderBox,
                                       memory_.save.value_or(FieldSaveChoice{}), memory_.save.has_value()};
  return askUntilDecided(fm::kAbortSave, dialogs_.save, request, memory_.save, choice);
}

// A parts dialog until it is confirmed. Closing it without O&K asks whether
// to give up: Yes does, No goes on as if confirmed, Cancel shows it again.
template <class Request, class Answer, class Values>
bool FieldFiles::askUntilDecided(const char* question, const std::function<Answer(const Request&)>& dialog,
                                 Request request, std::optional<Values>& memory, Values& choice) {
  if (!dialog) return false;
  for (;;) {
    const Answer answer = dialog(request);
    if (!answer.ok) {
      const MessageResult r = say(question, fm::kWarningCaption, MessageIcon::Exclamation,
                                  MessageButtons::YesNoCancel, MessageResult::Yes);
      if (r == MessageResult::Yes) return false;
      if (r == MessageResult::Cancel) {
        request.values = answer.values;
        request.remember = answer.remember;
        continue;
      }
    }
    choice = answer.values;
    memory = answer.remember ? std::optional(answer.values) : std::nullopt;
    storeFieldDialogMemory(editor_.options(), memory_);
    editor_.saveConfiguration();
    return true;
  }
}

// ------------------------------------------------------------ load from file

FieldFileOutcome FieldFiles::loadFromFile(int32_t index) {
  TagField* found = field(index);
  if (found == nullptr) return FieldFileOutcome::Cancelled;
  TagField& f = *found;
  const bool text = f.kind == FieldKind::Text;
  FileDialogRequest request;
  request.title = fm::kChooseSourceFile;
  request.filter = text ? fm::kTextFilter : fm::kAllFilesFilter;
  const std::optional<std::string> path = choose(request, editor_.options().importFieldFolder);
  if (!path) return FieldFileOutcome::Cancelled;

  ReadFile file(*path);
  const int64_t size = file.isOpen() ? file.size() : -1;
  if (size < 0) return fail(fm::kDiskErrorReading);
  if (size > kMaxFieldFileSize) return fail(fm::kFileTooLarge);
  if (text && size > kFieldFileExamined)
    say(fm::kOnlyFirst64K, fm::kWarningCaption, MessageIcon::Exclamation);
  if (size == 0 && editor_.options().dontWriteEmptyTagFields && f.description.empty())
    say(fm::kEmptyFileLoaded, fm::kWarningCaption, MessageIcon::Exclamation);
  std::vector<uint8_t> data(size_t(std::min(size, kFieldFileExamined)));
  if (file.readAt(0, data.data(), data.size()) != int64_t(data.size())) return fail(fm::kDiskErrorReading);

  const TagField saved = f;
  const uint8_t parts = partsOf(f);
  f.sourcePath = *path;
  f.source = uint8_t((f.source & field_source::kAdded) | field_source::kFromFile);
  FieldLoadChoice choice;
  if (parts != 0 && !askLoadChoice(parts, size, choice)) {
    f = saved;
    return FieldFileOutcome::Cancelled;
  }

  f.omittedParts = 0;
  size_t offset = 0;
  if (parts & text_layout::kEncoding) {
    if (choice.included[0]) {
      f.omittedParts |= text_layout::kEncoding;
      f.encoding = data.empty() ? 0 : data[0];
      if (f.encoding > 3) {
        // Written as a byte of our own (0) in front of the whole file, so
        // the field stays readable; the text shown starts after the byte.
        say(fm::kImproperEncoding, fm::kWarningCaption, MessageIcon::Exclamation);
        f.encoding = 0;
        f.omittedParts = 0;
      }
      offset = 1;
    } else {
      f.encoding = uint8_t(std::clamp(choice.encoding, 0, 3));
    }
  }
  if (parts & text_layout::kLanguage) {
    if (choice.included[1]) {
      f.omittedParts |= text_layout::kLanguage;
      if (offset + 3 <= data.size())
        f.language = data[offset] == 0 ? std::string()
                                       : std::string(data.begin() + std::ptrdiff_t(offset),
                                                     data.begin() + std::ptrdiff_t(offset + 3));
      offset += 3;
    } else {
      f.language = choice.language;
    }
  }
  const int encoding = (parts & text_layout::kEncoding) ? f.encoding : 0;
  if (parts & text_layout::kDescription) {
    if (choice.included[2]) {
      f.omittedParts |= text_layout::kDescription;
      const DecodedText d = decodeFieldText(encoding, data.data(), offset, data.size());
      f.description = d.text;
      offset = d.next;
    } else {
      f.description = choice.description;
    }
  }
  if (offset > data.size()) {
    f = saved;
    return fail(fm::kFileShorter);
  }
  if (f.description.size() > kMaxWrittenDescriptionLength) {
    f.description.resize(kMaxWrittenDescriptionLength);
    say(fm::kDescriptionTruncated, fm::kWarningCaption, MessageIcon::Exclamation);
  }
  f.originalContent.clear();
  f.originalDescription.clear();
  f.originalLanguage.clear();
  if (text) {
    const int textEncoding = f.tableRow == kUrlRow ? 0 : encoding;
    std::string content = decodeFieldText(textEncoding, data.data(), offset, data.size()).text;
    const bool tooLarge = content.size() > kMaxShownText;
    f.content = tooLarge ? std::string() : std::move(content);
    f.status = tooLarge ? field_status::kTooLarge : 0;
  }
  return FieldFileOutcome::Done;
}

// ------------------------------------------------------------ save original

FieldFileOutcome FieldFiles::saveOriginal(int32_t index) {
  TagField* found = field(index);
  if (found == nullptr) return FieldFileOutcome::Cancelled;
  const TagField& f = *found;
  if (!inOriginalTag(f)) return fail(fm::kNotInOriginalTag);
  const bool text = f.kind == FieldKind::Text;
  FileDialogRequest request;
  request.save = true;
  request.filter = text ? fm::kTextFilter : fm::kAllFilesFilter;
  request.defaultExtension = text ? "txt" : "";
  const std::optional<std::string> target = choose(request, editor_.options().exportFieldFolder);
  if (!target) return FieldFileOutcome::Cancelled;
  FieldSaveChoice choice;
  if (!askSaveChoice(f, choice)) return FieldFileOutcome::Cancelled;

  const Document& doc = editor_.document();
  const uint8_t parts = partsOf(f);
  StoredContent in = storedContentOf(doc, f);
  if (in.failed()) return fail(fm::kDiskErrorReadingSource);
  const auto fill = [&](WriteFile& out) {
    const int headerLength = loadedHeaderLength(doc, f);
    if (f.tableRow == kExtendedHeaderRow) {
      in.take(4);  // its size field: the writer makes a new one
    } else if (choice.include[0]) {
      std::vector<uint8_t> header(static_cast<size_t>(headerLength));
      if (in.file().readAt(f.headerPosition, header.data(), header.size()) != headerLength)
        return Copy::ReadError;
      if (!out.write(header.data(), header.size())) return Copy::WriteError;
    }
    int encoding = 0;
    if (parts & text_layout::kEncoding) {
      const std::string b = in.take(1);
      if (!b.empty()) encoding = uint8_t(b[0]);
      if (choice.include[1] && writeText(out, b) != Copy::Done) return Copy::WriteError;
    }
    if (parts & text_layout::kLanguage) {
      const std::string language = in.take(3);
      if (choice.include[2] && writeText(out, language) != Copy::Done) return Copy::WriteError;
    }
    if ((parts & text_layout::kDescription) && !choice.include[3]) in.skipText(encoding);
    int64_t left = in.storedLeft();
    if (left > kMaxSavedFieldData) {
      say(fm::kDataOver64MB, fm::kWarningCaption, MessageIcon::Exclamation);
      left = kMaxSavedFieldData;
    }
    return in.copyTo(out, left);
  };
  const std::string error = writeNewFile(*target, fm::kNoOutputAccess, fm::kDiskErrorWritingOutput, fill);
  if (!error.empty()) return fail(error);
  if (say(fm::kCopiedOpen, fm::kPromptCaption, MessageIcon::Question, MessageButtons::YesNo,
          MessageResult::Yes) == MessageResult::Yes)
    openWithDesktop(*target);
  return FieldFileOutcome::Done;
}

// ------------------------------------------------------------ pictures

FieldFileOutcome FieldFiles::viewPicture(int32_t index) {
  TagField* found = field(index);
  if (found == nullptr) return FieldFileOutcome::Cancelled;
  const TagField& f = *found;
  if (f.source & field_source::kFromFile) {
    // A picture loaded from a file is that file.
    if (!isFile(f.sourcePath))
      return say(fm::kReferenceMissing, fm::kReferenceErrorCaption, MessageIcon::Stop),
             FieldFileOutcome::Failed;
    if (mimeTypeForFile(f.sourcePath).empty()) return fail(fm::kUnknownMimeType);
    return openWithDesktop(f.sourcePath) ? FieldFileOutcome::Done : FieldFileOutcome::Failed;
  }
  if (!inOriginalTag(f)) return fail(fm::kPictureNotLoaded);

  const Document& doc = editor_.document();
  const bool v22 = doc.tagHeader.inputVersion == 2;
  StoredContent in = storedContentOf(doc, f);
  PictureHeader p;
  const bool read = !in.failed() && readPictureHeader(in, v22, p);
  if (p.encoding > 3) return fail(fm::kUnknownEncoding);
  if (!read) return fail(fm::kDiskErrorReadingSource);

  if (p.link()) {
    const std::string reference = readReference(in);
    if (in.failed()) return fail(fm::kDiskErrorReadingSource);
    if (reference.size() > kMaxPictureReference) return fail(fm::kReferenceTooLong);
    if (say(fm::kOpenReference + reference, fm::kPromptCaption, MessageIcon::Question, MessageButtons::YesNo,
            MessageResult::Yes) != MessageResult::Yes)
      return FieldFileOutcome::Cancelled;
    if (!isUrl(reference) && !isFile(reference))
      return say(fm::kReferenceMissing, fm::kReferenceErrorCaption, MessageIcon::Stop),
             FieldFileOutcome::Failed;
    return openWithDesktop(reference) ? FieldFileOutcome::Done : FieldFileOutcome::Failed;
  }

  const std::string extension = imageExtension(v22 ? mimeTypeFromImageFormat(p.format) : p.format);
  if (extension.empty()) return fail(fm::kUnknownMimeType);
  // The viewer may still be reading the file when we go on: it stays until
  // the next start cleans the data folder.
  const std::string path = imageViewFilePath(editor_.dataFolder, extension);
  const std::string error = writeNewFile(path, workFileError(path, true), fm::kDiskErrorWritingTemporary,
                                         [&](WriteFile& out) { return in.copyTo(out, in.storedLeft()); });
  if (!error.empty()) return fail(error);
  return openWithDesktop(path) ? FieldFileOutcome::Done : FieldFileOutcome::Failed;
}

FieldFileOutcome FieldFiles::savePictureOriginal(int32_t index) {
  TagField* found = field(index);
  if (found == nullptr) return FieldFileOutcome::Cancelled;
  const TagField& f = *found;
  if (!inOriginalTag(f)) return fail(fm::kPictureNotInOriginal);
  const Document& doc = editor_.document();
  const bool v22 = doc.tagHeader.inputVersion == 2;
  StoredContent in = storedContentOf(doc, f);
  PictureHeader p;
  if (in.failed() || !readPictureHeader(in, v22, p)) return fail(fm::kDiskErrorReadingSource);

  FileDialogRequest request;
  request.save = true;
  std::string& folder = editor_.options().exportPictureFolder;
  if (p.link()) {
    const std::string reference = readReference(in);
    if (in.failed()) return fail(fm::kDiskErrorReadingSource);
    if (isUrl(reference))
      return say(fm::kEmbeddedUrl, fm::kWarningCaption, MessageIcon::Information),
             FieldFileOutcome::Cancelled;
    if (say(fm::kCopyReference + reference, fm::kPromptCaption, MessageIcon::Question, MessageButtons::YesNo,
            MessageResult::Yes) != MessageResult::Yes)
      return FieldFileOutcome::Cancelled;
    if (!isFile(reference)) return fail(fm::kEmbeddedPath + reference + "\r\n\n" + fm::kEmbeddedPathMissing);
    const std::string extension = imageExtension(mimeTypeForFile(reference));
    request.filter = pictureFilter(extension);
    request.defaultExtension = extension;
    const std::optional<std::string> target = choose(request, folder);
    if (!target) return FieldFileOutcome::Cancelled;
    std::error_code ec;
    std::filesystem::copy_file(reference, *target, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return fail(fm::kFileCopyFailed);
    return FieldFileOutcome::Done;
  }

  const std::string extension = imageExtension(v22 ? mimeTypeFromImageFormat(p.format) : p.format);
  request.filter = pictureFilter(extension);
  request.defaultExtension = extension;
  const std::optional<std::string> target = choose(request, folder);
  if (!target) return FieldFileOutcome::Cancelled;
  const std::string error = writeNewFile(*target, fm::kNoOutputAccess, fm::kDiskErrorWritingOutput,
                                         [&](WriteFile& out) { return in.copyTo(out, in.storedLeft()); });
  if (!error.empty()) return fail(error);
  return FieldFileOutcome::Done;
}

FieldFileOutcome FieldFiles::loadPicture(int32_t index) {
  FileDialogRequest request;
  request.title = fm::kChoosePicture;
  request.filter = fm::kPictureFilter;
  TagField* f = field(index);
  if (f == nullptr) return FieldFileOutcome::Cancelled;
  const std::optional<std::string> path = choose(request, editor_.options().importPictureFolder);
  if (!path) return FieldFileOutcome::Cancelled;
  // The type follows from the extension when the tag is written.
  f->sourcePath = *path;
  f->source = uint8_t((f->source & field_source::kAdded) | field_source::kFromFile);
  return FieldFileOutcome::Done;
}

// ------------------------------------------------------------ text view

FieldFileOutcome FieldFiles::viewText(int32_t index, bool original, bool externalViewer) {
  TagField* found = field(index);
  if (found == nullptr) return FieldFileOutcome::Cancelled;
  const TagField& f = *found;
  const Document& doc = editor_.document();
  std::string title = f.description.empty() ? displayName(f) : f.description;
  if ((partsOf(f) & text_layout::kLanguage) && f.language.size() == 3) title += ", " + f.language;
  const auto show = [&](const std::string& text) {
    say(text, title, MessageIcon::Information);
    return FieldFileOutcome::Done;
  };

  // Mixed and binary data is read where it is: the loaded file or the
  // field's own file. At most this much is shown.
  constexpr size_t kShown = kMaxShownText;
  std::string data;
  bool tooLarge = false;
  if (original && !inOriginalTag(f)) return show(fm::kNotInOriginalTag);
  if (!original && (f.source & field_source::kFromFile) && !isFile(f.sourcePath))
    return fail(fm::kReferencedFileNotFound + f.sourcePath);
  if (f.kind == FieldKind::Text) {
    if (original) {
      tooLarge = f.totalSize - loadedHeaderLength(doc, f) > int64_t(kShown);
      data = f.originalContent;
    } else {
      tooLarge = (f.status & field_status::kTooLarge) != 0;
      data = f.content;
    }
  } else if (!original && (f.source & field_source::kFromFile)) {
    ReadFile file(f.sourcePath);
    const int64_t size = file.isOpen() ? file.size() : -1;
    tooLarge = size > int64_t(kShown);
    data.resize(tooLarge ? 0 : size_t(std::max<int64_t>(size, 0)));
    if (size < 0 || file.readAt(0, data.data(), data.size()) != int64_t(data.size()))
      return fail(fm::kDiskErrorReadingSource);
    data = data.empty() ? data : rawDataText(data, int64_t(data.size()));
  } else if (!inOriginalTag(f)) {
    return show(fm::kNotInInputTag);
  } else {
    StoredContent in = storedContentOf(doc, f);
    data = in.take(kShown + 1);
    if (in.failed()) return fail(fm::kDiskErrorReadingSource);
    tooLarge = data.size() > kShown;
    data = data.empty() ? data : rawDataText(data, int64_t(data.size()));
  }
  if (tooLarge) return show(fm::kTooLargeToShow);
  if (data.empty()) return show(fm::kFieldEmpty);
  if (!externalViewer) return show(data);

  const std::string path = textViewFilePath(editor_.dataFolder);
  const std::string error = writeNewFile(path, workFileError(path, false), fm::kDiskErrorWritingTemporary,
                                         [&](WriteFile& out) { return writeText(out, data); });
  if (!error.empty()) return fail(error);
  return openWithDesktop(path) ? FieldFileOutcome::Done : FieldFileOutcome::Failed;
}

// ------------------------------------------------------------ several lines

MultilineFocusAction multilineFocusLost(Host& host, const std::string& memo, const std::string& text) {
  if (memo == text) return MultilineFocusAction::Discard;
  switch (host.messageBox(fm::kRememberChanges, fm::kWaitForMe, MessageIcon::Question,
                          MessageButtons::YesNoCancel, MessageResult::Yes)) {
    case MessageResult::Yes: return MultilineFocusAction::Accept;
    case MessageResult::No: return MultilineFocusAction::Discard;
    default: return MultilineFocusAction::Stay;
  }
}

}  // namespace kavrel
