// Save selection and split: saves of parts of the document that leave the
// document, its selection and the remove boxes as they were. Also the boxes
// with the full source and target paths.

#include <algorithm>

#include "app/editor.h"
#include "app/flag_scope.h"
#include "document/messages.h"
#include "editing/messages.h"

namespace kavrel {

bool Editor::writePart(const std::string& name, int32_t a, int32_t b, const AttachFlags& attach) {
  const std::array<int32_t, 2> keptSelection = selection;
  const bool keptMultiple = multipleSelected;
  const std::bitset<kBlockCount> keptRemove = removeChecked_;
  // A block is left out unless the part asks for it; a block the file
  // doesn't have is nothing to remove.
  for (size_t k = 0; k < kBlockCount; ++k) {
    const Block block = Block(k);
    removeChecked_[k] = enabled(removeCommand(block)) && !attach[k];
  }
  selection = {a, b};
  multipleSelected = a < b;
  bool written = true;
  if (a < b) written = saveproc(SaveMode::SaveSelection, name);
  selection = keptSelection;
  multipleSelected = keptMultiple;
  removeChecked_ = keptRemove;
  notify(ViewChange::Document);
  return written;
}

void Editor::saveSelection(Sender sender, const std::optional<std::string>& name) {
  if (!startCommand(sender)) return;
  if (!hasSelection()) {
    setOutcome(SaveSelectionOutcome::NothingSelected);
    report(msg::kMustHaveSelection, msg::kWarningCaption, MessageIcon::Exclamation);
    return;
  }
  const int32_t n = doc_.documentFrameCount();
  const auto [a, b] = selectedSpan();
  if (a < 1 && b >= n) {
    if (scriptRunning) {
      setOutcome(SaveSelectionOutcome::AllSelected);
      return;
    }
    if (host_.messageBox(msg::kSaveSelectionAllSelected, msg::kWarningCaption, MessageIcon::Exclamation,
                         MessageButtons::OkCancel, MessageResult::Ok) != MessageResult::Ok)
      return;
  }

  std::string target;
  AttachFlags attach{};
  if (name) {
    target = *name;
  } else if (!scriptRunning) {
    const SaveSelectionDialogState state = saveSelectionDialogState(doc_.layout);
    const std::optional<SaveSelectionDialogResult> chosen =
        showDialog([&] { return host_.saveSelectionDialog(state); });
    if (!chosen || chosen->name.empty()) return;
    target = chosen->name;
    attach = chosen->attach;
  }
  writePart(target, a, b, attach);
}

void Editor::showSourcePath() {
  if (scriptRunning || !doc_.documentLoaded) return;
  host_.messageBox(doc_.loadPath, msg::kSourcePathCaption, MessageIcon::Information, MessageButtons::Ok,
                   MessageResult::Ok);
}

void Editor::showDocumentPath() {
  if (scriptRunning || !doc_.documentLoaded) return;
  // Until a Save As names another file, the target is the loaded file itself.
  if (doc_.documentName == doc_.loadPath) {
    host_.messageBox(msg::kNotSavedYet + doc_.documentName, msg::kDocumentPathCaption,
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
  } else {
    host_.messageBox(doc_.documentName, msg::kDocumentPathCaption, MessageIcon::Information,
                     MessageButtons::Ok, MessageResult::Ok);
  }
}

void Editor::split(Sender sender, const std::optional<std::vector<std::string>>& names) {
  if (!startCommand(sender)) return;
  const int32_t n = doc_.documentFrameCount();
  const bool selected = hasSelection();
  const auto [a, b] = selectedSpan(true);

  if (selected && a == 0 && b >= n) {
    if (scriptRunning) {
      setOutcome(SplitOutcome::AllSelected);
      return;
    }
    if (host_.messageBox(msg::kSplitAllSelected, msg::kWarningCaption, MessageIcon::Exclamation,
                         MessageButtons::OkCancel, MessageResult::Ok) != MessageResult::Ok)
      return;
  }
  if (!selected && (a == 0 || a >= n)) {
    if (scriptRunning) {
      setOutcome(SplitOutcome::CursorAtEnd);
      return;
    }
    if (host_.messageBox(msg::kSplitAtEnd, msg::kWarningCaption, MessageIcon::Exclamation,
                         MessageButtons::OkCancel, MessageResult::Ok) != MessageResult::Ok)
      return;
  }

  const SplitDialogState state = splitDialogState(selected, a, b, n);
  SplitDialogResult choice;
  if (names) {
    // With a selection the names are before, inside, after it; at the
    // cursor, before and after.
    auto nameAt = [&](size_t i) { return i < names->size() ? (*names)[i] : std::string(); };
    choice.names = selected ? std::array<std::string, 3>{nameAt(0), nameAt(1), nameAt(2)}
                            : std::array<std::string, 3>{nameAt(0), std::string(), nameAt(1)};
    for (size_t k = 0; k < 3; ++k) choice.checked[k] = state.parts[k].enabled && !choice.names[k].empty();
  } else {
    if (scriptRunning) return;
    const std::optional<SplitDialogResult> chosen = showDialog([&] { return host_.splitDialog(state); });
    if (!chosen) return;
    if (chosen->saveSelectionInstead) {
      saveSelection(Sender::User);
      return;
    }
    choice = *chosen;
    if (!splitReady(state, choice)) return;
  }

  // Every pair is compared before the first part is written: a refused
  // split writes nothing.
  if (const auto same = findSameNames(state.parts, choice.checked, choice.names)) {
    setOutcome(SplitOutcome::SameNames);
    lineError = msg::kSameFileNameLead + std::to_string(state.parts[size_t(same->first)].fileNumber) +
                " and " + std::to_string(state.parts[size_t(same->second)].fileNumber) + " are the same.";
    report(lineError, msg::kWarningCaption, MessageIcon::Exclamation);
    return;
  }

  bool tagFailed = false;
  for (size_t k = 0; k < 3; ++k) {
    const SplitPart& part = state.parts[k];
    if (!part.enabled || !choice.checked[k]) continue;
    // The first part that fails ends the split; its status and text stay.
    if (!writePart(choice.names[k], part.start, part.end, choice.attach[k])) return;
    if (operationStatus == kStatusTagNotWritten) tagFailed = true;
  }
  if (tagFailed) operationStatus = kStatusTagNotWritten;
}

}  // namespace kavrel
