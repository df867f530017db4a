#include "script/line_processor.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "script/messages.h"

namespace kavrel {

namespace {

// A keyword starting with one of these makes the line a comment.
constexpr std::string_view kCommentStarts = "!#$'(./:;<@[\\{";

constexpr const char* kCommentEnd = "ID3V2.COMMENT.END";
constexpr const char* kLyricsEnd = "ID3V2.LYRICS.END";

}  // namespace

ScriptEngine::ScriptEngine(Editor& editor) : editor_(editor) {}

void ScriptEngine::startRun() {
  baseOffset_ = 0;
  recordedLength_ = 0;
  // A block left open by an earlier run does not swallow this one.
  block_ = BlockKind::None;
  blockDescription_.clear();
  blockText_.clear();
  relative_ = {};
  albumFiles_.clear();
  // The first ID3v2 command of every run starts a new tag.
  editor_.document().tagFields.tagCreated = false;
}

bool ScriptEngine::setError(std::string text) {
  editor_.lineError = std::move(text);
  return false;
}

std::string ScriptEngine::notReadyMessage() const {
  return std::string(msg::kNotReadyLead) + keyword() + msg::kNotReadyTail;
}

bool ScriptEngine::processLine(std::string_view line) {
  Editor& ed = editor_;
  ed.lineError.clear();
  if (line.empty()) return false;
  const size_t characters = lineCharacterCount(line);
  if (characters > kMaxScriptLine) {
    ed.lineError = msg::kLineTooLong32K;
  } else if (block_ != BlockKind::None) {
    collectBlockLine(line);
  } else if (characters > kMaxTokenizedLine) {
    ed.lineError = msg::kLineTooLong1K;
  } else {
    TokenizedLine t = tokenizeLine(line, today ? today() : todayLocal());
    if (t.tokens == 0) return false;
    t.slots[0] = upperAscii(t.slots[0]);
    setSlots(t.slots);
    if (kCommentStarts.find(keyword()[0]) != std::string_view::npos) return false;
    runCommand();
  }
  if (ed.lineError.empty()) return false;
  return lineErrorHandler ? lineErrorHandler(ed.lineError) : true;
}

void ScriptEngine::collectBlockLine(std::string_view line) {
  const std::string upper = upperAscii(line);
  const bool end = upper == (block_ == BlockKind::Comment ? kCommentEnd : kLyricsEnd);
  if (!end) {
    blockText_.append(line);
    blockText_ += "\r\n";
    return;
  }
  const BlockKind kind = block_;
  block_ = BlockKind::None;
  std::string text = std::move(blockText_);
  blockText_.clear();
  if (text.size() > 1) text.resize(text.size() - 2);
  commitBlock(kind, blockDescription_, text);
}

void ScriptEngine::setSlots(const ScriptSlots& slots) {
  slots_ = slots;
  paramCount_ = 0;
  for (int k = 4; k >= 1; --k) {
    if (!slots_[size_t(k)].empty()) {
      paramCount_ = k;
      break;
    }
  }
}

void ScriptEngine::runCommand() {
  using Routine = void (*)(ScriptEngine&);
  static const std::unordered_map<std::string_view, Routine> kCommands = {
      {"SELECT", [](ScriptEngine& e) { e.cmdSelect(); }},
      {"CURSOR", [](ScriptEngine& e) { e.cmdSelect(); }},
      {"TRIM", [](ScriptEngine& e) { e.cmdTrim(); }},
      {"FADEIN", [](ScriptEngine& e) { e.cmdFade(true); }},
      {"FADEOUT", [](ScriptEngine& e) { e.cmdFade(false); }},
      {"DELETE", [](ScriptEngine& e) { e.cmdDelete(); }},
      {"BASEDELETE", [](ScriptEngine& e) { e.cmdBaseDelete(); }},
      {"SILENCE", [](ScriptEngine& e) { e.cmdSilence(); }},
      {"LOAD", [](ScriptEngine& e) { e.cmdLoad(); }},
      {"SAVEAS", [](ScriptEngine& e) { e.cmdSaveAs(); }},
      {"SAVE", [](ScriptEngine& e) { e.cmdSave(); }},
      {"INSERT", [](ScriptEngine& e) { e.cmdInsert(); }},
      {"SPLIT", [](ScriptEngine& e) { e.cmdSplit(); }},
      {"RELOAD", [](ScriptEngine& e) { e.cmdReload(); }},
      {"PLAYSELECTION", [](ScriptEngine& e) { e.cmdPlaySelection(); }},
      {"PLAYPREVIEW", [](ScriptEngine& e) { e.cmdPlayPreview(); }},
      {"PLAYINPUT", [](ScriptEngine& e) { e.cmdPlayFile(true); }},
      {"PLAYOUTPUT", [](ScriptEngine& e) { e.cmdPlayFile(false); }},
      {"COPY", [](ScriptEngine& e) { e.cmdCopy(); }},
      {"CUT", [](ScriptEngine& e) { e.cmdCut(); }},
      {"PASTE", [](ScriptEngine& e) { e.cmdPaste(); }},
      {"SELECTALL", [](ScriptEngine& e) { e.cmdSelectAll(); }},
      {"UNSELECT", [](ScriptEngine& e) { e.cmdUnselect(); }},
      {"VOLUME", [](ScriptEngine& e) { e.cmdVolume(); }},
      {"SAVESELECTION", [](ScriptEngine& e) { e.cmdSaveSelection(); }},
      {"CLOSE", [](ScriptEngine& e) { e.cmdClose(); }},
      {"UNLOAD", [](ScriptEngine& e) { e.cmdClose(); }},
      {"NOID3V2", [](ScriptEngine& e) { e.cmdRemoveBlock(0); }},
      {"REMOVEID3V2", [](ScriptEngine& e) { e.cmdRemoveBlock(0); }},
      {"NOID3V1", [](ScriptEngine& e) { e.cmdRemoveBlock(1); }},
      {"REMOVEID3V1", [](ScriptEngine& e) { e.cmdRemoveBlock(1); }},
      {"NOLYRICS", [](ScriptEngine& e) { e.cmdRemoveBlock(2); }},
      {"REMOVELYRICS", [](ScriptEngine& e) { e.cmdRemoveBlock(2); }},
      {"NOOTHER", [](ScriptEngine& e) { e.cmdRemoveBlock(3); }},
      {"REMOVEOTHER", [](ScriptEngine& e) { e.cmdRemoveBlock(3); }},
      {"NOAPE", [](ScriptEngine& e) { e.cmdRemoveBlock(4); }},
      {"REMOVEAPE", [](ScriptEngine& e) { e.cmdRemoveBlock(4); }},
      {"ID3V2.PICTURE", [](ScriptEngine& e) { e.cmdTagPicture(); }},
      {"ID3V2.ALBUM", [](ScriptEngine& e) { e.cmdTagText(26); }},
      {"ID3V2.BPM", [](ScriptEngine& e) { e.cmdTagText(27); }},
      {"ID3V2.COMPOSER", [](ScriptEngine& e) { e.cmdTagText(28); }},
      {"ID3V2.GENRE", [](ScriptEngine& e) { e.cmdTagText(29); }},
      {"ID3V2.(C)", [](ScriptEngine& e) { e.cmdTagText(30); }},
      {"ID3V2.ENCODER", [](ScriptEngine& e) { e.cmdTagText(38); }},
      {"ID3V2.LYRICIST", [](ScriptEngine& e) { e.cmdTagText(39); }},
      {"ID3V2.CGD", [](ScriptEngine& e) { e.cmdTagText(43); }},
      {"ID3V2.TITLE", [](ScriptEngine& e) { e.cmdTagText(44); }},
      {"ID3V2.ARTIST", [](ScriptEngine& e) { e.cmdTagText(58); }},
      {"ID3V2.TRACK", [](ScriptEngine& e) { e.cmdTagText(65); }},
      {"ID3V2.YEAR", [](ScriptEngine& e) { e.cmdTagText(76); }},
      {"ID3V2.COMMENT", [](ScriptEngine& e) { e.cmdTagText(4); }},
      {"ID3V2.LYRICS", [](ScriptEngine& e) { e.cmdTagText(80); }},
      {"ID3V2.URL", [](ScriptEngine& e) { e.cmdTagUrl(); }},
      {"ID3V2.COMMENT.START", [](ScriptEngine& e) { e.cmdBlockStart(BlockKind::Comment); }},
      {"ID3V2.LYRICS.START", [](ScriptEngine& e) { e.cmdBlockStart(BlockKind::Lyrics); }},
      {"LOUDNESS", [](ScriptEngine& e) { e.cmdLoudness(); }},
      {"NORMALIZE", [](ScriptEngine& e) { e.cmdNormalize(); }},
      {"REPLAYGAIN", [](ScriptEngine& e) { e.cmdReplayGain(); }},
      {"ALBUMFILE", [](ScriptEngine& e) { e.cmdAlbumFile(); }},
      {"ALBUMNORMALIZE", [](ScriptEngine& e) { e.cmdAlbumNormalize(); }},
      {"SELECTSILENCE", [](ScriptEngine& e) { e.cmdSelectSilence(); }},
      {"SPLITSILENCE", [](ScriptEngine& e) { e.cmdSplitSilence(); }},
      {"EXPORTCUE", [](ScriptEngine& e) { e.cmdExportCue(); }},
      {"SPLITCUE", [](ScriptEngine& e) { e.cmdSplitCue(); }},
  };
  // A relative mode never outlives the command that prepared it.
  relative_ = {};
  const auto it = kCommands.find(keyword());
  if (it == kCommands.end()) {
    setError(msg::kSyntaxError + keyword());
    return;
  }
  it->second(*this);
}

// ------------------------------------------------------------ positions

void ScriptEngine::preparePositions(int k) {
  std::string& s = slots_[size_t(k)];
  relative_[size_t(k)] = RelativeMode::Absolute;
  if (upperAscii(s) == "EOF") {
    // The largest time: the position entry clamps it to the end.
    s = "99999";
    return;
  }
  const std::string head = upperAscii(std::string_view(s).substr(0, 2));
  if (head == "R+") {
    s.erase(0, 2);
    relative_[size_t(k)] = RelativeMode::Forward;
  } else if (head == "R-") {
    s.erase(0, 2);
    relative_[size_t(k)] = RelativeMode::Backward;
  }
}

bool ScriptEngine::parseSlot(int k, const std::string& invalidLead) {
  if (!parseTime(slot(k)).failed) return true;
  return setError(invalidLead + "\r\n" + slot(k));
}

bool ScriptEngine::applyPositions(bool withSecond, const std::string& firstLead,
                                  const std::string& secondLead) {
  Editor& ed = editor_;
  const int32_t reference =
      ed.multipleSelected ? std::min(ed.selection[0], ed.selection[1]) : ed.selection[0];
  auto enter = [&](int end, int k, const std::string& lead) {
    const std::string text = slot(k).substr(0, kPositionEntryWidth);
    const RelativeMode mode = std::exchange(relative_[size_t(k)], RelativeMode::Absolute);
    if (ed.submitPosition(Sender::ScriptMarker, end, text, reference, mode)) return true;
    // The text as the box holds it may not parse even though the whole
    // parameter did; acting on the old selection instead would edit the
    // wrong frames.
    if (ed.operationStatus == kStatusBusy) return notReady();
    return setError(lead + "\r\n" + slot(k));
  };
  if (!enter(0, 1, firstLead)) return false;
  if (withSecond && !slot(2).empty()) {
    if (!enter(1, 2, secondLead)) return false;
    if (ed.selection[1] < ed.selection[0]) ed.selectSpan(ed.selection[1], ed.selection[0]);
  }
  letEventsRun();
  recordedLength_ = std::abs(ed.selection[1] - ed.selection[0]);
  return true;
}

bool ScriptEngine::reportDelete(const std::string& name) {
  switch (editor_.outcome<DeleteOutcome>()) {
    case DeleteOutcome::Done: return true;
    case DeleteOutcome::NoFrames: setError(name + ": edited frames count zero, nothing to delete."); break;
    case DeleteOutcome::WouldLeaveNone: setError(name + ": at least one frame must be left."); break;
    case DeleteOutcome::NothingSelected: setError(name + ": multiple frames not selected."); break;
    case DeleteOutcome::Busy: notReady(); break;
  }
  return false;
}

bool ScriptEngine::parseOrdinalPositions(const std::string& name) {
  preparePositions(1);
  preparePositions(2);
  const std::string first = "1st " + name + " parameter invalid:";
  const std::string second = "2nd " + name + " parameter invalid:";
  if (!parseSlot(1, first)) return false;
  if (!slot(2).empty() && !parseSlot(2, second)) return false;
  return applyPositions(true, first, second);
}

// ------------------------------------------------------------ shared steps

void ScriptEngine::stripQuotes(int k) {
  std::string& s = slots_[size_t(k)];
  if (!s.empty() && s.back() == '"') s.pop_back();
  if (!s.empty() && s.front() == '"') s.erase(0, 1);
}

bool ScriptEngine::noFileCheck() {
  if (editor_.document().documentFrameCount() >= 1) return true;
  return setError(keyword() + msg::kNoFileLoadedSuffix);
}

bool ScriptEngine::notReady() { return setError(notReadyMessage()); }

void ScriptEngine::letEventsRun() { editor_.host().processEvents(); }


}  // namespace kavrel
