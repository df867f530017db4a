#pragma once
// The options record: the values other parts of the program read. The
// configuration file (settings/configuration.h) stores and restores it; the
// defaults here are the installation defaults a reset gives.

#include <array>
#include <cstdint>
#include <string>

namespace kavrel {

enum class ProcessingErrorPolicy : uint8_t { Fail = 0, Prompt = 1, TryToContinue = 2 };

// When saving over an existing file asks first: always, only for Save As, never.
enum class OverwritePolicy : uint8_t { NeverWithoutPrompt = 0, PromptOnSaveAs = 1, Always = 2 };

// Size of the binary options record in kavrel.ini.
inline constexpr size_t kOptionsRecordSize = 417;
// Left/top pairs (thirty 32-bit values) of the main window (slot 0) and the dialogs.
inline constexpr size_t kWindowSlots = 15;
// The pair every reset puts at a fixed place instead of the screen centre.
inline constexpr size_t kFixedWindowSlot = 11;  // offsets 88 and 92

struct WindowPosition {
  int32_t left = 0;
  int32_t top = 0;
  bool operator==(const WindowPosition&) const = default;
};

struct Options {
  ProcessingErrorPolicy processingErrorPolicy = ProcessingErrorPolicy::TryToContinue;
  bool autoSelectAll = true;          // select all after a load
  bool autoRemoveUnknown = true;      // check "Remove unknown data & RIFF" after a load
  bool promptToSaveChanges = false;   // ask before closing a changed document
  int autoExit = 0;                   // 0 never, 1 when started with a file, 2 always
  bool statisticsShowEdited = false;  // the statistics list shows the edited frames
  int volumeMemoryMode = 0;           // 0 don't remember, 1 until the file is closed, 2 always
  int fadeMemoryMode = 1;             // the same for the fade magnitude
  OverwritePolicy overwritePolicy = OverwritePolicy::PromptOnSaveAs;
  bool autoReload = false;  // reload after a save replaced the source file
  // Saves write no encoder delay and padding, for players that stumble on
  // the Xing/Info frame that carries them.
  bool dropGaplessInfo = false;

  // --- a new ID3v2 tag
  uint8_t newTagFormat = 3;              // 2, 3 or 4 = ID3v2.2 .. 2.4; + 128 with unsynchronisation
  uint8_t newTagPadding = 0;             // 0..6 = 0, 2, 4, 16, 64, 256, 1024 bytes
  bool dontWriteEmptyTagFields = false;  // leave out fields without content and description
  std::string defaultLanguage = "eng";   // three letters for new language fields

  // --- script runs
  bool showMessageBoxAfterRun = false;       // "Script executed:" after an interactive run
  bool silentIgnoreErrors = true;            // a silent run logs a failed line and goes on
  bool lockScriptsOrder = false;             // runs leave the recent scripts in their order
  std::array<std::string, 5> recentScripts;  // full paths, most recent first; "" unused
  std::string logPath;                       // "" = the default log, ~/kavrel.log
  std::string lastScriptFolder;              // "" = the home folder

  // --- remembered lists and folders ("" = the home folder)
  std::array<std::string, 5> recentFiles;  // full paths, most recent first; "" unused
  std::string exportFieldFolder;
  std::string importFieldFolder;
  std::string exportPictureFolder;
  std::string importPictureFolder;
  std::string lastConfigurationFolder;
  std::string lastSaveFolder;    // where the save dialog opens ("" = beside the document)
  std::string lastInsertFolder;  // the open and insert dialogs

  // --- remembered dialog positions (slider 20 = no change; channel 0 = both)
  int volumeSliderMemory = 20;
  int volumeChannelMemory = 0;
  int fadeSliderMemory = 20;

  // --- the tag transfer dialog: one settings word per direction (v1 -> v2, v2 -> v1)
  std::array<uint16_t, 2> transferWords{383, 383};

  // --- window positions on the screen (slot 0: the main window)
  std::array<WindowPosition, kWindowSlots> windowPositions{};

  // The options record as last read. Bytes that no field above claims are
  // settings of dialogs that keep their own; they are written back as read,
  // so a copy that does not know them never loses them.
  std::array<uint8_t, kOptionsRecordSize> record{};
};

// --- the tag editors' own settings. They keep to bytes of the options
// record that no field above claims, so the file carries them as it carries
// every dialog's own bytes:
//   387 bit 0  the scan fills the album from the folder's name ("album")
//   387 bit 1  only with the part after the folder name's separator ("split")
//   389        the character-set line the tag texts show in, 0..17; a
//              value outside that range reads as 0 (the default set)
//   402        the transfer buttons open the transfer dialog ("show dialog");
//              on after a reset
//   404        the ID3v2 editor views text in the desktop's viewer, not a box
//   405        the field load dialog's remembered values: bit 7 remembered,
//              bits 0-1 the encoding, bits 2-4 the "already in the file" boxes
//   406        the field save dialog's: bit 7 remembered, bits 0-3 its boxes
//   128..383   the load dialog's description (length byte, up to 255
//              bytes); its language is the default language at 124
//   414        the ID3v2 editor's first-use note is still to be shown; on
//              after a reset
namespace tag_option_byte {
inline constexpr size_t kScanBits = 387;
inline constexpr uint8_t kScanAlbumBit = 1;
inline constexpr uint8_t kScanSplitBit = 2;
inline constexpr size_t kCharset = 389;
inline constexpr int kCharsetLines = 18;
inline constexpr size_t kShowTransferDialog = 402;
inline constexpr size_t kExternalTextViewer = 404;
inline constexpr size_t kFieldLoadBits = 405;
inline constexpr size_t kFieldSaveBits = 406;
inline constexpr size_t kFieldDescription = 128;
inline constexpr size_t kFieldDescriptionMax = 255;
inline constexpr size_t kEditorNote = 414;
inline constexpr uint8_t kRememberedBit = 0x80;
}  // namespace tag_option_byte

inline int tagCharset(const Options& o) {
  const int c = o.record[tag_option_byte::kCharset];
  return c < tag_option_byte::kCharsetLines ? c : 0;
}
inline void setTagCharset(Options& o, int c) {
  o.record[tag_option_byte::kCharset] = uint8_t(c >= 0 && c < tag_option_byte::kCharsetLines ? c : 0);
}
inline bool tagScanBit(const Options& o, uint8_t bit) { return (o.record[tag_option_byte::kScanBits] & bit) != 0; }
inline void setTagScanBit(Options& o, uint8_t bit, bool on) {
  uint8_t& b = o.record[tag_option_byte::kScanBits];
  b = uint8_t(on ? b | bit : b & ~bit);
}
inline bool showTransferDialog(const Options& o) { return o.record[tag_option_byte::kShowTransferDialog] != 0; }
inline void setShowTransferDialog(Options& o, bool on) { o.record[tag_option_byte::kShowTransferDialog] = on; }

// ~/kavrel.log (the home folder from $HOME, else the password database).
std::string defaultLogPath();
// The configured log path, or the default one.
std::string effectiveLogPath(const Options& options);

}  // namespace kavrel
