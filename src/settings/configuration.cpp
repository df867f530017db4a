#include "settings/configuration.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/file_io.h"
#include "base/paths.h"
#include "settings/window_slots.h"

namespace kavrel {

namespace {

namespace ob = option_byte;
namespace cs = config_string;

// A file of 19 strings at their longest and the record: anything larger is
// not a configuration file, and reading stops there.
constexpr size_t kMaxConfigurationFile = kConfigurationStrings * (2 + 65535) + kOptionsRecordSize;

void put32(std::array<uint8_t, kOptionsRecordSize>& r, size_t at, int32_t v) {
  const auto u = uint32_t(v);
  r[at] = uint8_t(u);
  r[at + 1] = uint8_t(u >> 8);
  r[at + 2] = uint8_t(u >> 16);
  r[at + 3] = uint8_t(u >> 24);
}

int32_t get32(const std::array<uint8_t, kOptionsRecordSize>& r, size_t at) {
  return int32_t(uint32_t(r[at]) | uint32_t(r[at + 1]) << 8 | uint32_t(r[at + 2]) << 16 |
                 uint32_t(r[at + 3]) << 24);
}

void put16(std::array<uint8_t, kOptionsRecordSize>& r, size_t at, uint16_t v) {
  r[at] = uint8_t(v);
  r[at + 1] = uint8_t(v >> 8);
}

uint16_t get16(const std::array<uint8_t, kOptionsRecordSize>& r, size_t at) {
  return uint16_t(r[at] | r[at + 1] << 8);
}

// The "c:\" and "c:\kavrel.log" of a file made elsewhere mean the same
// defaults here.
bool isForeignRoot(const std::string& s) { return equalsIgnoringCase(s, "c:\\"); }
bool isForeignLog(const std::string& s) { return equalsIgnoringCase(s, "c:\\kavrel.log"); }

std::string folderValue(const std::string& stored) {
  return stored.empty() || isForeignRoot(stored) ? defaultFolder() : stored;
}

}  // namespace

std::string defaultFolder() { return homeFolder(); }

// ------------------------------------------------------------ bytes

std::vector<uint8_t> encodeConfiguration(const StoredConfiguration& stored) {
  std::vector<uint8_t> out;
  for (const std::string& s : stored.strings) {
    const size_t n = std::min<size_t>(s.size(), 65535);
    out.push_back(uint8_t(n));
    out.push_back(uint8_t(n >> 8));
    out.insert(out.end(), s.begin(), s.begin() + std::ptrdiff_t(n));
  }
  out.insert(out.end(), stored.record.begin(), stored.record.end());
  return out;
}

std::optional<StoredConfiguration> decodeConfiguration(const std::vector<uint8_t>& bytes) {
  StoredConfiguration stored;
  size_t pos = 0;
  for (std::string& s : stored.strings) {
    if (bytes.size() - pos < 2) return std::nullopt;
    const size_t n = size_t(bytes[pos]) | size_t(bytes[pos + 1]) << 8;
    pos += 2;
    if (bytes.size() - pos < n) return std::nullopt;
    s.assign(reinterpret_cast<const char*>(bytes.data() + pos), n);
    pos += n;
  }
  if (bytes.size() - pos < kOptionsRecordSize) return std::nullopt;
  std::copy_n(bytes.begin() + std::ptrdiff_t(pos), kOptionsRecordSize, stored.record.begin());
  return stored;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  // Named after the process: two copies never write the same temporary file.
  const std::string temporary = path + ".tmp." + std::to_string(::getpid());
  WriteFile file;
  const bool ok =
      file.create(temporary) && file.write(bytes.data(), bytes.size()) && file.sync() && file.close();
  if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
    file.close();
    ::unlink(temporary.c_str());
    return false;
  }
  syncFolder(folderOf(path));
  return true;
}

// ------------------------------------------------------------ meaning

void resetOptionsRecord(std::array<uint8_t, kOptionsRecordSize>& r,
                        const std::function<WindowPosition(size_t slot)>& centred) {
  for (size_t slot = 0; slot < kWindowSlots; ++slot) {
    const WindowPosition p = slot == slotIndex(WindowSlot::MultiLineDialogSize) ? kMultiLineDialogResetSize
                             : centred                                            ? centred(slot)
                                                                                  : WindowPosition{};
    put32(r, ob::kWindowPositions + 8 * slot, p.left);
    put32(r, ob::kWindowPositions + 8 * slot + 4, p.top);
  }
  put16(r, ob::kTransferWords, 383);
  put16(r, ob::kTransferWords + 2, 383);
  r[ob::kLanguage] = 3;
  r[ob::kLanguage + 1] = 'e';
  r[ob::kLanguage + 2] = 'n';
  r[ob::kLanguage + 3] = 'g';
  // 384 .. 416: the listed defaults; the unlisted bytes of the range are 0
  // except 402 and 414.
  std::fill(r.begin() + 384, r.end(), uint8_t(0));
  r[ob::kProcessingErrorPolicy] = 2;
  r[ob::kOverwritePolicy] = 1;
  r[ob::kNewTagFormat] = 3;
  r[ob::kFadeMagnitude] = 20;
  r[ob::kVolumeMagnitude] = 20;
  r[ob::kFadeMemoryMode] = 1;
  r[ob::kAutoRemoveUnknown] = 1;
  r[ob::kSilentIgnore] = 1;
  r[402] = 1;
  r[ob::kAutoSelectAll] = 1;
  r[414] = 1;
}

void validateOptionsRecord(std::array<uint8_t, kOptionsRecordSize>& r) {
  r[ob::kTwoBitSetting] &= 3;
  if (r[ob::kFadeMagnitude] > 40) r[ob::kFadeMagnitude] = 20;
  if (r[ob::kVolumeMagnitude] > 40) r[ob::kVolumeMagnitude] = 20;
  const int version = r[ob::kNewTagFormat] & 127;
  if (version < 2 || version > 4) r[ob::kNewTagFormat] = 3;
  if (r[ob::kProcessingErrorPolicy] > 2) r[ob::kProcessingErrorPolicy] = 1;
  if (r[ob::kAutoExit] > 2) r[ob::kAutoExit] = 0;
  if (r[ob::kPadding] > 6) r[ob::kPadding] = 0;
  if (r[ob::kOverwritePolicy] > 2) r[ob::kOverwritePolicy] = 1;
  // A mode no menu item shows would leave the radio group without a mark.
  if (r[ob::kVolumeChannel] > 2) r[ob::kVolumeChannel] = 0;
  if (r[ob::kVolumeMemoryMode] > 2) r[ob::kVolumeMemoryMode] = 0;
  if (r[ob::kFadeMemoryMode] > 2) r[ob::kFadeMemoryMode] = 1;
}

StoredConfiguration gatherConfiguration(const Options& o) {
  StoredConfiguration st;
  auto& s = st.strings;
  s[cs::kSaveFolder] = o.lastSaveFolder;
  s[cs::kOpenFolder] = o.lastInsertFolder;
  s[cs::kScriptFolder] = o.lastScriptFolder;
  s[cs::kLogPath] = effectiveLogPath(o);
  s[cs::kExportFieldFolder] = o.exportFieldFolder;
  s[cs::kImportFieldFolder] = o.importFieldFolder;
  s[cs::kExportPictureFolder] = o.exportPictureFolder;
  s[cs::kImportPictureFolder] = o.importPictureFolder;
  for (size_t i = 0; i < 5; ++i) {
    s[cs::kRecentFile1 + 2 * i] = o.recentFiles[i];
    s[cs::kRecentScript1 + 2 * i] = o.recentScripts[i];
  }
  s[cs::kConfigurationFolder] = o.lastConfigurationFolder;
  for (size_t i = 0; i < kConfigurationStrings; ++i) {
    const bool recent = i >= cs::kRecentFile1 && i < cs::kConfigurationFolder;
    if (i == cs::kLogPath) {
      if (s[i].size() > kMaxConfigurationString) s[i] = defaultLogPath();
    } else if (recent) {
      if (s[i].size() > kMaxConfigurationString) s[i].clear();
    } else if (s[i].empty() || s[i].size() > kMaxConfigurationString) {
      s[i] = defaultFolder();
    }
  }

  auto& r = st.record;
  r = o.record;
  for (size_t slot = 0; slot < kWindowSlots; ++slot) {
    put32(r, ob::kWindowPositions + 8 * slot, o.windowPositions[slot].left);
    put32(r, ob::kWindowPositions + 8 * slot + 4, o.windowPositions[slot].top);
  }
  put16(r, ob::kTransferWords, o.transferWords[0]);
  put16(r, ob::kTransferWords + 2, o.transferWords[1]);
  std::string language = o.defaultLanguage;
  language.resize(3, ' ');
  r[ob::kLanguage] = 3;
  std::copy_n(language.begin(), 3, r.begin() + ob::kLanguage + 1);
  const auto policy = uint8_t(o.processingErrorPolicy);
  r[ob::kProcessingErrorPolicy] = policy > 2 ? 1 : policy;
  r[ob::kOverwritePolicy] = uint8_t(o.overwritePolicy);
  r[ob::kNewTagFormat] = o.newTagFormat;
  r[ob::kTwoBitSetting] &= 3;
  r[ob::kAutoExit] = uint8_t(std::clamp(o.autoExit, 0, 2));
  r[ob::kPadding] = o.newTagPadding;
  r[ob::kFadeMagnitude] = uint8_t(std::clamp(o.fadeSliderMemory, 0, 40));
  r[ob::kVolumeMagnitude] = uint8_t(std::clamp(o.volumeSliderMemory, 0, 40));
  r[ob::kVolumeChannel] = uint8_t(std::clamp(o.volumeChannelMemory, 0, 2));
  r[ob::kVolumeMemoryMode] = uint8_t(std::clamp(o.volumeMemoryMode, 0, 2));
  r[ob::kFadeMemoryMode] = uint8_t(std::clamp(o.fadeMemoryMode, 0, 2));
  r[ob::kAutoReload] = o.autoReload;
  r[ob::kDropGaplessInfo] = o.dropGaplessInfo;
  r[ob::kPromptToSave] = o.promptToSaveChanges;
  r[ob::kAutoRemoveUnknown] = o.autoRemoveUnknown;
  r[ob::kShowMessageBox] = o.showMessageBoxAfterRun;
  r[ob::kSilentIgnore] = o.silentIgnoreErrors;
  r[ob::kEditedStatistics] = o.statisticsShowEdited;
  r[ob::kAutoSelectAll] = o.autoSelectAll;
  r[ob::kDontWriteEmptyFields] = o.dontWriteEmptyTagFields;
  r[ob::kLockScriptsOrder] = o.lockScriptsOrder;
  return st;
}

void applyConfiguration(Options& o, const StoredConfiguration& stored, const std::string& dataFolder) {
  const auto& s = stored.strings;
  o.lastSaveFolder = folderValue(s[cs::kSaveFolder]);
  o.lastInsertFolder = folderValue(s[cs::kOpenFolder]);
  o.lastScriptFolder = folderValue(s[cs::kScriptFolder]);
  // A log among the program's own files is not allowed; an empty one is
  // no log at all.
  const std::string& log = s[cs::kLogPath];
  o.logPath =
      log.empty() || isForeignLog(log) || sameFolder(folderOf(log), dataFolder) ? defaultLogPath() : log;
  o.exportFieldFolder = folderValue(s[cs::kExportFieldFolder]);
  o.importFieldFolder = folderValue(s[cs::kImportFieldFolder]);
  o.exportPictureFolder = folderValue(s[cs::kExportPictureFolder]);
  o.importPictureFolder = folderValue(s[cs::kImportPictureFolder]);
  for (size_t i = 0; i < 5; ++i) {
    o.recentFiles[i] = s[cs::kRecentFile1 + 2 * i];
    o.recentScripts[i] = s[cs::kRecentScript1 + 2 * i];
  }
  o.lastConfigurationFolder = folderValue(s[cs::kConfigurationFolder]);

  o.record = stored.record;
  auto& r = o.record;
  validateOptionsRecord(r);
  for (size_t slot = 0; slot < kWindowSlots; ++slot)
    o.windowPositions[slot] = {get32(r, ob::kWindowPositions + 8 * slot),
                               get32(r, ob::kWindowPositions + 8 * slot + 4)};
  o.transferWords = {get16(r, ob::kTransferWords), get16(r, ob::kTransferWords + 2)};
  const bool letters = std::all_of(r.begin() + ob::kLanguage + 1, r.begin() + ob::kLanguage + 4,
                                   [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
  o.defaultLanguage = r[ob::kLanguage] == 3 && letters
                          ? std::string(reinterpret_cast<const char*>(r.data() + ob::kLanguage + 1), 3)
                          : std::string("eng");
  o.processingErrorPolicy = ProcessingErrorPolicy(r[ob::kProcessingErrorPolicy]);
  o.overwritePolicy = OverwritePolicy(r[ob::kOverwritePolicy]);
  o.newTagFormat = r[ob::kNewTagFormat];
  o.autoExit = r[ob::kAutoExit];
  o.newTagPadding = r[ob::kPadding];
  o.fadeSliderMemory = r[ob::kFadeMagnitude];
  o.volumeSliderMemory = r[ob::kVolumeMagnitude];
  o.volumeChannelMemory = r[ob::kVolumeChannel];
  o.volumeMemoryMode = r[ob::kVolumeMemoryMode];
  o.fadeMemoryMode = r[ob::kFadeMemoryMode];
  o.autoReload = r[ob::kAutoReload] != 0;
  o.dropGaplessInfo = r[ob::kDropGaplessInfo] != 0;
  o.promptToSaveChanges = r[ob::kPromptToSave] != 0;
  o.autoRemoveUnknown = r[ob::kAutoRemoveUnknown] != 0;
  o.showMessageBoxAfterRun = r[ob::kShowMessageBox] != 0;
  o.silentIgnoreErrors = r[ob::kSilentIgnore] != 0;
  o.statisticsShowEdited = r[ob::kEditedStatistics] != 0;
  o.autoSelectAll = r[ob::kAutoSelectAll] != 0;
  o.dontWriteEmptyTagFields = r[ob::kDontWriteEmptyFields] != 0;
  o.lockScriptsOrder = r[ob::kLockScriptsOrder] != 0;
}

std::string recentCaption(int i, const std::string& path) {
  std::string name = fileNameOf(path);
  if (name.size() >= 4 && equalsIgnoringCase(name.substr(name.size() - 4), ".mp3"))
    name.resize(name.size() - 4);
  return " &" + std::to_string(i + 1) + ". " + name;
}

void putRecent(std::array<std::string, 5>& list, const std::string& path) {
  size_t found = list.size() - 1;  // not found: the last entry drops out
  for (size_t i = 0; i < list.size(); ++i) {
    if (equalsIgnoringCase(list[i], path)) {
      found = i;
      break;
    }
  }
  for (size_t i = found; i > 0; --i) list[i] = list[i - 1];
  list[0] = path;
}

// ------------------------------------------------------------ files

bool readConfigurationFile(Options& options, const std::string& dataFolder, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> chunk(65536);
  bool ok = true;
  while (bytes.size() < kMaxConfigurationFile) {
    const size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(n));
    if (n < chunk.size()) {
      ok = std::ferror(f) == 0;
      break;
    }
  }
  std::fclose(f);
  if (!ok) return false;
  const std::optional<StoredConfiguration> stored = decodeConfiguration(bytes);
  if (!stored) return false;
  applyConfiguration(options, *stored, dataFolder);
  return true;
}

bool writeConfigurationFile(const Options& options, const std::string& path) {
  return writeFileAtomically(path, encodeConfiguration(gatherConfiguration(options)));
}

void resetConfiguration(Options& options, const std::string& dataFolder,
                        const std::function<WindowPosition(size_t slot)>& centred) {
  StoredConfiguration stored;
  stored.record = options.record;
  resetOptionsRecord(stored.record, centred);
  // Empty strings: every folder its default, the default log, empty lists.
  applyConfiguration(options, stored, dataFolder);
}

}  // namespace kavrel
