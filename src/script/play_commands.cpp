// Command routines of PLAYPREVIEW, PLAYSELECTION, PLAYINPUT and PLAYOUTPUT.
// Their availability follows the files on disk: the window's timer refreshes
// it while events run, and so do these routines at that point, so that a
// file saved or deleted by the line before counts at once.

#include "script/line_processor.h"
#include "script/messages.h"

namespace kavrel {

void ScriptEngine::cmdPlayPreview() {
  Editor& ed = editor_;
  letEventsRun();
  ed.refreshPlayAvailability();
  if (!noFileCheck()) return;
  if (!ed.enabled(Command::PlayPreview)) {
    notReady();
    return;
  }
  ed.playPreview(Sender::ScriptMarker);
  switch (ed.outcome<PlayOutcome>()) {
    case PlayOutcome::Done: ed.lineError.clear(); break;
    case PlayOutcome::NotWritten: setError("PLAYPREVIEW:\r\n" + ed.lineError); break;
    case PlayOutcome::Busy: notReady(); break;
    default: setError("PLAYPREVIEW: " + ed.lineError); break;
  }
}

void ScriptEngine::cmdPlaySelection() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    letEventsRun();
  } else if (paramCount_ == 1) {
    setError(msg::kPlaySelectionParameters);
    return;
  } else {
    // Like TRIM: no preparation, so "EOF" and relative prefixes are invalid.
    const std::string first = "1st PLAYSELECTION parameter invalid:";
    const std::string second = "2nd PLAYSELECTION parameter invalid:";
    if (!parseSlot(1, first) || !parseSlot(2, second) || !applyPositions(true, first, second)) return;
  }
  ed.refreshPlayAvailability();
  if (!noFileCheck()) return;
  if (!ed.hasSelection()) {
    setError(msg::kPlaySelectionNone);
    return;
  }
  if (!ed.enabled(Command::PlaySelection)) {
    setError(msg::kPlaySelectionDisabled);
    return;
  }
  ed.playSelection(Sender::ScriptMarker);
  switch (ed.outcome<PlayOutcome>()) {
    case PlayOutcome::Done: ed.lineError.clear(); break;
    case PlayOutcome::NotWritten: setError("PLAYSELECTION:\r\n" + ed.lineError); break;
    case PlayOutcome::Busy: notReady(); break;
    default: setError("PLAYSELECTION: " + ed.lineError); break;
  }
}

void ScriptEngine::cmdPlayFile(bool input) {
  Editor& ed = editor_;
  letEventsRun();
  ed.refreshPlayAvailability();
  if (!ed.enabled(input ? Command::PlayInput : Command::PlayOutput)) {
    setError(input ? msg::kPlayInputDisabled : msg::kPlayOutputDisabled);
    return;
  }
  if (input) {
    ed.playInput(Sender::ScriptMarker);
  } else {
    ed.playOutput(Sender::ScriptMarker);
  }
  switch (ed.outcome<PlayOutcome>()) {
    case PlayOutcome::Done: ed.lineError.clear(); break;
    case PlayOutcome::Busy: notReady(); break;
    default: setError(keyword() + ": " + ed.lineError); break;
  }
}

}  // namespace kavrel
