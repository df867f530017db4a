// The configuration file, the Options menu, recent files, closing and help
// as the editor sees them.

#include <algorithm>
#include <filesystem>

#include "app/configuration.h"
#include "app/desktop.h"
#include "app/editor.h"
#include "app/paths.h"
#include "app/shell_messages.h"
#include "document/messages.h"
#include "document/save_messages.h"
#include "script/messages.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool inFolder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return false;
  const std::string parent = folderOf(path);
  if (equalsIgnoringCase(parent, folder)) return true;
  std::error_code ec1, ec2;
  const fs::path a = fs::weakly_canonical(parent, ec1);
  const fs::path b = fs::weakly_canonical(folder, ec2);
  return !ec1 && !ec2 && equalsIgnoringCase(a.string(), b.string());
}

}  // namespace

// ------------------------------------------------------------ the file

bool Editor::loadConfiguration() {
  if (!configurationPath.empty() && readConfigurationFile(*this, configurationPath)) {
    host_.viewChanged(ViewChange::Controls);
    return true;
  }
  resetConfiguration(*this);
  saveConfiguration();
  host_.viewChanged(ViewChange::Controls);
  return false;
}

void Editor::saveConfiguration() {
  if (!configurationPath.empty()) writeConfigurationFile(*this, configurationPath);
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
    if (!writeConfigurationFile(*this, *chosen))
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
    if (readConfigurationFile(*this, *chosen)) {
      // The folder the file came from stays the one the dialog opens in.
      options_.lastConfigurationFolder = folder;
      saveConfiguration();
    } else {
      host_.messageBox(msg::kDiskErrorReadingFile, msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok,
                       MessageResult::Ok);
      // A half-read file may have changed nothing yet, but the settings of
      // kavrel.ini are the ones to keep.
      if (!configurationPath.empty()) readConfigurationFile(*this, configurationPath);
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
  resetConfiguration(*this);
  saveConfiguration();
  host_.viewChanged(ViewChange::Controls);
}

// ------------------------------------------------------------ Options menu

bool Editor::optionChecked(OptionItem item) const {
  const Options& o = options_;
  const int item0 = int(item);
  switch (item) {
    case OptionItem::AutoSelect: return o.autoSelectAll;
    case OptionItem::Aru: return o.autoRemoveUnknown;
    case OptionItem::SaveChanges: return o.promptToSaveChanges;
    case OptionItem::AutoReload: return o.autoReload;
    case OptionItem::Dnce: return o.dontWriteEmptyTagFields;
    case OptionItem::NeverOverwrite:
    case OptionItem::SemiOverwrite:
    case OptionItem::Overwrite: return int(o.overwritePolicy) == item0 - int(OptionItem::NeverOverwrite);
    case OptionItem::Aex1:
    case OptionItem::Aex2:
    case OptionItem::Aex3: return o.autoExit == item0 - int(OptionItem::Aex1);
    case OptionItem::Tag20:
    case OptionItem::Tag21:
    case OptionItem::Tag30:
    case OptionItem::Tag31:
    case OptionItem::Tag40:
    case OptionItem::Tag41: {
      const int k = item0 - int(OptionItem::Tag20);
      const uint8_t format = uint8_t(2 + k / 2 + (k % 2 ? 128 : 0));
      return o.newTagFormat == format;
    }
    case OptionItem::Pv0:
    case OptionItem::Pv2:
    case OptionItem::Pv4:
    case OptionItem::Pv16:
    case OptionItem::Pv64:
    case OptionItem::Pv256:
    case OptionItem::PvKb: return o.newTagPadding == item0 - int(OptionItem::Pv0);
    case OptionItem::Mv0:
    case OptionItem::Mv1:
    case OptionItem::Mv2: return o.volumeMemoryMode == item0 - int(OptionItem::Mv0);
    case OptionItem::Mf0:
    case OptionItem::Mf1:
    case OptionItem::Mf2: return o.fadeMemoryMode == item0 - int(OptionItem::Mf0);
    case OptionItem::InputStats: return !o.statisticsShowEdited;
    case OptionItem::OutputStats: return o.statisticsShowEdited;
    case OptionItem::Count: break;
  }
  return false;
}

void Editor::chooseOption(OptionItem item) {
  if (!menuIdle()) return;
  Options& o = options_;
  const int item0 = int(item);
  switch (item) {
    case OptionItem::AutoSelect: o.autoSelectAll = !o.autoSelectAll; break;
    case OptionItem::Aru: o.autoRemoveUnknown = !o.autoRemoveUnknown; break;
    case OptionItem::SaveChanges: o.promptToSaveChanges = !o.promptToSaveChanges; break;
    case OptionItem::AutoReload: o.autoReload = !o.autoReload; break;
    case OptionItem::Dnce: o.dontWriteEmptyTagFields = !o.dontWriteEmptyTagFields; break;
    case OptionItem::NeverOverwrite:
    case OptionItem::SemiOverwrite:
    case OptionItem::Overwrite:
      o.overwritePolicy = OverwritePolicy(item0 - int(OptionItem::NeverOverwrite));
      // Whether files get replaced without asking is not left to the next write.
      saveConfiguration();
      break;
    case OptionItem::Aex1:
    case OptionItem::Aex2:
    case OptionItem::Aex3: o.autoExit = item0 - int(OptionItem::Aex1); break;
    case OptionItem::Tag20:
    case OptionItem::Tag21:
    case OptionItem::Tag30:
    case OptionItem::Tag31:
    case OptionItem::Tag40:
    case OptionItem::Tag41: {
      const int k = item0 - int(OptionItem::Tag20);
      o.newTagFormat = uint8_t(2 + k / 2 + (k % 2 ? 128 : 0));
      break;
    }
    case OptionItem::Pv0:
    case OptionItem::Pv2:
    case OptionItem::Pv4:
    case OptionItem::Pv16:
    case OptionItem::Pv64:
    case OptionItem::Pv256:
    case OptionItem::PvKb: o.newTagPadding = uint8_t(item0 - int(OptionItem::Pv0)); break;
    case OptionItem::Mv0:
    case OptionItem::Mv1:
    case OptionItem::Mv2: o.volumeMemoryMode = item0 - int(OptionItem::Mv0); break;
    case OptionItem::Mf0:
    case OptionItem::Mf1:
    case OptionItem::Mf2: o.fadeMemoryMode = item0 - int(OptionItem::Mf0); break;
    case OptionItem::InputStats: o.statisticsShowEdited = false; break;
    case OptionItem::OutputStats: o.statisticsShowEdited = true; break;
    case OptionItem::Count: return;
  }
  host_.viewChanged(item == OptionItem::InputStats || item == OptionItem::OutputStats ? ViewChange::Statistics
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
  request.folder = lastInsertFolder;
  const std::optional<std::string> chosen = host_.chooseFile(request);
  if (!chosen || chosen->empty()) return;
  lastInsertFolder = folderOf(*chosen);
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
  if (!(enabled(Control::ButQuickSave) && (doc_.modified || anyRemoval) && doc_.documentLoaded &&
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
