// Command routines of the loudness, normalisation, silence and cue-sheet
// keywords. Measurements and files written go to the log as lines of their
// own; failures end the line as every command's do.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "script/line_processor.h"
#include "script/messages.h"

namespace kavrel {

namespace {

// A decimal number: optional sign, digits with at most one "." whatever the locale.
std::optional<double> parseNumber(std::string_view s) {
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  if (s.empty() || s.find_first_not_of("0123456789.") != s.npos || s.find_first_of("0123456789") == s.npos ||
      s.find('.') != s.rfind('.'))
    return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return negative ? -value : value;
}

std::string signedDb(int steps) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%+d steps (%+.1f dB)", steps, steps * kGainStepDb);
  return buf;
}

std::string lufs(double v) { return loudnessText(v); }

}  // namespace

void ScriptEngine::log(const std::string& line) {
  if (logLine) logLine(line);
}

bool ScriptEngine::audioOutcomeOk(const std::string& name) {
  Editor& ed = editor_;
  switch (ed.outcome<AudioOutcome>()) {
    case AudioOutcome::Done: return true;
    case AudioOutcome::Busy: return notReady();
    case AudioOutcome::Silent:
      return setError(name + ": nothing to measure, the audio is silent (below -70 LUFS).");
    case AudioOutcome::Cancelled: return setError(name + ": cancelled (Esc pressed).");
    case AudioOutcome::NoSilence:
      return setError(name + ": no silence found (threshold " + std::to_string(int(ed.silenceRules.thresholdDb)) +
                      " dBFS).");
    case AudioOutcome::Failed:
    case AudioOutcome::BadInput: return setError(name + ":\r\n" + ed.lineError);
  }
  return setError(name + ":\r\n" + ed.lineError);
}

void ScriptEngine::cmdLoudness() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  if (paramCount_ == 1) {
    setError("LOUDNESS: must have 0 or 2 parameters.");
    return;
  }
  if (paramCount_ >= 2 && !parseOrdinalPositions("LOUDNESS")) return;
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.measureLoudness(Sender::ScriptMarker);
  if (!audioOutcomeOk("LOUDNESS")) return;
  log("LOUDNESS: " + loudnessSummary(ed.lastLoudness));
}

void ScriptEngine::cmdNormalize() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("NORMALIZE: missing parameter(s).");
    return;
  }
  if (!noFileCheck()) return;
  NormalizeRequest request;
  const std::optional<double> target = parseNumber(slot(1));
  if (!target || !targetValid(*target)) {
    setError("NORMALIZE target parameter invalid (LUFS, -70 to 0):\r\n" + slot(1));
    return;
  }
  request.target = *target;
  for (int k = 2; k <= paramCount_; ++k) {
    const std::string word = upperAscii(slot(k));
    if (word == "REPLAYGAIN") {
      request.replayGain = true;
    } else if (word == "NOCEILING") {
      request.ceiling.reset();
    } else if (const std::optional<double> c = parseNumber(slot(k)); k == 2 && c && ceilingValid(*c)) {
      request.ceiling = *c;
    } else {
      setError("NORMALIZE " + std::string(k == 2 ? "ceiling" : "option") + " parameter invalid:\r\n" + slot(k));
      return;
    }
  }
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.normalize(Sender::ScriptMarker, request);
  if (!audioOutcomeOk("NORMALIZE")) return;
  const Loudness& l = ed.lastLoudness;
  if (request.replayGain) {
    log("NORMALIZE: " + lufs(l.integrated) + ", REPLAYGAIN_TRACK_GAIN " + replayGainText(l) +
        ", REPLAYGAIN_TRACK_PEAK " + replayPeakText(l));
    return;
  }
  const NormalizePlan& p = ed.lastNormalizePlan;
  log("NORMALIZE: " + lufs(l.integrated) + " -> " + lufs(p.loudness) + ", " + signedDb(p.steps) +
      ", true peak " + peakText(p.truePeak) + " dBTP" + (p.limitedByPeak ? " (limited by the ceiling)" : ""));
}

void ScriptEngine::cmdReplayGain() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.measureLoudness(Sender::ScriptMarker, Span{0, ed.document().documentFrameCount()});
  if (!audioOutcomeOk("REPLAYGAIN")) return;
  ed.setReplayGainFields(ed.lastLoudness);
  log("REPLAYGAIN: " + lufs(ed.lastLoudness.integrated) + ", gain " + replayGainText(ed.lastLoudness) +
      ", peak " + replayPeakText(ed.lastLoudness));
}

void ScriptEngine::cmdAlbumFile() {
  if (paramCount_ == 0) {
    setError("ALBUMFILE: no parameter.");
    return;
  }
  stripQuotes(1);
  albumFiles_.push_back(slot(1));
}

void ScriptEngine::cmdAlbumNormalize() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("ALBUMNORMALIZE: missing parameter(s).");
    return;
  }
  if (albumFiles_.empty()) {
    setError("ALBUMNORMALIZE: no ALBUMFILE lines before it.");
    return;
  }
  const std::optional<double> target = parseNumber(slot(1));
  if (!target || !targetValid(*target)) {
    setError("ALBUMNORMALIZE target parameter invalid (LUFS, -70 to 0):\r\n" + slot(1));
    return;
  }
  std::optional<double> ceiling = -1.0;
  bool replayGain = false;
  for (int k = 2; k <= paramCount_; ++k) {
    const std::string word = upperAscii(slot(k));
    if (word == "REPLAYGAIN") {
      replayGain = true;
    } else if (word == "NOCEILING") {
      ceiling.reset();
    } else if (const std::optional<double> c = parseNumber(slot(k)); k == 2 && c && ceilingValid(*c)) {
      ceiling = *c;
    } else {
      setError("ALBUMNORMALIZE " + std::string(k == 2 ? "ceiling" : "option") + " parameter invalid:\r\n" +
               slot(k));
      return;
    }
  }
  if (ed.isBusy()) {
    notReady();
    return;
  }
  // Every file measured first; nothing is changed unless all of them were.
  std::vector<LoudnessMeter> meters;
  std::vector<Loudness> tracks;
  for (const std::string& file : albumFiles_) {
    ed.loadFile(file);
    if (ed.operationStatus != kStatusOk) {
      setError("ALBUMNORMALIZE: " + file + "\r\n" + ed.lineError);
      return;
    }
    ed.measureLoudness(Sender::ScriptMarker, Span{0, ed.document().documentFrameCount()});
    if (ed.outcome<AudioOutcome>() != AudioOutcome::Silent && !audioOutcomeOk("ALBUMNORMALIZE")) return;
    tracks.push_back(ed.lastLoudness);
    meters.push_back(std::move(ed.lastMeter));
  }
  std::vector<const LoudnessMeter*> all;
  for (const LoudnessMeter& m : meters) all.push_back(&m);
  const Loudness album = LoudnessMeter::combined(all);
  if (!album.measured) {
    setError("ALBUMNORMALIZE: nothing to measure, the audio is silent (below -70 LUFS).");
    return;
  }
  const NormalizePlan plan = planNormalize(album, *target, ceiling);
  if (replayGain) {
    log("ALBUMNORMALIZE: album " + lufs(album.integrated) + ", REPLAYGAIN_ALBUM_GAIN " + replayGainText(album));
  } else {
    log("ALBUMNORMALIZE: album " + lufs(album.integrated) + " -> " + lufs(plan.loudness) + ", " +
        signedDb(plan.steps) + ", true peak " + peakText(plan.truePeak) + " dBTP" +
        (plan.limitedByPeak ? " (limited by the ceiling)" : ""));
  }
  for (size_t k = 0; k < albumFiles_.size(); ++k) {
    const std::string& file = albumFiles_[k];
    ed.loadFile(file);
    if (ed.operationStatus != kStatusOk) {
      setError("ALBUMNORMALIZE: " + file + "\r\n" + ed.lineError);
      return;
    }
    if (replayGain) {
      ed.setReplayGainFields(tracks[k], album);
    } else {
      if (plan.steps == 0) continue;
      ed.selectSpan(0, ed.document().documentFrameCount());
      ed.amplify(Sender::ScriptMarker, Editor::VolumeRequest{plan.steps, true, true});
      if (ed.operationStatus != kStatusOk) {
        notReady();
        return;
      }
    }
    ed.save(Sender::ScriptMarker);
    if (ed.operationStatus != kStatusOk) {
      setError("ALBUMNORMALIZE: " + file + "\r\n" + ed.lineError);
      return;
    }
    log("ALBUMNORMALIZE: saved " + file);
  }
}

void ScriptEngine::cmdSelectSilence() {
  Editor& ed = editor_;
  if (!noFileCheck()) return;
  SilenceRules rules = ed.silenceRules;
  if (paramCount_ >= 1) {
    const std::optional<double> t = parseNumber(slot(1));
    if (!t || !thresholdValid(*t)) {
      setError("SELECTSILENCE threshold parameter invalid (dBFS, -120 to -10):\r\n" + slot(1));
      return;
    }
    rules.thresholdDb = *t;
  }
  if (paramCount_ >= 2) {
    const ParsedTime m = parseTime(slot(2));
    if (m.failed || !minLengthValid(m.seconds)) {
      setError("SELECTSILENCE length parameter invalid:\r\n" + slot(2));
      return;
    }
    rules.minSeconds = m.seconds;
  }
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.silenceRules = rules;
  ed.selectNextSilence(Sender::ScriptMarker);
  if (ed.outcome<AudioOutcome>() == AudioOutcome::NoSilence) {
    setError("SELECTSILENCE: no silence after the cursor.");
    return;
  }
  audioOutcomeOk("SELECTSILENCE");
}

void ScriptEngine::cmdSplitSilence() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("SPLITSILENCE: no parameter.");
    return;
  }
  if (!noFileCheck()) return;
  stripQuotes(1);
  PartSplitRequest request;
  request.pattern = slot(1);
  request.rules = ed.silenceRules;
  if (!partFileName(request.pattern, 1)) {
    setError("SPLITSILENCE file name pattern invalid (# for the part number):\r\n" + slot(1));
    return;
  }
  if (paramCount_ >= 2) {
    const std::optional<double> t = parseNumber(slot(2));
    if (!t || !thresholdValid(*t)) {
      setError("SPLITSILENCE threshold parameter invalid (dBFS, -120 to -10):\r\n" + slot(2));
      return;
    }
    request.rules.thresholdDb = *t;
  }
  if (paramCount_ >= 3) {
    const ParsedTime m = parseTime(slot(3));
    if (m.failed || !minLengthValid(m.seconds)) {
      setError("SPLITSILENCE length parameter invalid:\r\n" + slot(3));
      return;
    }
    request.rules.minSeconds = m.seconds;
  }
  if (paramCount_ >= 4) {
    // DROP, TAG or both joined by "+" or ",".
    std::string words = upperAscii(slot(4));
    for (char& c : words)
      if (c == ',') c = '+';
    size_t at = 0;
    while (at <= words.size()) {
      const size_t end = std::min(words.find('+', at), words.size());
      const std::string word = words.substr(at, end - at);
      if (word == "DROP") {
        request.dropSilences = true;
      } else if (word == "TAG") {
        request.tagTracks = true;
      } else {
        setError("SPLITSILENCE option parameter invalid (DROP, TAG):\r\n" + slot(4));
        return;
      }
      at = end + 1;
    }
  }
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.splitAtSilences(Sender::ScriptMarker, request);
  if (!audioOutcomeOk("SPLITSILENCE")) return;
  log("SPLITSILENCE: " + std::to_string(ed.partsWritten) + " files written, the last " +
      *partFileName(request.pattern, ed.partsWritten));
}

void ScriptEngine::cmdExportCue() {
  Editor& ed = editor_;
  if (paramCount_ == 0) {
    setError("EXPORTCUE: no parameter.");
    return;
  }
  if (!noFileCheck()) return;
  stripQuotes(1);
  const std::string where = upperAscii(slot(2));
  if (!where.empty() && where != "SILENCES" && where != "SELECTION") {
    setError("EXPORTCUE 2nd parameter invalid (SILENCES, SELECTION):\r\n" + slot(2));
    return;
  }
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.exportCueSheet(Sender::ScriptMarker, slot(1), where != "SELECTION");
  if (!audioOutcomeOk("EXPORTCUE")) return;
  log("EXPORTCUE: " + slot(1));
}

void ScriptEngine::cmdSplitCue() {
  Editor& ed = editor_;
  if (paramCount_ < 2) {
    setError("SPLITCUE: must have 2 or 3 parameters.");
    return;
  }
  if (!noFileCheck()) return;
  stripQuotes(1);
  stripQuotes(2);
  const std::string option = upperAscii(slot(3));
  if (!option.empty() && option != "NOTAGS") {
    setError("SPLITCUE option parameter invalid (NOTAGS):\r\n" + slot(3));
    return;
  }
  letEventsRun();
  if (ed.isBusy()) {
    notReady();
    return;
  }
  ed.splitAlongCueSheet(Sender::ScriptMarker, slot(1), slot(2), option.empty());
  if (!audioOutcomeOk("SPLITCUE")) return;
  log("SPLITCUE: " + std::to_string(ed.partsWritten) + " files written");
}

}  // namespace kavrel
