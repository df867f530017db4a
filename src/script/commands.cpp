// Command routines of the selection, edit, load and save keywords. Each runs
// its checks in a fixed order and ends at the first one that sets lineError.

#include <algorithm>

#include "script/line_processor.h"
#include "script/messages.h"

namespace kavrel {

void ScriptEngine::cmdSelect() {
  // CURSOR shares the texts of SELECT (all but the no-file check).
  if (paramCount_ == 0) {
    setError("SELECT: missing parameter(s).");
    return;
  }
  if (!noFileCheck()) return;
  parseOrdinalPositions("SELECT");
}

void ScriptEngine::cmdTrim() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 1) {
    setError("TRIM: must have 0 or 2 parameters.");
    return;
  }
  if (paramCount_ >= 2) {
    // No preparation: "EOF" and relative prefixes are invalid here.
    const std::string first = "1st TRIM parameter invalid:";
    const std::string second = "2nd TRIM parameter invalid:";
    if (!parseSlot(1, first) || !parseSlot(2, second) || !applyPositions(true, first, second)) return;
  }
  ed.normaliseSelection();
  const int32_t start = ed.selection[0];
  letEventsRun();
  if (!ed.enabled(Command::Trim)) {
    setError("TRIM: multiple frames not selected.");
    return;
  }
  ed.trim(Sender::ScriptMarker);
  switch (ed.outcome<TrimOutcome>()) {
    case TrimOutcome::Done: baseOffset_ += start; break;
    case TrimOutcome::NothingSelected: setError("TRIM: multiple frames not selected."); break;
    case TrimOutcome::NothingOutside: setError("TRIM: some frames must be out of the selection in order to trim."); break;
    case TrimOutcome::Busy: notReady(); break;
  }
}

void ScriptEngine::cmdDelete() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 1) {
    setError("DELETE: must have 0 or 2 parameters.");
    return;
  }
  if (paramCount_ >= 2 && !parseOrdinalPositions("DELETE")) return;
  letEventsRun();
  if (!ed.enabled(Command::Delete)) {
    setError("DELETE: multiple frames not selected.");
    return;
  }
  ed.deleteSelection(Sender::ScriptMarker);
  if (reportDelete("DELETE")) baseOffset_ += recordedLength_;
}

void ScriptEngine::cmdBaseDelete() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ < 2) {
    setError("BASEDELETE: must have 2 parameters.");
    return;
  }
  const std::string first = "1st BASEDELETE parameter invalid:";
  const std::string second = "2nd BASEDELETE parameter invalid:";
  // Positions here are times of the file as loaded; a relative one has no
  // meaning in that timeline.
  for (int k = 1; k <= 2; ++k) {
    const std::string head = upperAscii(std::string_view(slot(k)).substr(0, 2));
    if (head == "R+" || head == "R-") {
      setError((k == 1 ? first : second) + "\r\n" + slot(k));
      return;
    }
  }
  preparePositions(1);
  preparePositions(2);
  if (!parseSlot(1, first) || !parseSlot(2, second)) return;
  const Document& doc = ed.document();
  const int64_t p = int64_t(positionAtTime(doc, parseTime(slot(1)).seconds)) - baseOffset_;
  const int64_t q = int64_t(positionAtTime(doc, parseTime(slot(2)).seconds)) - baseOffset_;
  const int32_t n = doc.documentFrameCount();
  const int32_t a = clampPosition(std::min(p, q), n);
  const int32_t b = clampPosition(std::max(p, q), n);
  ed.selectSpan(a, b);
  letEventsRun();
  recordedLength_ = std::abs(ed.selection[1] - ed.selection[0]);
  if (!ed.enabled(Command::Delete)) {
    setError("BASEDELETE: multiple frames not selected.");
    return;
  }
  ed.deleteSelection(Sender::ScriptMarker);
  if (reportDelete("BASEDELETE")) baseOffset_ += recordedLength_;
}

void ScriptEngine::cmdLoad() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("LOAD: no parameter.");
    return;
  }
  stripQuotes(1);
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.loadFile(slot(1));
  if (ed.operationStatus == kStatusBusy) {
    notReady();
  } else if (ed.operationStatus != kStatusOk) {
    setError("LOAD:\r\n" + ed.lineError);
  }
}

void ScriptEngine::cmdSaveAs() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("SAVEAS: no parameter.");
    return;
  }
  if (!noFileCheck()) return;
  stripQuotes(1);
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.saveAs(Sender::ScriptMarker, slot(1));
  if (ed.operationStatus >= 1) setError("SAVEAS:\r\n" + ed.lineError);
}

void ScriptEngine::cmdSave() {
  Editor& ed = editor_;
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  if (!noFileCheck()) return;
  ed.save(Sender::ScriptMarker);
  switch (ed.operationStatus) {
    case kStatusOk: break;
    case kStatusRenameFailed: setError("SAVE:\r\n" + ed.lineError); break;
    case kStatusTagNotWritten: setError("SAVE: error writing id3v2 tag, not saved."); break;
    case kStatusBusy: notReady(); break;
    default: setError("SAVE: " + ed.lineError); break;
  }
}

void ScriptEngine::cmdInsert() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 0) {
    setError("INSERT: no parameter.");
    return;
  }
  const int n = paramCount_;
  stripQuotes(n);
  ed.lineError.clear();
  const std::string file = slot(n);
  const std::string first = "1st INSERT parameter invalid:";
  const std::string second = "2nd INSERT parameter invalid:";
  if (n >= 2) {
    preparePositions(1);
    if (!parseSlot(1, first)) return;
  }
  if (n >= 3) {
    preparePositions(2);
    if (!parseSlot(2, second)) return;
  }
  // With two parameters slot 2 is the file: only the cursor is set.
  if (n >= 2 && !applyPositions(n >= 3, first, second)) return;
  letEventsRun();
  if (!ed.enabled(Command::Insert)) {
    notReady();
    return;
  }
  ed.insertFile(Sender::ScriptMarker, file);
  switch (ed.outcome<InsertOutcome>()) {
    case InsertOutcome::Done: break;
    case InsertOutcome::TooManyFiles: setError("INSERT: Maximum number of files already inserted."); break;
    case InsertOutcome::NotReady:
    case InsertOutcome::Busy: notReady(); break;
    case InsertOutcome::AllSelected: setError("INSERT: all is selected, use LOAD instead to replace the file."); break;
    default: setError("INSERT: " + ed.lineError); break;  // the scan's refusal
  }
}

void ScriptEngine::cmdReload() {
  Editor& ed = editor_;
  letEventsRun();
  if (ed.isBusy() || ed.document().loadPath.empty()) {
    notReady();
    return;
  }
  ed.reload();
  if (ed.operationStatus == kStatusBusy) {
    notReady();
  } else if (ed.operationStatus != kStatusOk) {
    setError("RELOAD: " + ed.lineError);
  }
}

void ScriptEngine::cmdCopy() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 0) {
    letEventsRun();
  } else if (paramCount_ == 1) {
    setError("COPY: must have 0 or 2 parameters.");
    return;
  } else if (!parseOrdinalPositions("COPY")) {
    return;
  }
  if (!ed.enabled(Command::Copy)) {
    setError("COPY: you must select some frames first.");
    return;
  }
  ed.copy(Sender::ScriptMarker);
  switch (ed.outcome<CopyOutcome>()) {
    case CopyOutcome::NothingSelected: setError("COPY: you must select some frames first."); break;
    case CopyOutcome::NoFrames: setError("COPY: frame count zero."); break;
    case CopyOutcome::Busy: notReady(); break;
    case CopyOutcome::Done: ed.lineError.clear(); break;
  }
}

void ScriptEngine::cmdCut() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 0) {
    letEventsRun();
  } else if (paramCount_ == 1) {
    setError("CUT: must have 0 or 2 parameters.");
    return;
  } else if (!parseOrdinalPositions("CUT")) {
    return;
  }
  if (!ed.enabled(Command::Cut)) {
    setError("CUT: multiple frames not selected.");
    return;
  }
  ed.cut(Sender::ScriptMarker);
  reportDelete("CUT");
}

void ScriptEngine::cmdPaste() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 0) {
    letEventsRun();
  } else {
    const std::string first = "1st PASTE parameter invalid:";
    const std::string second = "2nd PASTE parameter invalid:";
    preparePositions(1);
    if (!parseSlot(1, first)) return;
    if (paramCount_ == 1) {
      // Both ends on one spot: the paste goes to that point.
      slots_[2] = slots_[1];
      relative_[2] = relative_[1];
    } else {
      preparePositions(2);
    }
    if (!parseSlot(2, second)) return;
    if (!applyPositions(true, first, second)) return;
  }
  if (!ed.enabled(Command::Paste)) {
    setError("PASTE: clipboard is empty.");
    return;
  }
  ed.paste(Sender::ScriptMarker);
  switch (ed.outcome<PasteOutcome>()) {
    case PasteOutcome::NoFrames:
      setError("PASTE: edited frames count zero, nothing to delete prior to paste into selection.");
      break;
    case PasteOutcome::ClipboardEmpty: setError("PASTE: clipboard is empty."); break;
    case PasteOutcome::Busy: notReady(); break;
    case PasteOutcome::Done: break;
  }
}

void ScriptEngine::cmdSelectAll() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  letEventsRun();
  if (!ed.enabled(Command::SelectAll)) {
    setError("SELECTALL: disabled - not ready? unknown error?");
    return;
  }
  ed.selectAll(Sender::ScriptMarker);
  if (ed.operationStatus == 1) setError("SELECTALL: frame count zero.");
  if (ed.operationStatus == kStatusBusy) notReady();
}

void ScriptEngine::cmdUnselect() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  letEventsRun();
  if (!ed.hasSelection()) return;
  if (!ed.enabled(Command::Unselect)) {
    setError("UNSELECT: disabled - not ready? unknown error?");
    return;
  }
  ed.unselectCommand(Sender::ScriptMarker);
  if (ed.operationStatus == 1) setError("UNSELECT: no selection.");
  if (ed.operationStatus == kStatusBusy) notReady();
}

void ScriptEngine::cmdClose() {
  Editor& ed = editor_;
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.unload(false);
  ed.operationStatus = kStatusOk;
  ed.lineError.clear();
}

void ScriptEngine::cmdRemoveBlock(int which) {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  auto mark = [&](Block b) {
    if (ed.enabled(removeCommand(b))) ed.setRemoveChecked(b, true);
  };
  switch (which) {
    case 0: mark(Block::Id3v2); break;
    case 1: mark(Block::Id3v1); break;
    case 2: mark(Block::Lyrics3); break;
    case 4: mark(Block::Ape); break;
    default:
      mark(Block::UnknownFooter);
      mark(Block::UnknownHeader);
      mark(Block::Riff);
      break;
  }
  ed.host().viewChanged(ViewChange::Controls);
}

void ScriptEngine::cmdBlockStart(BlockKind kind) {
  stripQuotes(1);
  blockDescription_ = slot(1);
  blockText_.clear();
  block_ = kind;
}

}  // namespace kavrel
