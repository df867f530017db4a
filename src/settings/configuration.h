#pragma once
// kavrel.ini: the binary configuration file. Nineteen strings (a 16-bit
// little-endian length, then the bytes) followed by the 417-byte options
// record. The file is read once at start and rewritten whole, atomically,
// whenever a remembered folder, list or path changes, after a save of a
// document and when the program ends.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/options.h"

namespace kavrel {

inline constexpr const char* kConfigurationFileName = "kavrel.ini";
inline constexpr size_t kConfigurationStrings = 19;
// A longer string is not written; its default is written instead.
inline constexpr size_t kMaxConfigurationString = 32767;

// The file as stored, before any meaning is given to it.
struct StoredConfiguration {
  std::array<std::string, kConfigurationStrings> strings;
  std::array<uint8_t, kOptionsRecordSize> record{};
};

// Index of each string in the file.
namespace config_string {
inline constexpr size_t kSaveFolder = 0;
inline constexpr size_t kOpenFolder = 1;  // open and insert dialogs
inline constexpr size_t kScriptFolder = 2;
inline constexpr size_t kLogPath = 3;
inline constexpr size_t kExportFieldFolder = 4;
inline constexpr size_t kImportFieldFolder = 5;
inline constexpr size_t kExportPictureFolder = 6;
inline constexpr size_t kImportPictureFolder = 7;
inline constexpr size_t kRecentFile1 = 8;    // recent file i at 8 + 2i
inline constexpr size_t kRecentScript1 = 9;  // recent script i at 9 + 2i
inline constexpr size_t kConfigurationFolder = 18;
}  // namespace config_string

// Offsets of the options record that this program gives a meaning.
namespace option_byte {
inline constexpr size_t kWindowPositions = 0;  // 15 left/top pairs of 32-bit values
inline constexpr size_t kTransferWords = 120;  // two 16-bit words
inline constexpr size_t kLanguage = 124;       // length byte 3, then three letters
inline constexpr size_t kProcessingErrorPolicy = 384;
inline constexpr size_t kOverwritePolicy = 385;
inline constexpr size_t kNewTagFormat = 386;
inline constexpr size_t kTwoBitSetting = 387;  // kept masked to its low two bits
inline constexpr size_t kAutoExit = 388;
inline constexpr size_t kPadding = 390;
inline constexpr size_t kFadeMagnitude = 391;    // fade slider memory 0..40
inline constexpr size_t kVolumeMagnitude = 392;  // volume slider memory 0..40
inline constexpr size_t kVolumeChannel = 393;    // 0 both, 1 left, 2 right
inline constexpr size_t kVolumeMemoryMode = 394;
inline constexpr size_t kFadeMemoryMode = 395;
inline constexpr size_t kAutoReload = 396;
inline constexpr size_t kPromptToSave = 397;
inline constexpr size_t kAutoRemoveUnknown = 398;
inline constexpr size_t kShowMessageBox = 399;
inline constexpr size_t kSilentIgnore = 400;
inline constexpr size_t kEditedStatistics = 401;  // the statistics list shows the edited frames
inline constexpr size_t kAutoSelectAll = 403;
inline constexpr size_t kDropGaplessInfo = 407;
inline constexpr size_t kDontWriteEmptyFields = 415;
inline constexpr size_t kLockScriptsOrder = 416;
}  // namespace option_byte

// --- the bytes
std::vector<uint8_t> encodeConfiguration(const StoredConfiguration& stored);
// nullopt when the bytes end before the options record does. Anything after
// the record is ignored.
std::optional<StoredConfiguration> decodeConfiguration(const std::vector<uint8_t>& bytes);

// Replaces `path` with `bytes` in one step: a temporary file in the same
// folder, flushed to the disk, renamed over the old one. Two copies writing
// at once leave one complete file, never a mix. False on any failure (the
// old file is untouched then).
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// --- meaning
// The installation defaults of the listed record bytes; the window pairs
// are centred by `centred`, except the fixed pair. Bytes 128..383 stay.
void resetOptionsRecord(std::array<uint8_t, kOptionsRecordSize>& record,
                        const std::function<WindowPosition(size_t slot)>& centred);
// The checks made whenever a record is taken into use.
void validateOptionsRecord(std::array<uint8_t, kOptionsRecordSize>& record);

// The settings as the file stores them, and back. `dataFolder` is the
// folder a log path may not lie in.
StoredConfiguration gatherConfiguration(const Options& options);
void applyConfiguration(Options& options, const StoredConfiguration& stored, const std::string& dataFolder);

// The "c:\" defaults of a fresh file, as this system has them.
std::string defaultFolder();

// The menu caption of recent entry i (0..4): " &1. name" without the folder
// and without a final ".mp3" in any case.
std::string recentCaption(int i, const std::string& path);
// Puts `path` at the front of a recent list (case-blind: an entry already
// there moves up; otherwise the last one drops out).
void putRecent(std::array<std::string, 5>& list, const std::string& path);

// --- the file
// Reads `path` into `options`; false when it could not be opened or was incomplete.
bool readConfigurationFile(Options& options, const std::string& dataFolder, const std::string& path);
// Writes `options` to `path`; false on failure.
bool writeConfigurationFile(const Options& options, const std::string& path);
// All settings back to the installation defaults; window positions centred by `centred`.
void resetConfiguration(Options& options, const std::string& dataFolder,
                        const std::function<WindowPosition(size_t slot)>& centred);

}  // namespace kavrel
