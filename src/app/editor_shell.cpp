// The configuration file, the Options menu, recent files, closing and help
// as the editor sees them.

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/editor.h"
#include "app/shell_messages.h"
#include "base/paths.h"
#include "document/messages.h"
#include "document/save_messages.h"
#include "platform/desktop.h"
#include "settings/configuration.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool inFolder(const std::string& path, const std::string& folder) {
  return sameFolder(folderOf(path), folder);
}

}  // namespace

// ------------------------------------------------------------ the file

bool Editor::loadConfiguration() {
  if (!configurationPath.empty() && readConfigurationFile(options_, dataFolder, configurationPath)) {
    host_.viewChanged(ViewChange::Controls);
    return true;
  }
  resetConfiguration(options_, dataFolder, [this](size_t slot) { return host_.centredWindowPosition(slot); });
  saveConfiguration();
  host_.viewChanged(ViewChange::Controls);
  return false;
}

void Editor::saveConfiguration() {
  if (!configurationPath.empty()) writeConfigurationFile(options_, configurationPath);
}

void Editor::saveConfigurationAsCommand() {
  if (!menuIdle()) return;
  FileDialogRequest request;
  request.save = true;
  request.title = msg::kSaveOptionsTitle;
  request.filter = msg::kIniFilter;
  request.defaultExtension = "ini";
  request.confirmOverwrite = true;
  request.folder = options_.lastConfigurationFolder;
  for (;;) {
    const std::optional<std::string> chosen = host_.chooseFile(request);
    if (!chosen || chosen->empty()) return;
    if (inFolder(*chosen, dataFolder)) {
      host_.messageBox(msg::kSaveToProgramFolder, msg::kWarningCaption, MessageIcon::Exclamation,
                       MessageButtons::Ok, MessageResult::Ok);
      continue;
    }
    options_.lastConfigurationFolder = folderOf(*chosen);
    if (!writeConfigurationFile(options_, *chosen))
      host_.messageBox(msg::kDiskErrorWritingFile, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                       MessageResult::Ok);
    saveConfiguration();
    return;
  }
}

void Editor::loadConfigurationFromCommand() {
  if (!menuIdle()) return;
  FileDialogRequest request;
  request.title = msg::kLoadOptionsTitle;
  request.filter = msg::kIniFilter;
  request.folder = options_.lastConfigurationFolder;
  for (;;) {
    const std::optional<std::string> chosen = host_.chooseFile(request);
    if (!chosen || chosen->empty()) return;
    if (inFolder(*chosen, dataFolder)) {
      host_.messageBox(msg::kLoadFromProgramFolder, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                       MessageResult::Ok);
      continue;
    }
    const std::string folder = folderOf(*chosen);
    options_.lastConfigurationFolder = folder;
    saveConfiguration();
    if (readConfigurationFile(options_, dataFolder, *chosen)) {
      // The folder the file came from stays the one the dialog opens in.
      options_.lastConfigurationFolder = folder;
      saveConfiguration();
    } else {
      host_.messageBox(msg::kDiskErrorReadingFile, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                       MessageResult::Ok);
      // A half-read file may have changed nothing yet, but the settings of
      // kavrel.ini are the ones to keep.
      if (!configurationPath.empty()) readConfigurationFile(options_, dataFolder, configurationPath);
    }
    host_.viewChanged(ViewChange::Controls);
    return;
  }
}

void Editor::resetConfigurationCommand() {
  if (!menuIdle()) return;
  if (host_.messageBox(msg::kAreYouCertain, msg::kOptionsResetCaption, MessageIcon::Exclamation,
                       MessageButtons::YesNo, MessageResult::No) == MessageResult::No)
    return;
  resetConfiguration(options_, dataFolder, [this](size_t slot) { return host_.centredWindowPosition(slot); });
  saveConfiguration();
  host_.viewChanged(ViewChange::Controls);
}

// ------------------------------------------------------------ Options menu

namespace {

// The on/off items, by the option they toggle.
bool Options::*toggledOption(OptionItem item) {
  switch (item) {
    case OptionItem::AutoSelect: return &Options::autoSelectAll;
    case OptionItem::Aru: return &Options::autoRemoveUnknown;
    case OptionItem::SaveChanges: return &Options::promptToSaveChanges;
    case OptionItem::AutoReload: return &Options::autoReload;
    case OptionItem::Dnce: return &Options::dontWriteEmptyTagFields;
    case OptionItem::DropGapless: return &Options::dropGaplessInfo;
    default: return nullptr;
  }
}

// The radio items: which option they set, and to what.
enum class RadioGroup { Overwrite, AutoExit, TagFormat, Padding, VolumeMemory, FadeMemory, Statistics };
struct RadioChoice {
  RadioGroup group;
  int value;
};

std::optional<RadioChoice> radioChoice(OptionItem item) {
  const int i = int(item);
  const auto from = [i](OptionItem first, OptionItem last) {
    return i >= int(first) && i <= int(last) ? i - int(first) : -1;
  };
  using O = OptionItem;
  if (const int k = from(O::NeverOverwrite, O::Overwrite); k >= 0)
    return RadioChoice{RadioGroup::Overwrite, k};
  if (const int k = from(O::Aex1, O::Aex3); k >= 0) return RadioChoice{RadioGroup::AutoExit, k};
  // Tag20, Tag21, Tag30, ...: versions 2..4, each without and with unsynchronisation.
  if (const int k = from(O::Tag20, O::Tag41); k >= 0)
    return RadioChoice{RadioGroup::TagFormat, 2 + k / 2 + (k % 2 ? 128 : 0)};
  if (const int k = from(O::Pv0, O::PvKb); k >= 0) return RadioChoice{RadioGroup::Padding, k};
  if (const int k = from(O::Mv0, O::Mv2); k >= 0) return RadioChoice{RadioGroup::VolumeMemory, k};
  if (const int k = from(O::Mf0, O::Mf2); k >= 0) return RadioChoice{RadioGroup::FadeMemory, k};
  if (const int k = from(O::InputStats, O::OutputStats); k >= 0)
    return RadioChoice{RadioGroup::Statistics, k};
  return std::nullopt;
}

int radioValue(const Options& o, RadioGroup group) {
  switch (group) {
    case RadioGroup::Overwrite: return int(o.overwritePolicy);
    case RadioGroup::AutoExit: return o.autoExit;
    case RadioGroup::TagFormat: return o.newTagFormat;
    case RadioGroup::Padding: return o.newTagPadding;
    case RadioGroup::VolumeMemory: return o.volumeMemoryMode;
    case RadioGroup::FadeMemory: return o.fadeMemoryMode;
    case RadioGroup::Statistics: return o.statisticsShowEdited ? 1 : 0;
  }
  return -1;
}

void setRadioValue(Options& o, RadioGroup group, int value) {
  switch (group) {
    case RadioGroup::Overwrite: o.overwritePolicy = OverwritePolicy(value); break;
    case RadioGroup::AutoExit: o.autoExit = value; break;
    case RadioGroup::TagFormat: o.newTagFormat = uint8_t(value); break;
    case RadioGroup::Padding: o.newTagPadding = uint8_t(value); break;
    case RadioGroup::VolumeMemory: o.volumeMemoryMode = value; break;
    case RadioGroup::FadeMemory: o.fadeMemoryMode = value; break;
    case RadioGroup::Statistics: o.statisticsShowEdited = value != 0; break;
  }
}

}  // namespace

bool Editor::optionChecked(OptionItem item) const {
  if (bool Options::*toggle = toggledOption(item)) return options_.*toggle;
  const std::optional<RadioChoice> choice = radioChoice(item);
  return choice && radioValue(options_, choice->group) == choice->value;
}

void Editor::chooseOption(OptionItem item) {
  if (!menuIdle()) return;
  const std::optional<RadioChoice> choice = radioChoice(item);
  if (bool Options::*toggle = toggledOption(item)) {
    options_.*toggle = !(options_.*toggle);
  } else if (choice) {
    setRadioValue(options_, choice->group, choice->value);
  } else {
    return;
  }
  // Whether files get replaced without asking is not left to the next write.
  if (choice && choice->group == RadioGroup::Overwrite) saveConfiguration();
  host_.viewChanged(choice && choice->group == RadioGroup::Statistics ? ViewChange::Statistics
                                                                      : ViewChange::Controls);
}

// ------------------------------------------------------------ recent files and opening

void Editor::putRecentFile(const std::string& path) {
  putRecent(options_.recentFiles, path);
  host_.viewChanged(ViewChange::Controls);
  saveConfiguration();
}

std::string Editor::recentFileCaption(int i) const {
  if (i < 0 || i >= 5) return {};
  return recentCaption(i, options_.recentFiles[size_t(i)]);
}

bool Editor::recentFileAvailable(int i) const {
  return i >= 0 && i < 5 && fileExists(options_.recentFiles[size_t(i)]);
}

void Editor::openRecentFile(int i) {
  if (!menuIdle() || i < 0 || i >= 5) return;
  const std::string path = options_.recentFiles[size_t(i)];
  if (!path.empty()) loadFile(path);
}

void Editor::openCommand() {
  if (isBusy() || scriptRunning) return;
  FileDialogRequest request;
  request.title = msg::kOpenSourceTitle;
  request.filter = msg::kMp3Filter;
  request.folder = options_.lastInsertFolder;
  const std::optional<std::string> chosen = host_.chooseFile(request);
  if (!chosen || chosen->empty()) return;
  options_.lastInsertFolder = folderOf(*chosen);
  saveConfiguration();
  loadFile(*chosen);
}

void Editor::dropFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || !menuIdle()) return;
  loadFile(paths.front());
  if (paths.size() > 1)
    host_.messageBox(msg::kDropSingleFile, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
}

// ------------------------------------------------------------ closing

bool Editor::closeWindowQuery() {
  if (doc_.busy) return false;
  if (!startupNoticePending) saveConfiguration();
  const bool anyRemoval = removeChecked_.any();
  if (!(enabled(Command::Save) && (doc_.modified || anyRemoval) && doc_.documentLoaded &&
        options_.promptToSaveChanges && !scriptRunning))
    return true;
  const MessageResult answer = host_.messageBox(msg::kSavePrompt, msg::kClosingCaption, MessageIcon::Question,
                                                MessageButtons::YesNoCancel, MessageResult::Yes);
  if (answer == MessageResult::Cancel) return false;
  // A Save As that did not write (cancelled dialog, full disk) would lose
  // the changes the user just asked to keep: the window stays.
  if (answer == MessageResult::Yes) return saveAs(Sender::User);
  return true;
}

bool Editor::autoExitApplies() const {
  return options_.autoExit == 2 || (options_.autoExit == 1 && calledWithParameter);
}

bool Editor::quickSaveCommand() {
  if (scriptRunning) return false;
  const bool saved = save(Sender::User);
  return saved && !options_.autoReload && autoExitApplies();
}

// ------------------------------------------------------------ help

void Editor::helpCommand(const std::string& path) {
  if (!fileExists(path)) {
    host_.messageBox(msg::kHelpMissing, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                     MessageResult::Ok);
    return;
  }
  const int result = shellOpener ? shellOpener(path) : kShellNoAssociation;
  if (result < kShellSuccess)
    host_.messageBox(msg::kHelpSystemError, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                     MessageResult::Ok);
}

}  // namespace kavrel
