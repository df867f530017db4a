// Loudness, lossless normalisation, silences and cue sheets. Decoding is for
// measurement only: every change is made on the gain list, every part is
// written by the split writer from the frames' own bytes.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/audio_messages.h"
#include "app/editor.h"
#include "app/flag_scope.h"
#include "app/scan_observer.h"
#include "audio/cue_sheet.h"
#include "base/text_codec.h"
#include "document/messages.h"
#include "editing/gain_ops.h"
#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"

namespace kavrel {

namespace {

constexpr int kTitleRow = 44;
constexpr int kPerformerRow = 58;
constexpr int kAlbumRow = 26;
constexpr int kTrackRow = 65;
constexpr int kUserTextRow = 77;  // TXXX

std::string decimal(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// Cue and script text is UTF-8 when well formed; tag text is the 8-bit code page.
std::string tagText(const std::string& text) {
  const auto converted = utf8ToCodePage(text);
  return converted ? *converted : text;
}

// Replaces the fields of `row` (with `description`, for TXXX) by one holding
// `text`; empty text only removes.
void setTagField(TagFieldList& list, int majorVersion, int row, const std::string& text,
                 const std::string& description = {}) {
  for (TagField& f : list.fields)
    if (f.tableRow == row && !f.removed() && (description.empty() || f.description == description))
      f.source |= field_source::kRemoved;
  if (text.empty() || knownFieldCode(row, majorVersion).empty()) return;
  TagField& f = list.fields[size_t(list.addIndexedField(row, majorVersion))];
  f.source = field_source::kAdded | field_source::kEdited;
  f.content = tagText(text);
  f.description = description;
}

}  // namespace

void Editor::informUser(const std::string& text, const char* caption) {
  // Scripts log their own lines instead.
  if (!scriptRunning) host_.messageBox(text, caption, MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
}

uint64_t Editor::documentFingerprint() const {
  // FNV-1a over the frame and gain lists: what decides the decoded audio.
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](uint64_t v) {
    h ^= v;
    h *= 1099511628211ull;
  };
  mix(uint64_t(doc_.frameList.size()));
  for (int32_t e : doc_.frameList) mix(uint32_t(e));
  for (const GainPair& g : doc_.gainList) mix(uint32_t(uint16_t(g.left)) << 16 | uint16_t(g.right));
  for (const char c : doc_.loadPath) mix(uint8_t(c));
  return h;
}

AudioAnalysis Editor::runAnalysis(Span span, bool withLevels) {
  FlagScope busy(doc_.busy);
  host_.setBusy(true);
  host_.progress(0);
  AudioAnalysis a = analyseDocument(doc_, span, withLevels, [this](int blocks) {
    return hostCheckpoint(host_, blocks);
  });
  host_.progress(-1);
  host_.setBusy(false);
  return a;
}

bool Editor::analysisFinished(const AudioAnalysis& a) {
  switch (a.outcome) {
    case DecodeOutcome::Done: return true;
    case DecodeOutcome::Cancelled:
    case DecodeOutcome::WindowClosing:
      setOutcome(AudioOutcome::Cancelled);
      lineError = msg::kMeasureCancelled;
      return false;
    case DecodeOutcome::Failed:
      setOutcome(AudioOutcome::Failed);
      report(a.message, msg::kWarningCaption, MessageIcon::Exclamation);
      lineError = a.message;
      return false;
  }
  return false;
}

bool Editor::measureLoudness(Sender sender, std::optional<Span> span) {
  if (!startCommand(sender)) return false;
  if (doc_.documentFrameCount() == 0) {
    setOutcome(AudioOutcome::Silent);
    return false;
  }
  const Span s = span ? *span : hasSelection() ? selectedSpan() : Span{0, doc_.documentFrameCount()};
  AudioAnalysis a = runAnalysis(s, false);
  if (!analysisFinished(a)) return false;
  lastMeter = std::move(a.meter);
  lastLoudness = a.loudness;
  lastMeasuredSpan = a.span;
  if (!lastLoudness.measured) setOutcome(AudioOutcome::Silent);
  return true;
}

void Editor::showLoudness() {
  if (scriptRunning || !doc_.documentLoaded) return;
  const bool selected = hasSelection();
  const Span selection = selectedSpan();
  if (!measureLoudness(Sender::User, Span{0, doc_.documentFrameCount()})) return;
  std::string text = "Whole file: " + loudnessSummary(lastLoudness);
  if (selected) {
    const Loudness whole = lastLoudness;
    if (!measureLoudness(Sender::User, selection)) return;
    text += "\r\nSelection: " + loudnessSummary(lastLoudness);
    lastLoudness = whole;
    lastMeasuredSpan = {0, doc_.documentFrameCount()};
  }
  host_.messageBox(text, msg::kLoudnessCaption, MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
}

void Editor::setReplayGainFields(const Loudness& track, const std::optional<Loudness>& album) {
  createTagIfNone(doc_.tagFields, doc_.tagHeader, NewTagOptions{options_.newTagFormat, options_.newTagPadding});
  const int version = doc_.tagHeader.majorVersion;
  TagFieldList& list = doc_.tagFields;
  setTagField(list, version, kUserTextRow, replayGainText(track), "REPLAYGAIN_TRACK_GAIN");
  setTagField(list, version, kUserTextRow, replayPeakText(track), "REPLAYGAIN_TRACK_PEAK");
  if (album) {
    setTagField(list, version, kUserTextRow, replayGainText(*album), "REPLAYGAIN_ALBUM_GAIN");
    setTagField(list, version, kUserTextRow, replayPeakText(*album), "REPLAYGAIN_ALBUM_PEAK");
  }
  noteTagChange();
  notify(ViewChange::Controls);
}

void Editor::normalize(Sender sender, const std::optional<NormalizeRequest>& request) {
  if (!startCommand(sender)) return;
  if (doc_.documentFrameCount() == 0) return;
  const Span span = hasSelection() ? selectedSpan() : Span{0, doc_.documentFrameCount()};
  if (!measureLoudness(sender, span)) return;
  if (!lastLoudness.measured) {
    setOutcome(AudioOutcome::Silent);
    report(msg::kNothingToMeasure, msg::kNormalizeCaption, MessageIcon::Exclamation);
    return;
  }
  NormalizeRequest choice;
  if (request) {
    choice = *request;
  } else {
    if (scriptRunning) return;
    NormalizeDialogState state;
    state.measuredText = loudnessSummary(lastLoudness);
    state.scopeText = hasSelection() ? "the selection" : "the whole file";
    const std::optional<NormalizeRequest> chosen = showDialog([&] { return host_.normalizeDialog(state); });
    if (!chosen) return;
    choice = *chosen;
  }
  if (choice.replayGain) {
    setReplayGainFields(lastLoudness);
    lastNormalizePlan = {};
    informUser(std::string(msg::kReplayGainSet) + replayGainText(lastLoudness) + ", peak " +
                   replayPeakText(lastLoudness) + ".",
               msg::kNormalizeCaption);
    return;
  }
  lastNormalizePlan = planNormalize(lastLoudness, choice.target, choice.ceiling);
  const NormalizePlan& p = lastNormalizePlan;
  char result[200];
  std::snprintf(result, sizeof result, "%s -> %s, %+d steps (%+.1f dB), true peak %s dBTP%s.",
                loudnessText(lastLoudness.integrated).c_str(), loudnessText(p.loudness).c_str(), p.steps,
                p.steps * kGainStepDb, peakText(p.truePeak).c_str(), p.limitedByPeak ? msg::kNormalizeLimited : "");
  if (p.steps != 0) {
    prepareUndo();
    applyVolume(doc_.gainList, span.start, span.end, p.steps, true, true);
    afterChange();
    notify(ViewChange::Document);
  }
  informUser(p.steps != 0 ? std::string(result) : std::string(msg::kAlreadyAtTarget) + result, msg::kNormalizeCaption);
}

const std::vector<Span>& Editor::knownSilences() const {
  static const std::vector<Span> kNone;
  if (!silenceCache_.valid || silenceCache_.fingerprint != documentFingerprint()) return kNone;
  return silenceCache_.spans;
}

const std::vector<Span>* Editor::detectSilences(Sender sender) {
  if (!acceptsSender(sender)) return nullptr;
  const uint64_t fingerprint = documentFingerprint();
  if (silenceCache_.valid && silenceCache_.fingerprint == fingerprint &&
      silenceCache_.rules.thresholdDb == silenceRules.thresholdDb &&
      silenceCache_.rules.minSeconds == silenceRules.minSeconds)
    return &silenceCache_.spans;
  if (!startCommand(sender)) return nullptr;
  const AudioAnalysis a = runAnalysis({0, doc_.documentFrameCount()}, true);
  if (!analysisFinished(a)) return nullptr;
  silenceCache_.spans = findSilences(a.levels, a.durations, a.span.start, silenceRules);
  silenceCache_.rules = silenceRules;
  silenceCache_.fingerprint = fingerprint;
  silenceCache_.valid = true;
  // Measured anyway: the whole document's loudness comes with it.
  lastLoudness = a.loudness;
  lastMeasuredSpan = a.span;
  return &silenceCache_.spans;
}

void Editor::selectNextSilence(Sender sender) {
  if (!acceptsSender(sender) || doc_.documentFrameCount() == 0) return;
  const std::vector<Span>* found = detectSilences(sender);
  if (!found) return;
  operationStatus = kStatusOk;
  const int32_t cursor = hasSelection() ? selectedSpan().start : selection[0];
  // Without a selection a silence that starts at the cursor counts (a file's
  // leading silence, with the cursor at 0); with one, the search starts past
  // its start, so using the command again steps on to the next silence.
  for (const Span& s : *found) {
    if (s.start > cursor || (s.start == cursor && !hasSelection())) {
      selectSpan(s.start, s.end);
      viewOffset = std::clamp(s.start - 8, 0, maxViewOffset);
      notify(ViewChange::Selection);
      return;
    }
  }
  setOutcome(AudioOutcome::NoSilence);
  report(msg::kNoSilenceAfterCursor, msg::kSilencesCaption, MessageIcon::Information);
}

bool Editor::writeNumberedParts(const std::vector<Span>& parts, const std::string& pattern,
                                const std::vector<PartTags>& tags) {
  partsWritten = 0;
  const TagFieldList keptFields = doc_.tagFields;
  const TagHeaderState keptHeader = doc_.tagHeader;
  AttachFlags attach{};
  attach[size_t(Block::Id3v2)] = true;
  bool ok = true;
  for (size_t k = 0; k < parts.size() && ok; ++k) {
    const std::string name = *partFileName(pattern, int(k + 1));
    if (k < tags.size()) {
      const PartTags& t = tags[k];
      createTagIfNone(doc_.tagFields, doc_.tagHeader,
                      NewTagOptions{options_.newTagFormat, options_.newTagPadding});
      const int version = doc_.tagHeader.majorVersion;
      if (!t.title.empty()) setTagField(doc_.tagFields, version, kTitleRow, t.title);
      if (!t.performer.empty()) setTagField(doc_.tagFields, version, kPerformerRow, t.performer);
      if (!t.album.empty()) setTagField(doc_.tagFields, version, kAlbumRow, t.album);
      if (!t.track.empty()) setTagField(doc_.tagFields, version, kTrackRow, t.track);
    }
    ok = writePart(name, parts[k].start, parts[k].end, attach);
    if (ok) ++partsWritten;
    doc_.tagFields = keptFields;
    doc_.tagHeader = keptHeader;
  }
  if (ok) informUser(std::to_string(partsWritten) + msg::kFilesWritten + *partFileName(pattern, partsWritten),
                     msg::kSilencesCaption);
  if (!ok) {
    // The save's own status and text stay; the outcome says a part failed.
    if (lineError.empty()) lineError = msg::kDiskError;
    setOutcome(AudioOutcome::Failed);
  }
  return ok;
}

void Editor::splitAtSilences(Sender sender, const std::optional<PartSplitRequest>& request) {
  if (!startCommand(sender) || doc_.documentFrameCount() == 0) return;
  PartSplitRequest choice;
  if (request) {
    choice = *request;
  } else {
    if (scriptRunning) return;
    SilenceSplitDialogState state;
    state.request.rules = silenceRules;
    std::filesystem::path base(doc_.documentName);
    state.request.pattern = (base.parent_path() / (base.stem().string() + " ##.mp3")).string();
    const std::optional<PartSplitRequest> chosen = showDialog([&] { return host_.silenceSplitDialog(state); });
    if (!chosen) return;
    choice = *chosen;
  }
  if (!partFileName(choice.pattern, 1)) {
    setOutcome(AudioOutcome::BadInput);
    report(msg::kPatternNeedsNumber, msg::kSilencesCaption, MessageIcon::Exclamation);
    return;
  }
  silenceRules = choice.rules;
  const std::vector<Span>* found = detectSilences(sender);
  if (!found) return;
  operationStatus = kStatusOk;
  const std::vector<Span> parts = partsAtSilences(doc_.documentFrameCount(), *found, choice.dropSilences);
  if (parts.size() < 2 && !found->empty()) {
    // Silences at the very start or end only: they cut nothing.
    setOutcome(AudioOutcome::BadInput);
    report(msg::kNothingToSplit, msg::kSilencesCaption, MessageIcon::Exclamation);
    return;
  }
  if (parts.size() < 2) {
    setOutcome(AudioOutcome::NoSilence);
    char text[200];
    std::snprintf(text, sizeof text, msg::kNoSilenceFound, decimal(silenceRules.thresholdDb).c_str(),
                  decimal(silenceRules.minSeconds).c_str());
    report(text, msg::kSilencesCaption, MessageIcon::Exclamation);
    return;
  }
  std::vector<PartTags> tags;
  if (choice.tagTracks)
    for (size_t k = 0; k < parts.size(); ++k)
      tags.push_back({{}, {}, {}, std::to_string(k + 1) + "/" + std::to_string(parts.size())});
  writeNumberedParts(parts, choice.pattern, tags);
}

void Editor::exportCueSheet(Sender sender, const std::string& path, bool atSilences) {
  if (!startCommand(sender) || doc_.documentFrameCount() == 0) return;
  const int32_t n = doc_.documentFrameCount();
  std::vector<int32_t> starts{0};
  if (atSilences) {
    const std::vector<Span>* found = detectSilences(sender);
    if (!found) return;
    operationStatus = kStatusOk;
    for (const Span& part : partsAtSilences(n, *found, false))
      if (part.start > 0) starts.push_back(part.start);
  } else {
    const Span s = selectedSpan(true);
    for (int32_t p : {s.start, s.end})
      if (p > 0 && p < n && p != starts.back()) starts.push_back(p);
  }
  CueSheet sheet;
  sheet.file = std::filesystem::path(doc_.documentName).filename().string();
  for (int32_t p : starts) sheet.tracks.push_back({0, {}, {}, framePositionTime(doc_, p)});
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << writeCueSheet(sheet);
  out.close();
  if (!out) {
    setOutcome(AudioOutcome::Failed);
    report(msg::kCueNotWritten + path, msg::kWarningCaption, MessageIcon::Exclamation);
    lineError = msg::kCueNotWritten + path;
    return;
  }
  informUser(std::to_string(sheet.tracks.size()) + msg::kCueTracksWritten + path, msg::kCueCaption);
}

void Editor::splitAlongCueSheet(Sender sender, const std::string& cuePath, const std::string& pattern,
                                bool tagTracks) {
  if (!startCommand(sender) || doc_.documentFrameCount() == 0) return;
  auto refuse = [&](const std::string& text) {
    setOutcome(AudioOutcome::BadInput);
    report(text, msg::kCueCaption, MessageIcon::Exclamation);
    lineError = text;
  };
  if (!partFileName(pattern, 1)) return refuse(msg::kPatternNeedsNumber);
  std::ifstream in(cuePath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in || text.str().size() > (size_t(1) << 20)) return refuse(msg::kCueUnreadable + cuePath);
  const CueParse parsed = parseCueSheet(text.str());
  if (!parsed.sheet) return refuse(msg::kCueInvalid + parsed.error);
  const CueSheet& sheet = *parsed.sheet;
  const int32_t n = doc_.documentFrameCount();
  std::vector<Span> parts;
  std::vector<PartTags> tags;
  for (size_t k = 0; k < sheet.tracks.size(); ++k) {
    const CueTrack& t = sheet.tracks[k];
    // Audio before the first index (a pregap) stays with the first track.
    const int32_t start = k == 0 ? 0 : clampPosition(positionAtTime(doc_, t.start), n);
    if (start >= n) {
      char msgText[120];
      std::snprintf(msgText, sizeof msgText, msg::kCueBeyondEnd, t.number);
      return refuse(msgText);
    }
    const int32_t end =
        k + 1 < sheet.tracks.size() ? clampPosition(positionAtTime(doc_, sheet.tracks[k + 1].start), n) : n;
    parts.push_back({start, std::max(start, end)});
    if (tagTracks)
      tags.push_back({t.title, t.performer.empty() ? sheet.performer : t.performer, sheet.title,
                      std::to_string(k + 1) + "/" + std::to_string(sheet.tracks.size())});
  }
  writeNumberedParts(parts, pattern, tags);
}

}  // namespace kavrel
