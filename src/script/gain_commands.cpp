// Command routines of the volume, fade, silence, split and save-selection
// keywords.

#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "base/time_text.h"
#include "mpeg/frame_header.h"
#include "script/line_processor.h"
#include "script/messages.h"

namespace kavrel {

namespace {

// A decimal number of decibels: optional sign, digits with one optional "."
// as the decimal point whatever the locale. Read correctly rounded, so half a
// step (0.75 dB) stays exactly half and rounds to the even neighbour.
std::optional<double> parseDecibels(std::string_view s) {
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  if (s.find_first_not_of("0123456789.") != std::string_view::npos ||
      s.find_first_of("0123456789") == s.npos || s.find('.') != s.rfind('.'))
    return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

void ScriptEngine::cmdFade(bool fadeIn) {
  Editor& ed = editor_;
  const std::string name = keyword();
  if (!noFileCheck()) return;
  std::string magnitudeText;
  if (paramCount_ == 0) {
    setError(name + ": missing parameter(s).");
    return;
  }
  if (paramCount_ == 1) {
    magnitudeText = slot(1);
  } else if (paramCount_ == 2) {
    setError(name + ": must have 1 or 3 parameters.");
    return;
  } else {
    preparePositions(1);
    preparePositions(2);
    const std::string first = name + " start time invalid:";
    const std::string second = name + " end time invalid:";
    if (!parseSlot(1, first) || !parseSlot(2, second) || !applyPositions(true, first, second)) return;
    magnitudeText = slot(3);
  }
  letEventsRun();
  const std::optional<double> magnitude = parseDecibels(magnitudeText);
  if (!magnitude || *magnitude < 1 || *magnitude > 60.5) {
    setError(name + " magnitude parameter invalid:\r\n" + magnitudeText);
    return;
  }
  if (!ed.enabled(Command::Fade)) {
    setError(name + ": multiple frames not selected.");
    return;
  }
  Editor::FadeRequest request;
  request.fadeIn = fadeIn;
  request.magnitudeSteps = int(roundHalfEven(*magnitude / 1.5));
  ed.fade(Sender::ScriptMarker, request);
  switch (ed.outcome<FadeOutcome>()) {
    case FadeOutcome::NothingSelected: setError(name + ": multiple frames not selected."); break;
    case FadeOutcome::OneFrame: setError(name + ": only one frame selected (at least two needed)."); break;
    case FadeOutcome::Busy: notReady(); break;
    case FadeOutcome::Done: break;
  }
}

void ScriptEngine::cmdVolume() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("VOLUME: missing parameter(s).");
    return;
  }
  if (!noFileCheck()) return;
  std::string magnitudeText;
  std::string channelText;
  if (paramCount_ <= 2) {
    magnitudeText = slot(1);
    channelText = slot(2);
    letEventsRun();
  } else {
    preparePositions(1);
    preparePositions(2);
    const std::string first = "VOLUME start time invalid:";
    const std::string second = "VOLUME end time invalid:";
    if (!parseSlot(1, first) || !parseSlot(2, second) || !applyPositions(true, first, second)) return;
    magnitudeText = slot(3);
    channelText = slot(4);
  }
  const std::optional<double> magnitude = parseDecibels(magnitudeText);
  if (!magnitude || *magnitude < -60.5 || *magnitude > 60.5) {
    setError("VOLUME magnitude parameter invalid:\r\n" + magnitudeText);
    return;
  }
  Editor::VolumeRequest request;
  const std::string channel = upperAscii(channelText);
  if (channel == "LEFT") {
    request.right = false;
  } else if (channel == "RIGHT") {
    request.left = false;
  } else if (!channel.empty() && channel != "BOTH") {
    setError("VOLUME channel parameter invalid:\r\n" + channelText);
    return;
  }
  if (!ed.enabled(Command::Volume)) {
    setError("VOLUME: multiple frames not selected.");
    return;
  }
  request.steps = int(roundHalfEven(*magnitude / 1.5));
  if (request.steps == 0) return;
  ed.amplify(Sender::ScriptMarker, request);
  switch (ed.outcome<VolumeOutcome>()) {
    case VolumeOutcome::NothingSelected: setError("VOLUME: multiple frames not selected."); break;
    case VolumeOutcome::Busy: notReady(); break;
    case VolumeOutcome::Done: break;
  }
}

void ScriptEngine::cmdSilence() {
  Editor& ed = editor_;
  std::string lengthText;
  if (paramCount_ <= 1) {
    lengthText = slot(1);
    letEventsRun();
  } else if (paramCount_ == 2) {
    setError("SILENCE: must have 1 or 3 parameters.");
    return;
  } else {
    preparePositions(1);
    preparePositions(2);
    const std::string first = "SILENCE start time invalid:";
    const std::string second = "SILENCE end time invalid:";
    if (!parseSlot(1, first) || !parseSlot(2, second) || !applyPositions(true, first, second)) return;
    lengthText = slot(3);
  }
  const ParsedTime length = parseTime(lengthText);
  if (length.failed) {
    setError("SILENCE length parameter invalid:\r\n" + lengthText);
    return;
  }
  if (!noFileCheck()) return;
  // Silent frames take the rate of the loaded file (mixed rates: 44.1 kHz).
  const int rate = ed.document().sourceSummary.rate % 3;
  const int64_t frames = roundHalfEven(length.seconds / frameDuration(ed.document().mpegVersion, rate));
  if (frames < 1) {
    setError("SILENCE to insert must be at least one frame long.");
    return;
  }
  if (!ed.enabled(Command::InsertSilence)) {
    notReady();
    return;
  }
  ed.insertSilence(Sender::ScriptMarker, int32_t(frames));
  switch (ed.outcome<SilenceOutcome>()) {
    case SilenceOutcome::NotReady: notReady(); break;
    case SilenceOutcome::Limited:
      setError("SILENCE: warning - maximum of 256K frames have been inserted.");
      break;
    case SilenceOutcome::Done:
    case SilenceOutcome::Busy: break;
  }
}

void ScriptEngine::cmdSplit() {
  Editor& ed = editor_;
  if (paramCount_ < 2) {
    setError("SPLIT: at least two parameters required.");
    return;
  }
  if (!noFileCheck()) return;
  letEventsRun();
  const bool selected = ed.hasSelection();
  if (selected && paramCount_ < 3) {
    setError("SPLIT: 3rd parameter missing (multiple frames selection exists).");
    return;
  }
  if (!ed.enabled(Command::Split)) {
    notReady();
    return;
  }
  std::vector<std::string> names{slot(1), slot(2)};
  if (selected) names.push_back(slot(3));
  ed.split(Sender::ScriptMarker, names);
  switch (ed.outcome<SplitOutcome>()) {
    case SplitOutcome::Done: break;
    case SplitOutcome::AllSelected: setError("SPLIT: all is selected, use SAVE[AS] instead."); break;
    case SplitOutcome::CursorAtEnd:
      setError("SPLIT: no selection, cursor at an end, use SAVE[AS] instead.");
      break;
    case SplitOutcome::Busy: notReady(); break;
    default: setError("SPLIT:\r\n" + ed.lineError); break;  // same names, or a part not written
  }
}

void ScriptEngine::cmdSaveSelection() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 0 || paramCount_ == 2) {
    setError("SAVESELECTION: must have 1 or 3 parameters.");
    return;
  }
  if (paramCount_ == 1) {
    slots_[3] = slots_[1];
    letEventsRun();
  } else if (!parseOrdinalPositions("SAVESELECTION")) {
    return;
  }
  if (!ed.hasSelection()) {
    setError("SAVESELECTION: no multiple frames selection.");
    return;
  }
  if (!ed.enabled(Command::SaveSelection)) {
    setError("SAVESELECTION: disabled - not ready? unknown error?");
    return;
  }
  ed.saveSelection(Sender::ScriptMarker, slot(3));
  switch (ed.outcome<SaveSelectionOutcome>()) {
    case SaveSelectionOutcome::Done: break;
    case SaveSelectionOutcome::NothingSelected:
      setError("SAVESELECTION: no multiple frames selection.");
      break;
    case SaveSelectionOutcome::AllSelected:
      setError("SAVESELECTION: all is selected, use SAVE[AS] command instead.");
      break;
    case SaveSelectionOutcome::Busy: notReady(); break;
    // A file that could not be written is a failure, never a success.
    default: setError("SAVESELECTION:\r\n" + ed.lineError); break;
  }
}

}  // namespace kavrel
