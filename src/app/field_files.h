#pragma once
// Tag fields and files: a field's data loaded from a file, a field's stored
// bytes saved to a file, pictures and texts viewed through the desktop's
// programs, and the rules of the several-lines text dialog. The windows
// only show what these functions ask for: message boxes and file choosers
// go through the Host, the two small dialogs about a field's leading parts
// through the callbacks in FieldDialogs.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/host.h"
#include "tags/id3v2/tag_field.h"

namespace kavrel {

class Editor;

// The load dialog: how a file relates to the parts that lead a field's data.
struct FieldLoadChoice {
  int encoding = 0;                // 0 ISO-8859-1, 1 UTF-16 with BOM, 2 UTF-16 without BOM, 3 UTF-8
  std::array<bool, 3> included{};  // encoding, language, description already in the file
  std::string language = kNewFieldLanguage;
  std::string description;
  bool operator==(const FieldLoadChoice&) const = default;
};
struct FieldLoadDialogRequest {
  uint8_t parts = 0;  // text_layout bits whose groups are enabled
  FieldLoadChoice values;
  bool remember = false;
  int64_t fileSize = 0;  // for includedBoxRefusal
};
struct FieldLoadDialogAnswer {
  bool ok = false;  // false: closed without O&K
  FieldLoadChoice values;
  bool remember = false;
};

// The save dialog: which parts of a stored field go into the file.
struct FieldSaveChoice {
  std::array<bool, 4> include{};  // header, encoding, language, description
  bool operator==(const FieldSaveChoice&) const = default;
};
struct FieldSaveDialogRequest {
  uint8_t parts = 0;   // text_layout bits whose boxes are enabled
  bool header = true;  // the header box is enabled (the extended header has none)
  std::string headerCaption;
  FieldSaveChoice values;
  bool remember = false;
};
struct FieldSaveDialogAnswer {
  bool ok = false;
  FieldSaveChoice values;
  bool remember = false;
};

struct FieldDialogs {
  std::function<FieldLoadDialogAnswer(const FieldLoadDialogRequest&)> load;
  std::function<FieldSaveDialogAnswer(const FieldSaveDialogRequest&)> save;
};

// What "remember these settings" keeps between uses: nothing, or the values.
struct FieldDialogMemory {
  std::optional<FieldLoadChoice> load;
  std::optional<FieldSaveChoice> save;
};

// The remembered values as the options record keeps them between runs.
FieldDialogMemory storedFieldDialogMemory(const Options& options);
void storeFieldDialogMemory(Options& options, const FieldDialogMemory& memory);

// A file above this size is not loaded into a field.
inline constexpr int64_t kMaxFieldFileSize = 67108860;
// Bytes of a file looked at when it is loaded into a field.
inline constexpr int64_t kFieldFileExamined = 65536;
// Field data saved to a file is cut to this many bytes.
inline constexpr int64_t kMaxSavedFieldData = 67108864;
// Text and descriptions longer than this are not shown.
inline constexpr size_t kMaxShownText = 1024;
// A picture's path or URL longer than this is not opened.
inline constexpr size_t kMaxPictureReference = 768;

// Why a box "it's already included in the file !" (`part`: a text_layout
// bit) may not be checked for a file of `fileSize` bytes while the boxes
// `included` are checked; "" when it may.
std::string includedBoxRefusal(uint8_t part, int64_t fileSize, const std::array<bool, 3>& included);

enum class FieldFileOutcome {
  Done,       // the field changed, a file was written or something was shown
  Cancelled,  // the user said no, or the field needs nothing done
  Failed,     // refused or failed with a message; the field is as it was
};

// The editor's actions on one field (an index into the document's field
// list). Each does nothing (Cancelled) for an index outside the list and
// while a script runs.
class FieldFiles {
 public:
  FieldFiles(Editor& editor, FieldDialogs dialogs, FieldDialogMemory& memory);

  // Load from file of the text, mixed and binary lists: the field's data
  // comes from the chosen file when the tag is written.
  FieldFileOutcome loadFromFile(int32_t index);
  // Save original of those lists: the field's stored bytes, with the parts
  // the save dialog chooses, into the chosen file.
  FieldFileOutcome saveOriginal(int32_t index);

  // The picture list's View, Save original and Load from file.
  FieldFileOutcome viewPicture(int32_t index);
  FieldFileOutcome savePictureOriginal(int32_t index);
  FieldFileOutcome loadPicture(int32_t index);

  // View of a text, mixed or binary field: its current or original content,
  // in a message box or, with `externalViewer`, in the text work file
  // opened with the desktop's program.
  FieldFileOutcome viewText(int32_t index, bool original, bool externalViewer);

 private:
  TagField* field(int32_t index);
  MessageResult say(const std::string& text, const std::string& caption, MessageIcon icon,
                    MessageButtons buttons = MessageButtons::Ok, MessageResult def = MessageResult::Ok);
  // An error box; returns Failed.
  FieldFileOutcome fail(const std::string& text);
  // A file dialog opening in `rememberedFolder`, which follows the choice.
  std::optional<std::string> choose(FileDialogRequest request, std::string& rememberedFolder);
  bool askLoadChoice(uint8_t parts, int64_t fileSize, FieldLoadChoice& choice);
  bool askSaveChoice(const TagField& f, FieldSaveChoice& choice);
  template <class Request, class Answer, class Values>
  bool askUntilDecided(const char* question, const std::function<Answer(const Request&)>& dialog,
                       Request request, std::optional<Values>& memory, Values& choice);
  bool openWithDesktop(const std::string& path);

  Editor& editor_;
  FieldDialogs dialogs_;
  FieldDialogMemory& memory_;
};

// --- the several-lines text dialog (its texts and OK come from the tag
// editor's session)
enum class MultilineFocusAction { Accept, Discard, Stay };
// The dialog lost the focus with `memo` in it while the field holds `text`.
// Unchanged text closes it without a question (Discard); else "Remember
// changes?" decides: Yes keeps the memo as OK does (Accept), No drops it as
// cancel does (Discard), Cancel brings the dialog back to the front (Stay).
MultilineFocusAction multilineFocusLost(Host& host, const std::string& memo, const std::string& text);

}  // namespace kavrel
