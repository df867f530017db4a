// Cursor and selection, the position boxes, stepping and mouse selection,
// and the frame edits with the local clipboard and the one-level undo.

#include <algorithm>
#include <new>

#include "app/editor.h"
#include "app/flag_scope.h"
#include "app/scan_observer.h"
#include "base/paths.h"
#include "base/time_text.h"
#include "document/loader.h"
#include "document/messages.h"
#include "editing/frame_view.h"
#include "editing/messages.h"

namespace kavrel {

// ------------------------------------------------------------ cursor and selection

void Editor::warn(const std::string& text) {
  if (!scriptRunning)
    host_.messageBox(text, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
}

void Editor::setCursorView(int k) {
  positionText[size_t(k)] = formatTime(3, framePositionTime(doc_, selection[size_t(k)]));
}

void Editor::clampEnd(int k) {
  selection[size_t(k)] = clampPosition(selection[size_t(k)], doc_.documentFrameCount());
  setCursorView(k);
}

void Editor::orderSelection() {
  const Span span = orderedSpan(selection[0], selection[1], doc_.documentFrameCount());
  selection = {span.start, span.end};
}

void Editor::normaliseSelection() {
  orderSelection();
  setCursorView(0);
  setCursorView(1);
}

void Editor::selectSpan(int32_t cursor, int32_t other) {
  const int32_t n = doc_.documentFrameCount();
  selection = {clampPosition(cursor, n), clampPosition(other, n)};
  setCursorView(0);
  select();
}

void Editor::updateSelectionLabel() {
  if (multipleSelected) {
    labSelLen = msg::kSelectionLengthPrefix + formatTime(3, spanTime(doc_, selection[0], selection[1]));
    labSelLenVisible = true;
  } else {
    labSelLen = std::string(msg::kSelectionLengthPrefix) + "0.000";
    labSelLenVisible = false;
  }
}

void Editor::select() {
  clampEnd(1);
  if (selection[0] == selection[1]) {
    unselect();
    return;
  }
  multipleSelected = true;
  setSelectionCommands(true);
  const auto [a, b] = selectedSpan();
  const bool trim = a != 0 || b != doc_.documentFrameCount();
  setEnabled(Command::Trim, trim);
  updateSelectionLabel();
  notify(ViewChange::Selection);
}

void Editor::unselect() {
  multipleSelected = false;
  setSelectionCommands(false);
  setEnabled(Command::Trim, false);
  selection[1] = selection[0];
  setCursorView(1);
  updateSelectionLabel();
  notify(ViewChange::Selection);
}

void Editor::selectAll(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  if (doc_.documentFrameCount() == 0) {
    operationStatus = kStatusNothingToDo;
    return;
  }
  selection = {0, doc_.documentFrameCount()};
  setCursorView(0);
  select();
  notify(ViewChange::Document);
  operationStatus = kStatusOk;
}

void Editor::unselectCommand(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  if (!hasSelection()) {
    operationStatus = kStatusNothingToDo;
    return;
  }
  selection[1] = selection[0];
  clampEnd(0);
  clampEnd(1);
  unselect();
  notify(ViewChange::Document);
  operationStatus = kStatusOk;
}

bool Editor::submitPosition(Sender sender, int k, const std::string& text, int32_t reference,
                            RelativeMode mode) {
  if (!acceptsSender(sender) || (k != 0 && k != 1)) return false;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return false;
  }
  const size_t end = size_t(k);
  const ParsedTime parsed = parseTime(text);
  if (parsed.failed) {
    // The box keeps the text (shown red) and nothing moves.
    positionText[end] = text;
    operationStatus = kStatusNothingToDo;
    return false;
  }
  double t = parsed.seconds;
  if (mode != RelativeMode::Absolute) {
    const double base = framePositionTime(doc_, reference >= 0 ? reference : selection[end]);
    t = mode == RelativeMode::Backward ? base - t : base + t;
  }
  selection[end] = clampPosition(positionAtTime(doc_, t), doc_.documentFrameCount());
  if (k == 0) {
    unselect();
  } else {
    select();
  }
  setCursorView(k);
  notify(ViewChange::Document);
  operationStatus = kStatusOk;
  return true;
}

void Editor::stepButton(int code) {
  if (scriptRunning || isBusy()) return;
  if (code == kPageLeft || code == kPageRight) {
    viewOffset = std::clamp(viewOffset + (code == kPageLeft ? -1 : 1), 0, maxViewOffset);
    notify(ViewChange::Document);
    return;
  }
  if (code < kCursorFrameUp || code > kEndSecondDown) return;
  const int k = code <= kCursorSecondDown ? 0 : 1;
  const size_t end = size_t(k);
  switch ((code - 1) % 4) {
    case 0: selection[end] = stepFramePosition(doc_, selection[end], +1); break;
    case 1: selection[end] = stepSecondPosition(doc_, selection[end], +1); break;
    case 2: selection[end] = stepFramePosition(doc_, selection[end], -1); break;
    default: selection[end] = stepSecondPosition(doc_, selection[end], -1); break;
  }
  setCursorView(k);
  if (k == 0) {
    unselect();
  } else {
    select();
  }
  notify(ViewChange::Document);
}

void Editor::repeatTimerTick() {
  if (const int code = autoRepeat.tick(); code != 0) stepButton(code);
}

void Editor::stripMousePress(int x, MouseButton button, bool shift) {
  if (scriptRunning || isBusy()) return;
  const MouseEdit edit = mousePress(x, button, shift, viewOffset, doc_.documentFrameCount(), selection[0]);
  if (edit.kind == MouseEdit::PlaceCursor) {
    selection[0] = edit.position;
    setCursorView(0);
    unselect();
  } else if (edit.kind == MouseEdit::SetEnd) {
    selection[1] = edit.position;
    select();
  }
}

void Editor::stripMouseRelease(int x, MouseButton button, bool shift) {
  if (scriptRunning || isBusy()) return;
  const MouseEdit edit = mouseRelease(x, button, shift, viewOffset, doc_.documentFrameCount(), selection[0]);
  if (edit.kind == MouseEdit::SetEnd) {
    selection[1] = edit.position;
    select();
  }
}

void Editor::refreshStatistics() {
  recomputeStatistics(doc_);
  labInfoOutput =
      infoText(doc_.mpegVersion, doc_.rateHistogram, doc_.editSummary.bitrate, doc_.editSummary.mode);
  labOutputVisible = true;
  maxViewOffset = maxViewOffsetFor(doc_.documentFrameCount());
  viewOffset = std::clamp(viewOffset, 0, maxViewOffset);
  notify(ViewChange::Statistics);
}

// ------------------------------------------------------------ undo and clipboard

void Editor::prepareUndo() {
  try {
    undo_.take(doc_, EditView{selection, multipleSelected, viewOffset});
    undoFailed_ = false;
  } catch (const std::exception&) {
    undoFailed_ = true;
    // The previous snapshot is gone with the failed one.
    setEnabled(Command::Undo, false);
    warn(msg::kUndoMemoryError);
  }
}

void Editor::afterChange() {
  setEnabled(Command::Undo, !undoFailed_);
  noteTagChange();
}

void Editor::noteTagChange() {
  doc_.modified = true;
  if (doc_.changeCount < 2) ++doc_.changeCount;
}

void Editor::copyToClipboard(int32_t p, int32_t q) {
  try {
    clipboard_.copyFrom(doc_, p, q);
  } catch (const std::exception&) {
    warn(msg::kClipboardMemoryError);
  }
  const bool filled = clipboard_.count() > 0;
  setEnabled(Command::Paste, filled);
}

bool Editor::insertClipboard(int32_t p) {
  try {
    clipboard_.insertInto(doc_, p);
  } catch (const std::exception&) {
    // Whatever the command changed before (a replaced selection) goes back,
    // also while a script runs.
    warn(msg::kClipboardReadError);
    restoreSnapshot();
    // Out of memory: for a script, as "not ready" - the paste did not happen.
    operationStatus = kStatusBusy;
    return false;
  }
  refreshStatistics();
  return true;
}

void Editor::restoreSnapshot() {
  setEnabled(Command::Undo, false);
  if (!undo_.valid()) {
    warn(msg::kUndoReadError);
    return;
  }
  const EditView view = undo_.view();
  const int changeCountThen = undo_.changeCount();
  undo_.restoreLists(doc_);
  // Source names and first-frame indices stay: slots are never handed out
  // twice, so they still describe frame records a clipboard may hold.
  doc_.insertedFileCount = undo_.insertedFileCount();
  // Back to "unchanged" only when the snapshot was taken on an unchanged
  // document; a snapshot replaced by an edit that failed holds the present
  // state, and undoing it must not hide earlier changes from the save prompt.
  if (doc_.changeCount == 1 && changeCountThen == 0) doc_.changeCount = 0;
  refreshStatistics();
  selection = view.selection;
  clampEnd(0);
  if (view.multipleSelected) {
    select();
  } else {
    unselect();
  }
  viewOffset = std::clamp(view.viewOffset, 0, maxViewOffset);
  notify(ViewChange::Document);
}

void Editor::reserveEditMemory() {
  try {
    undo_.reserve(doc_.frameList.size());
  } catch (const std::exception&) {
    // The first edit's snapshot tries again and reports it.
  }
}

void Editor::discardEditState() {
  // The clipboard and the snapshot refer to frame records of the closed document.
  clipboard_.clear();
  undo_.clear();
  undoFailed_ = false;
  cutInProgress_ = false;
  innerEdit_ = false;
  autoRepeat.release();
  positionText = {"0.000", "0.000"};
  labSelLen = std::string(msg::kSelectionLengthPrefix) + "0.000";
  labSelLenVisible = false;
}

// ------------------------------------------------------------ frame edits

void Editor::deleteSelection(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (!innerEdit_ && sender == Sender::User && !enabled(Command::Delete)) return;
  runDelete();
}

void Editor::runDelete() {
  operationStatus = kStatusOk;
  const int32_t keptView = viewOffset;
  if (!innerEdit_) {
    if (isBusy()) {
      operationStatus = kStatusBusy;
      return;
    }
    if (doc_.documentFrameCount() < 1) {
      setOutcome(DeleteOutcome::NoFrames);
      return;
    }
    if (!hasSelection()) {
      setOutcome(DeleteOutcome::NothingSelected);
      warn(msg::kNoFramesSelected);
      return;
    }
    orderSelection();
    if (selection[0] == 0 && selection[1] == doc_.documentFrameCount()) {
      setOutcome(DeleteOutcome::WouldLeaveNone);
      if (!scriptRunning)
        host_.messageBox(msg::kLeaveOneFrame, msg::kLeaveOneFrameCaption, MessageIcon::Exclamation,
                         MessageButtons::Ok, MessageResult::Ok);
      return;
    }
    prepareUndo();
  }
  if (cutInProgress_) copyToClipboard(selection[0], selection[1]);
  removeFrames(doc_, selection[0], selection[1]);
  if (innerEdit_) {
    // The paste replacing the selection sets the positions, refreshes and
    // counts the change itself: one change, its own.
    multipleSelected = false;
    selection[1] = selection[0];
    return;
  }
  afterChange();
  // Statistics first: the position texts read the rate counts of the new list.
  refreshStatistics();
  unselect();
  clampEnd(0);
  viewOffset = std::clamp(keptView, 0, maxViewOffset);
  notify(ViewChange::Document);
}

void Editor::cut(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (sender == Sender::User && !enabled(Command::Cut)) return;
  operationStatus = kStatusOk;
  FlagScope cutting(cutInProgress_);
  runDelete();
}

void Editor::copy(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (sender == Sender::User && !enabled(Command::Copy)) return;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  operationStatus = kStatusOk;
  if (doc_.documentFrameCount() < 1) {
    setOutcome(CopyOutcome::NoFrames);
    return;
  }
  if (!hasSelection()) {
    setOutcome(CopyOutcome::NothingSelected);
    lineError = msg::kSelectFramesToCopy;
    warn(msg::kSelectFramesToCopy);
    return;
  }
  clampEnd(0);
  clampEnd(1);
  copyToClipboard(selection[0], selection[1]);
  notify(ViewChange::Controls);
}

void Editor::paste(Sender sender) {
  if (!acceptsSender(sender)) return;
  if (sender == Sender::User && !enabled(Command::Paste)) return;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  if (clipboard_.count() < 1) {
    setOutcome(PasteOutcome::ClipboardEmpty);
    return;
  }
  operationStatus = kStatusOk;
  clampEnd(0);
  prepareUndo();
  const int32_t keptView = viewOffset;
  if (!hasSelection()) {
    if (!insertClipboard(selection[0])) return;
  } else {
    orderSelection();
    const int32_t p = selection[0];
    {
      FlagScope inner(innerEdit_);
      runDelete();
    }
    if (!insertClipboard(p)) return;
    selection[0] = p;
  }
  selection[1] = selection[0] + clipboard_.count();
  clampEnd(0);
  select();
  // insertClipboard() has refreshed the statistics.
  afterChange();
  viewOffset = std::clamp(keptView, 0, maxViewOffset);
  notify(ViewChange::Document);
}

void Editor::trim(Sender sender) {
  if (!startCommand(sender)) return;
  if (!hasSelection()) {
    setOutcome(TrimOutcome::NothingSelected);
    warn(msg::kSelectMultipleFrames);
    setEnabled(Command::Trim, false);
    return;
  }
  // Taken before the next test: a refused trim still replaces the snapshot.
  prepareUndo();
  const int32_t n = doc_.documentFrameCount();
  const auto [a, b] = selectedSpan();
  if (a == 0 && b == n) {
    setOutcome(TrimOutcome::NothingOutside);
    warn(msg::kTrimNeedsOutside);
    setEnabled(Command::Trim, false);
    return;
  }
  keepFrames(doc_, a, b);
  refreshStatistics();
  selection = {0, doc_.documentFrameCount()};
  setCursorView(0);
  afterChange();
  select();
  notify(ViewChange::Document);
}

void Editor::undo(Sender /*sender*/) {
  // User only: scripts have no undo.
  if (scriptRunning || isBusy() || !enabled(Command::Undo)) return;
  restoreSnapshot();
}

void Editor::insertFile(Sender sender, const std::optional<std::string>& path) {
  if (!acceptsSender(sender)) return;
  if (sender == Sender::User && !enabled(Command::Insert)) return;
  operationStatus = kStatusOk;
  if (!doc_.documentLoaded) {
    setOutcome(InsertOutcome::NotReady);
    return;
  }
  if (doc_.insertedFileCount >= kMaxInsertedFiles || doc_.nextSourceSlot() == 0) {
    setOutcome(InsertOutcome::TooManyFiles);
    warn(msg::kTooManyInserted);
    return;
  }
  std::string file;
  if (path) {
    file = *path;
  } else if (sender == Sender::User) {
    const auto chosen = host_.chooseOpenFile(
        hasSelection() ? msg::kInsertReplaceTitle : msg::kInsertAtCursorTitle, options_.lastInsertFolder);
    if (!chosen) return;
    file = *chosen;
    options_.lastInsertFolder = folderOf(file);
    saveConfiguration();
  }
  if (isBusy()) {
    setOutcome(InsertOutcome::NotReady);
    return;
  }
  clampEnd(0);
  const bool replacing = hasSelection();
  if (replacing) {
    orderSelection();
    if (selection[0] == 0 && selection[1] == doc_.documentFrameCount()) {
      setOutcome(InsertOutcome::AllSelected);
      warn(msg::kInsertAllSelected);
      return;
    }
  }
  // The new frames go in behind the selection, and the selection goes once
  // they are in: the result is that of replacing it, and a failed scan
  // leaves everything as it was, the undo snapshot included.
  const EditView before{selection, multipleSelected, viewOffset};
  const int filesBefore = doc_.insertedFileCount;
  const int32_t a = selection[0];
  const int32_t b = replacing ? selection[1] : a;
  if (insertFileAt(file, b) != 0) return;
  const int32_t inserted = selection[1] - selection[0];
  try {
    undo_.takeBefore(doc_, before, b, inserted, filesBefore);
    undoFailed_ = false;
  } catch (const std::exception&) {
    undoFailed_ = true;
    warn(msg::kUndoMemoryError);
  }
  if (replacing) {
    removeFrames(doc_, a, b);
    refreshStatistics();
    selection = {a, a + inserted};
    setCursorView(0);
    select();
  }
  afterChange();
  notify(ViewChange::Document);
}

int Editor::insertFileAt(const std::string& path, int32_t insertAt) {
  // A slot is never given out twice (see Document::slotFiles), so the limit
  // counts every slot used since the load.
  const int slot = doc_.insertedFileCount >= kMaxInsertedFiles ? 0 : doc_.nextSourceSlot();
  if (slot == 0) {
    setOutcome(InsertOutcome::TooManyFiles);
    report(msg::kTooManyInserted, msg::kWarningCaption, MessageIcon::Exclamation);
    return operationStatus;
  }
  insertAt = clampPosition(insertAt, doc_.documentFrameCount());
  doc_.busy = true;
  operationStatus = kStatusOk;
  host_.setBusy(true);
  InsertResult result;
  const int32_t tableBefore = doc_.frameTable.count();
  const size_t framesBefore = doc_.frameList.size();
  const size_t gainsBefore = doc_.gainList.size();
  try {
    EditorScanObserver observer(*this);
    result = insertFileFrames(doc_, workBuffer_, path, insertAt, slot, observer);
  } catch (const std::exception&) {
    // Out of memory in the middle of the splice: take back what got in.
    const auto at = std::ptrdiff_t(insertAt);
    if (doc_.frameList.size() > framesBefore)
      doc_.frameList.erase(
          doc_.frameList.begin() + at,
          doc_.frameList.begin() + at + std::ptrdiff_t(doc_.frameList.size() - framesBefore));
    if (doc_.gainList.size() > gainsBefore)
      doc_.gainList.erase(doc_.gainList.begin() + at,
                          doc_.gainList.begin() + at + std::ptrdiff_t(doc_.gainList.size() - gainsBefore));
    doc_.frameTable.truncate(tableBefore);
    recomputeStatistics(doc_);
    result = InsertResult{};
    result.status = InsertStatus::ReadFailed;
    result.message = msg::kInsertRead;
  }
  host_.progress(-1);
  host_.setBusy(false);
  doc_.busy = false;
  if (result.status != InsertStatus::Inserted) {
    setOutcome(result.status);
    if (scriptRunning) {
      lineError = result.message;
    } else if (result.status != InsertStatus::Cancelled) {
      host_.messageBox(result.message, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                       MessageResult::Ok);
    }
    return operationStatus;
  }
  doc_.sourceNames[size_t(slot)] = path;
  doc_.bindSourceSlot(slot, path);
  doc_.insertedFileCount = slot;
  doc_.modified = true;
  refreshStatistics();
  selection = {insertAt, insertAt + result.insertedFrames};
  setCursorView(0);
  select();
  if (result.freeFormatIncrease > 0 && !scriptRunning) {
    host_.messageBox(freeFormatWarning("Possible length error < ", result.freeFormatIncrease,
                                       doc_.editSummary.rate, doc_.mpegVersion),
                     msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
  }
  notify(ViewChange::Document);
  return 0;
}

// ------------------------------------------------------------ keys

KeyAction Editor::keyDown(int virtualKey, KeyModifiers modifiers) {
  const KeyAction action = keyAction(virtualKey, modifiers, maxViewOffset);
  switch (action.command) {
    case KeyCommand::PageUp:
    case KeyCommand::PageDown:
    case KeyCommand::ViewEnd:
    case KeyCommand::ViewHome: {
      const int32_t next = viewOffsetAfter(action.command, viewOffset, maxViewOffset);
      if (next != viewOffset) {
        viewOffset = next;
        notify(ViewChange::Document);
      }
      break;
    }
    case KeyCommand::InsertFile: insertFile(Sender::User); break;
    case KeyCommand::Delete: deleteSelection(Sender::User); break;
    case KeyCommand::SelectAll: selectAll(Sender::User); break;
    case KeyCommand::Unselect: unselectCommand(Sender::User); break;
    case KeyCommand::Copy: copy(Sender::User); break;
    case KeyCommand::Paste: paste(Sender::User); break;
    case KeyCommand::Cut: cut(Sender::User); break;
    case KeyCommand::Undo: undo(Sender::User); break;
    default: break;  // the window's own commands
  }
  return action;
}

}  // namespace kavrel
