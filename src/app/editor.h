#pragma once
// The command layer: every user-facing operation is one Editor method that
// the GUI and the script engine both call. Editor owns the document and the
// state around it (selection, remove flags, command availability, the
// script-result fields) and reaches the outside world only through Host.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/host.h"
#include "app/options.h"
#include "document/document.h"
#include "document/statistics.h"

namespace kavrel {

// Who calls a command: the user interface, or the script engine.
enum class Sender { User, ScriptMarker };

// Results of unload().
inline constexpr int kUnloadCancelled = 2;
inline constexpr int kUnloadSaved = 6;
inline constexpr int kUnloadClosed = 7;

// OperationStatus values shared by many commands.
inline constexpr uint8_t kStatusOk = 0;
inline constexpr uint8_t kStatusNothingToDo = 1;
inline constexpr uint8_t kStatusLoadFailed = 201;
inline constexpr uint8_t kStatusBusy = 255;

class Editor {
 public:
  explicit Editor(Host& host);

  Host& host() { return host_; }
  Document& document() { return doc_; }
  const Document& document() const { return doc_; }
  Options& options() { return options_; }
  const Options& options() const { return options_; }

  // --- script-engine state
  uint8_t operationStatus = 0;
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
  // Save As (the save writer's command); false when nothing was written.
  bool saveAs(Sender sender);
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
  bool enabled(Control c) const { return enabled_[size_t(c)]; }
  void setEnabled(Control c, bool on) { enabled_[size_t(c)] = on; }
  bool removeChecked(Block b) const { return removeChecked_[size_t(b)]; }
  void setRemoveChecked(Block b, bool on) { removeChecked_[size_t(b)] = on; }

  // Remembered dialog positions (slider 20 = no change; channel 0 = both).
  int volumeSliderMemory = 20;
  int volumeChannelMemory = 0;
  int fadeSliderMemory = 20;

  bool isBusy() const { return doc_.busy || dialogOpen; }
  bool dialogOpen = false;

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
  void finishLoad();
  void notify(ViewChange change) { host_.viewChanged(change); }

  Host& host_;
  Document doc_;
  Options options_;
  std::vector<uint8_t> workBuffer_;
  std::bitset<kControlCount> enabled_;
  std::bitset<kBlockCount> removeChecked_;
};

}  // namespace kavrel
