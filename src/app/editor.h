#pragma once
// The command layer: every user-facing operation is one Editor method that
// the GUI and the script engine both call. Editor owns the document and the
// state around it (selection, remove flags, command availability, the
// script-result fields) and reaches the outside world only through Host.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/flag_scope.h"
#include "app/host.h"
#include "app/outcomes.h"
#include "audio/analysis.h"
#include "audio/audio_plan.h"
#include "settings/option_items.h"
#include "settings/options.h"
#include "document/document.h"
#include "document/save_writer.h"
#include "document/statistics.h"
#include "editing/edit_ops.h"
#include "editing/keyboard.h"
#include "editing/positions.h"
#include "platform/playback.h"

namespace kavrel {

// Who calls a command: the user interface, or the script engine.
enum class Sender { User, ScriptMarker };

// Results of unload().
inline constexpr int kUnloadCancelled = 2;
inline constexpr int kUnloadSaved = 6;
inline constexpr int kUnloadClosed = 7;

class Editor {
 public:
  explicit Editor(Host& host);

  Host& host() { return host_; }
  Document& document() { return doc_; }
  const Document& document() const { return doc_; }
  Options& options() { return options_; }
  const Options& options() const { return options_; }

  // --- script-engine state
  // The last command's outcome (outcomes.h) and, in scripts, its message.
  uint8_t operationStatus = 0;
  template <class Outcome>
  Outcome outcome() const {
    return Outcome(operationStatus);
  }
  std::string lineError;
  bool scriptRunning = false;
  bool silentMode = false;
  bool calledWithParameter = false;  // started with a file on the command line

  // --- loading and closing
  // Loads `path` (the load path) asking to save a changed document first.
  bool loadFile(const std::string& path);
  // Loads the load path; the prompt is skipped for reloads and scripts.
  bool loadDocument(bool promptToSave);
  // Reload of the load path (button and menu).
  void reload();
  // Result 2 cancelled, 6 saved first, 7 closed without saving.
  int unload(bool promptToSave);
  // Close command: true when the main window should close too.
  bool closeCommand();
  // --- saving (editor_save.cpp); each returns true when the file was written
  // Save: writes the document name through a temporary file.
  bool save(Sender sender);
  // Save As: the name from the save dialog.
  bool saveAs(Sender sender);
  // Save As under `name` (a script's name, or one chosen elsewhere).
  bool saveAs(Sender sender, const std::string& name);
  // One save in `mode`. `name` is the target of the modes that don't take
  // it from the document or the save dialog (an empty name in Save As mode
  // opens the dialog).
  bool saveproc(SaveMode mode, const std::string& name = {});
  // The program's own folder, which the save dialog refuses.
  std::string dataFolder;

  // Reads the loaded file's ID3v1 tag into the document's record.
  void processId3v1();
  // Reads the loaded file's ID3v2 fields; reports a broken tag.
  void processId3v2();
  // The tag editor's "Remove fields with improper headers, encoding, or
  // language" box: the save leaves erroneous fields out.
  bool removeErroneousTagFields = false;
  // Double click on document frame i: selects it and shows its information box.
  void showFrameInfo(int32_t i);
  // Scans `path` and inserts its frames before insertAt into the next
  // source slot; returns the insert status (0 or 3..14).
  int insertFileAt(const std::string& path, int32_t insertAt);

  // The processing-error policy's answer to a recoverable load problem.
  bool tryToContinue(const std::string& message);

  // --- selection (cursor = selection[0])
  std::array<int32_t, 2> selection{0, 0};
  bool multipleSelected = false;
  int32_t viewOffset = 0;
  int32_t maxViewOffset = 0;
  void select();
  void unselect();
  void selectAll(Sender sender);

  // --- statistics and labels
  void refreshStatistics();
  std::string labInfoInput = "No file loaded";
  std::string labInfoOutput;
  bool labOutputVisible = false;
  StatisticsList statisticsList() const;

  // --- command availability and the remove check boxes
  bool enabled(Command c) const { return enabled_[size_t(c)]; }
  void setEnabled(Command c, bool on) { enabled_[size_t(c)] = on; }
  bool removeChecked(Block b) const { return removeChecked_[size_t(b)]; }
  void setRemoveChecked(Block b, bool on) { removeChecked_[size_t(b)] = on; }

  bool isBusy() const { return doc_.busy || dialogOpen || preparingPlayback; }
  bool dialogOpen = false;
  // Shows a value dialog of the host; the editor counts as busy meanwhile,
  // and the host hears of it on opening and closing (its commands wait).
  template <class Show>
  auto showDialog(Show show) {
    struct Closed {
      Editor& editor;
      ~Closed() { editor.notify(ViewChange::Controls); }
    } closed{*this};
    FlagScope open(dialogOpen);
    notify(ViewChange::Controls);
    return show();
  }

  // Work buffer shared by loading and saving, allocated once.
  std::vector<uint8_t>& workBuffer() { return workBuffer_; }

  // Shows a message box unless a script runs; while one runs the text goes
  // into lineError instead. Returns the pressed button (the default in scripts).
  MessageResult report(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons = MessageButtons::Ok, MessageResult def = MessageResult::Ok);

 private:
  void setEditCommands(bool on);
  void setSelectionCommands(bool on);
  void failLoad(const std::string& message);
  void failSave(const std::string& message, SaveMode mode);
  std::optional<std::string> chooseSaveAsName();
  bool isSourceFile(const std::string& path) const;
  void finishLoad();
  void notify(ViewChange change) { host_.viewChanged(change); }

  Host& host_;
  Document doc_;
  Options options_;
  std::vector<uint8_t> workBuffer_;
  std::bitset<kCommandCount> enabled_;
  std::bitset<kBlockCount> removeChecked_;

  // --- editing (editor_edit.cpp)
 public:
  // The position boxes (the first for the cursor, the second for the other
  // end) show these texts.
  std::array<std::string, 2> positionText{"0.000", "0.000"};
  // The selection-length label; the window drops the "sel: " prefix when
  // the text is wider than the label.
  std::string labSelLen = "sel: 0.000";
  bool labSelLenVisible = false;

  // Writes the time of selection[k] into its box; clampEnd also clamps it.
  void setCursorView(int k);
  void clampEnd(int k);
  // Enter in position box k: `text` as typed. Relative entries (the script
  // engine's R+ and R-) count from `reference` (a position; -1 =
  // selection[k]). False when the text does not parse (the box keeps it)
  // or the entry was refused.
  bool submitPosition(Sender sender, int k, const std::string& text, int32_t reference = -1,
                      RelativeMode mode = RelativeMode::Absolute);
  // Selects from position `cursor` to `other` (clamped, either order), both
  // boxes showing their ends; equal ends leave just the cursor.
  void selectSpan(int32_t cursor, int32_t other);
  // Puts the selection's ends in order within the document, boxes updated.
  void normaliseSelection();
  void unselectCommand(Sender sender);

  // Click of a stepping or page button (StepButton codes 1..10); the held
  // button repeats through autoRepeat, whose timer calls repeatTimerTick().
  void stepButton(int code);
  AutoRepeat autoRepeat;
  void repeatTimerTick();
  // Mouse on the frame strip at pixel column x.
  void stripMousePress(int x, MouseButton button, bool shift);
  void stripMouseRelease(int x, MouseButton button, bool shift);

  // The frame edits: delete, cut, copy, paste, trim, undo, insert. Each
  // sets operationStatus when it acts.
  void deleteSelection(Sender sender);
  void cut(Sender sender);
  void copy(Sender sender);
  void paste(Sender sender);
  void trim(Sender sender);
  void undo(Sender sender);
  // Inserts a file at the cursor, replacing the selection. Without `path`
  // the user chooses it in the open dialog (remembering its folder).
  void insertFile(Sender sender, const std::optional<std::string>& path = std::nullopt);

  // Building blocks of every undoable edit: snapshot, change, afterChange.
  void prepareUndo();
  void afterChange();
  // A tag editor's changes were kept: the document counts as changed (and
  // closing it asks to save), though no undo covers them.
  void noteTagChange();
  void copyToClipboard(int32_t p, int32_t q);
  // False when the clipboard could not be inserted (the change is undone).
  bool insertClipboard(int32_t p);
  const LocalClipboard& clipboard() const { return clipboard_; }
  const UndoSnapshot& undoSnapshot() const { return undo_; }
  bool undoFailed() const { return undoFailed_; }
  bool hasSelection() const { return multipleSelected && selection[0] != selection[1]; }
  // The selected frames, ends in order and within the document; with
  // `cursorWithout`, the empty span at the cursor when nothing is selected.
  Span selectedSpan(bool cursorWithout = false) const {
    const bool cursorOnly = cursorWithout && !hasSelection();
    return orderedSpan(selection[0], cursorOnly ? selection[0] : selection[1], doc_.documentFrameCount());
  }
  // Room for the undo snapshot of a freshly loaded document.
  void reserveEditMemory();

  // A key for the main window: performs the view moves and the editing
  // commands; the window performs the others the action names.
  KeyAction keyDown(int virtualKey, KeyModifiers modifiers);

  // --- volume, fade, silence, split and save selection (editor_gain.cpp,
  // editor_split.cpp). From the user interface (no request given) each
  // command asks the Host for its dialog's values; the script engine passes
  // the values it parsed and no dialog is shown. Each sets operationStatus.
  struct VolumeRequest {
    int steps = 0;  // global_gain steps of 1.5 dB
    bool left = true;
    bool right = true;
  };
  void amplify(Sender sender, const std::optional<VolumeRequest>& request = std::nullopt);
  struct FadeRequest {
    bool fadeIn = false;
    int magnitudeSteps = 20;  // attenuation at the quiet end, in steps
  };
  void fade(Sender sender, const std::optional<FadeRequest>& request = std::nullopt);
  // Silent frames of the dialog's recommended bitrate, rate and mode.
  void insertSilence(Sender sender, const std::optional<int32_t>& frames = std::nullopt);
  // Two names (cut at the cursor) or three (before, inside, after the selection).
  void split(Sender sender, const std::optional<std::vector<std::string>>& names = std::nullopt);
  void saveSelection(Sender sender, const std::optional<std::string>& name = std::nullopt);

  // --- gain/silence/split state
  // The values of the last volume, fade and silence commands (kept between uses).
  int volumeSteps = 0;
  bool adjustLeft = true;
  bool adjustRight = true;
  int fadeSteps = -20;  // at the quiet end: 0..-40
  bool fadeIn = false;
  SilenceFormat silenceFormat;
  // Double click on the source and target file-name labels: the full paths.
  void showSourcePath();
  void showDocumentPath();
  // The document has been saved under another name than the loaded file's
  // (the target label then shows in the normal colour, not grey).
  bool savedUnderNewName() const { return doc_.documentLoaded && doc_.documentName != doc_.loadPath; }

 private:
  // Writes frames [a, b) to `name` with the remove boxes set from `attach`;
  // the selection and the remove boxes are restored afterwards.
  bool writePart(const std::string& name, int32_t a, int32_t b, const AttachFlags& attach);
  // --- end of gain/silence/split state

  // --- hearing the audio (editor_audio.cpp). The document is decoded as it
  // is now, only to measure it; what is written stays the frames' own bytes
  // with their gain fields changed. Each sets operationStatus (AudioOutcome).
 public:
  // Measures `span`, else the selection, else the whole document, into
  // lastLoudness. Progress shows; Esc cancels.
  bool measureLoudness(Sender sender, std::optional<Span> span = std::nullopt);
  Loudness lastLoudness;
  Span lastMeasuredSpan;
  // The measurement behind lastLoudness, for combining files as an album.
  LoudnessMeter lastMeter;
  // The window's loudness command: the document and the selection in a box.
  void showLoudness();
  // Whole 1.5 dB steps on the selection (or the document) towards a target
  // loudness under a true-peak ceiling, undoable; or ReplayGain fields
  // instead. Without a request the host's dialog asks.
  void normalize(Sender sender, const std::optional<NormalizeRequest>& request = std::nullopt);
  NormalizePlan lastNormalizePlan;
  // REPLAYGAIN_TRACK_GAIN/PEAK (and the album pair when given) as TXXX
  // fields of the ID3v2 tag, written at the next save.
  void setReplayGainFields(const Loudness& track, const std::optional<Loudness>& album = std::nullopt);

  SilenceRules silenceRules;
  // The silences of the whole document under silenceRules, measured once
  // per state of the document; nullptr when the measurement did not finish.
  const std::vector<Span>* detectSilences(Sender sender);
  // Selects the first silence that starts after the cursor.
  void selectNextSilence(Sender sender);
  // The frame view shades the silences while this is on.
  bool showSilences = false;
  // The silences last found for the document as it is now (else none).
  const std::vector<Span>& knownSilences() const;
  // Numbered files cut in the middle of each silence (or without them).
  void splitAtSilences(Sender sender, const std::optional<PartSplitRequest>& request = std::nullopt);
  // A cue sheet whose tracks start at the silence cuts, or (atSilences
  // false) at the cursor and the selection's ends.
  void exportCueSheet(Sender sender, const std::string& path, bool atSilences);
  // Numbered files along a cue sheet, its titles and performers in their tags.
  void splitAlongCueSheet(Sender sender, const std::string& cuePath, const std::string& pattern, bool tagTracks = true);
  int32_t partsWritten = 0;

 private:
  struct PartTags {
    std::string title, performer, album, track;
  };
  AudioAnalysis runAnalysis(Span span, bool withLevels);
  // A box with what an audio command did; none in scripts.
  void informUser(const std::string& text, const char* caption);
  bool analysisFinished(const AudioAnalysis& a);
  bool writeNumberedParts(const std::vector<Span>& parts, const std::string& pattern,
                          const std::vector<PartTags>& tags);
  uint64_t documentFingerprint() const;
  struct SilenceCache {
    bool valid = false;
    uint64_t fingerprint = 0;
    SilenceRules rules;
    std::vector<Span> spans;
  } silenceCache_;
  // --- end of hearing the audio

  // --- block viewers (editor_views.cpp)
 public:
  // The remove group's view buttons: the lyrics of the Lyrics3 block, the
  // items of the APE tag, and the raw bytes of the unknown header or footer
  // as text, read again from the loaded file and shown in a message box.
  // Not while busy or while a script runs.
  void viewLyrics3();
  void viewApe();
  void viewUnknownHeader();
  void viewUnknownFooter();

 private:
  void showRawData(int64_t position, int64_t size, const std::string& title);
  // --- end of block viewers

  // --- playback (editor_play.cpp)
 public:
  // The Play menu and its button. Each sets operationStatus: 0 done, 1 a
  // file is missing, 2 no temporary file could be written, 3 the player did
  // not start, 255 busy; the texts go to lineError in scripts.
  void playInput(Sender sender);
  void playOutput(Sender sender);
  void playPreview(Sender sender);
  void playSelection(Sender sender);
  void enqueueInput(Sender sender);
  void enqueueOutput(Sender sender);
  void enqueuePreview(Sender sender);
  // Hands one existing file to the player, or to the player's queue.
  void playFile(Sender sender, const std::string& path);
  void enqueueFile(Sender sender, const std::string& path);
  // The file the last successful Save or Save As wrote.
  std::string lastSavedFile;
  // On while a file is handed to the player.
  bool preparingPlayback = false;
  // Looked up on first use (the main window asks at start, to know whether
  // the Play menu gets its enqueue items); tests set their own.
  const PlayerCommands& playerCommands();
  void setPlayerCommands(const PlayerCommands& commands) { playerCommands_ = commands; }
  bool canEnqueue() { return !playerCommands().enqueue.empty(); }
  // The play and enqueue commands enabled while their files exist; run by
  // the window's timer and after loading, saving, closing and reloading.
  void refreshPlayAvailability();
  // The preview and selection files (the alternate when the first is held).
  std::string playWorkFile(bool selection, bool alternate) const;

 private:
  // Writes the preview or the selection for playing; the file written, or
  // empty after reporting why not.
  std::string writePlayFile(bool selection);
  std::optional<PlayerCommands> playerCommands_;
  // --- end of playback

  // --- configuration, option menus, recent files and closing (editor_shell.cpp)
 public:
  // kavrel.ini of this copy; empty: the settings live in memory only.
  std::string configurationPath;
  // Set while a start-up notice waits to be shown: closing then writes no
  // configuration.
  bool startupNoticePending = false;
  // Reads kavrel.ini. False when it was missing or broken: the defaults are
  // in use and were written.
  bool loadConfiguration();
  // Rewrites kavrel.ini whole; a failure leaves the old file and is ignored.
  void saveConfiguration();
  // Options menu: save the settings to another file, load them from one,
  // back to the installation defaults.
  void saveConfigurationAsCommand();
  void loadConfigurationFromCommand();
  void resetConfigurationCommand();
  // The Options menu: check marks, and a choice by the user (ignored while
  // busy or while a script runs).
  bool optionChecked(OptionItem item) const;
  void chooseOption(OptionItem item);
  bool menuIdle() const { return !isBusy() && !scriptRunning; }

  // Recent files (File menu): the loader puts every loaded file in front.
  void putRecentFile(const std::string& path);
  std::string recentFileCaption(int i) const;
  // Set and the file still exists.
  bool recentFileAvailable(int i) const;
  void openRecentFile(int i);
  // The open dialog in the last open folder, then the load.
  void openCommand();
  // Files dropped on the window: the first is loaded.
  void dropFiles(const std::vector<std::string>& paths);

  // The window is closing: stores the configuration and asks about unsaved
  // changes when that option is on. False keeps the window open.
  bool closeWindowQuery();
  // Automatic exit applies (always, or started with a file).
  bool autoExitApplies() const;
  // Quick save from the user; true when the window should close afterwards.
  bool quickSaveCommand();
  // Opens the help file at `path` with the desktop's program for it.
  void helpCommand(const std::string& path);
  // How files are handed to the desktop (shellOpen unless a test says else).
  std::function<int(const std::string& path)> shellOpener;
  // --- end of configuration

 private:
  bool acceptsSender(Sender sender) const { return !scriptRunning || sender == Sender::ScriptMarker; }
  // The common start of a command: ignored for other senders while a
  // script runs, status 255 while busy, else status 0 and true.
  bool startCommand(Sender sender) {
    if (!acceptsSender(sender)) return false;
    if (isBusy()) {
      operationStatus = kStatusBusy;
      return false;
    }
    operationStatus = kStatusOk;
    return true;
  }
  template <class Outcome>
  void setOutcome(Outcome outcome) {
    operationStatus = uint8_t(outcome);
  }
  void warn(const std::string& text);
  void orderSelection();
  void updateSelectionLabel();
  void runDelete();
  void restoreSnapshot();
  void discardEditState();

  LocalClipboard clipboard_;
  UndoSnapshot undo_;
  bool undoFailed_ = false;
  bool cutInProgress_ = false;
  bool innerEdit_ = false;
};

}  // namespace kavrel
