#pragma once
// The script engine: one line at a time, tokenised, looked up in the command
// table and run against the Editor with ScriptMarker as sender. Failures
// travel as Editor::lineError; the runner decides what follows.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/editor.h"
#include "script/tokenizer.h"

namespace kavrel {

inline constexpr size_t kMaxScriptLine = 32767;    // characters, in any state
inline constexpr size_t kMaxTokenizedLine = 1024;  // characters of a line outside a block
inline constexpr size_t kPositionEntryWidth = 13;  // characters the position boxes hold


enum class BlockKind { None, Comment, Lyrics };

class ScriptEngine {
 public:
  explicit ScriptEngine(Editor& editor);

  // Called with the line's error text; answers true when the run must stop.
  // Unset: every failed line stops the run.
  std::function<bool(const std::string& lineError)> lineErrorHandler;
  // Today's date for `*D`, `*M`, `*Y`.
  std::function<ScriptDate()> today = todayLocal;
  // Lines a command reports beside errors (measurements, files written);
  // the runner sends them to the log of silent runs.
  std::function<void(const std::string& line)> logLine;

  // Processes one line completely; true when the script must stop after it.
  bool processLine(std::string_view line);

  // A new run: BaseOffset 0, no block open, absolute positions.
  void startRun();

  int32_t baseOffset() const { return baseOffset_; }
  int32_t recordedSelectionLength() const { return recordedLength_; }
  BlockKind blockMode() const { return block_; }
  const std::string& blockText() const { return blockText_; }
  const ScriptSlots& slots() const { return slots_; }
  int paramCount() const { return paramCount_; }

  // The command routines; public so that a front end (and the tests) can
  // reach a routine with slots of their own.
  void setSlots(const ScriptSlots& slots);
  void runCommand();

  // "Command: " + keyword + ... (the keyword as dispatched).
  std::string notReadyMessage() const;

 private:
  Editor& editor() { return editor_; }
  const std::string& keyword() const { return slots_[0]; }
  const std::string& slot(int k) const { return slots_[size_t(k)]; }
  bool setError(std::string text);  // always false, for `return setError(...)`

  // Building blocks of the routines.
  void preparePositions(int k);
  bool parseSlot(int k, const std::string& invalidLead);
  // Slot 1 as the cursor and, when `withSecond` and slot 2 is set, slot 2
  // as the other end, both relative to the cursor the command started from.
  bool applyPositions(bool withSecond, const std::string& firstLead, const std::string& secondLead);
  void stripQuotes(int k);
  bool noFileCheck();
  bool notReady();
  void letEventsRun();
  // The log's words for a delete or cut that did not happen; true when it did.
  bool reportDelete(const std::string& name);
  bool parseOrdinalPositions(const std::string& name);  // "1st NAME parameter invalid:" ...

  // Commands (commands.cpp, gain_commands.cpp, tag_commands.cpp).
  void cmdSelect();
  void cmdTrim();
  void cmdFade(bool fadeIn);
  void cmdDelete();
  void cmdBaseDelete();
  void cmdSilence();
  void cmdLoad();
  void cmdSaveAs();
  void cmdSave();
  void cmdInsert();
  void cmdSplit();
  void cmdReload();
  void cmdCopy();
  void cmdCut();
  void cmdPaste();
  void cmdSelectAll();
  void cmdUnselect();
  void cmdVolume();
  void cmdSaveSelection();
  void cmdPlayPreview();
  void cmdPlaySelection();
  void cmdPlayFile(bool input);  // PLAYINPUT, PLAYOUTPUT
  void cmdClose();
  // NO.../REMOVE...: 0 ID3v2, 1 ID3v1, 2 Lyrics3, 3 the other blocks, 4 APE.
  void cmdRemoveBlock(int which);
  void cmdBlockStart(BlockKind kind);
  void cmdTagText(int row);
  void cmdTagUrl();
  void cmdTagPicture();
  // Loudness, normalisation, silences and cue sheets (audio_commands.cpp).
  void cmdLoudness();
  void cmdNormalize();
  void cmdReplayGain();
  void cmdAlbumFile();
  void cmdAlbumNormalize();
  void cmdSelectSilence();
  void cmdSplitSilence();
  void cmdExportCue();
  void cmdSplitCue();
  bool audioOutcomeOk(const std::string& name);
  void log(const std::string& line);

  void collectBlockLine(std::string_view line);
  // The ID3v2 field model side of the tag commands (tag_commands.cpp).
  void createScriptTag();
  TagField& addScriptTagField(int row, const std::string& content, const std::string& description);
  // A finished comment or lyrics block (without its last CR LF) becomes a field.
  void commitBlock(BlockKind kind, const std::string& description, const std::string& text);

  Editor& editor_;
  ScriptSlots slots_;
  int paramCount_ = 0;
  std::array<RelativeMode, 3> relative_{};  // per slot; 1 and 2 used
  int32_t baseOffset_ = 0;
  int32_t recordedLength_ = 0;
  BlockKind block_ = BlockKind::None;
  std::string blockDescription_;
  std::string blockText_;
  std::vector<std::string> albumFiles_;
};

// Type byte of an ID3V2.PICTURE type word; 0 ("other") for any other word.
uint8_t pictureTypeFromWord(const std::string& word);

}  // namespace kavrel
