#pragma once
// Split and save selection: which parts a split offers, what their dialogs
// show, and the checks made before anything is written.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "document/blocks.h"
#include "document/document.h"

namespace kavrel {

// One part of a split: frames [start, end) and the number its caption shows.
struct SplitPart {
  bool enabled = false;  // the part's check box gb1..gb3
  bool checked = false;
  int32_t start = 0;
  int32_t end = 0;
  int fileNumber = 0;  // "File 1".."File 3"; the part after the cursor is file 2
  std::string caption;
};

using AttachFlags = std::array<bool, kBlockCount>;  // "write, not discard" per block

struct SplitDialogState {
  std::array<SplitPart, 3> parts;
  bool saveSelectionVisible = false;  // offer the save-selection dialog instead
  std::array<std::string, 3> fileLabels;  // FileLab1..FileLab3
};

struct SplitDialogResult {
  // Parts 1..3 as the user left them: checked, file name and attach boxes.
  std::array<bool, 3> checked{};
  std::array<std::string, 3> names;
  std::array<AttachFlags, 3> attach{};
  // Leaves the split dialog for the save-selection dialog.
  bool saveSelectionInstead = false;
};

struct SaveSelectionDialogState {
  AttachFlags available{};  // the block was found in the loaded file
  std::string fileLabel;    // FileLab
};

struct SaveSelectionDialogResult {
  std::string name;
  AttachFlags attach{};
};

inline constexpr const char* kNoFileNameYet = "not specified yet";

// The save-selection dialog on activation: an attach box usable for each
// block the loaded file has (an unknown header includes a leading gap).
SaveSelectionDialogState saveSelectionDialogState(const FileLayout& layout);

// The parts of a split of `frameCount` frames at the ordered selection ends
// a <= b (a == b: at the cursor), as the dialog shows them on activation.
SplitDialogState splitDialogState(bool hasSelection, int32_t a, int32_t b, int32_t frameCount);

// OK is usable: some part is checked, and every checked part is named.
bool splitReady(const SplitDialogState& state, const SplitDialogResult& choice);

// Two file names that reach the same file, written differently: full path,
// upper case, trailing blanks and NULs dropped.
std::string comparableFileName(const std::string& name);

// The first two checked parts (k < j, in order) whose files are the same.
struct SameNameParts {
  int first;  // part index 0..2
  int second;
};
std::optional<SameNameParts> findSameNames(const std::array<SplitPart, 3>& parts,
                                           const std::array<bool, 3>& checked,
                                           const std::array<std::string, 3>& names);

// A file-name label's text: "not specified yet" without a name, else the
// name, shortened from the left behind "..." while `fits` refuses it and it
// is longer than 12 characters.
std::string fileLabelText(const std::string& name, const std::function<bool(const std::string&)>& fits);

// The picture beside a file button.
enum class TargetPicture { Yellow, Green, Red };  // none chosen, new file, will be overwritten
TargetPicture targetPicture(const std::string& name);

}  // namespace kavrel
