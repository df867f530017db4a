// Playback: the loaded file, the last saved file, the edited document or the
// selection handed to the desktop's player. The document and the selection
// are first written to work files in the data folder; a second name is used
// when the first cannot be written.

#include <bitset>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/desktop.h"
#include "app/editor.h"
#include "app/flag_scope.h"
#include "app/play_messages.h"
#include "document/messages.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

// Some openers need a moment to let go before a second program is started.
constexpr auto kFallbackPause = std::chrono::milliseconds(26);

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// Players get absolute names: a name that starts with "-" is never taken
// for a switch, and the player's own folder does not matter.
std::string absolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.string();
}

}  // namespace

const PlayerCommands& Editor::playerCommands() {
  if (!playerCommands_) {
    try {
      playerCommands_ = lookUpPlayerCommands();
    } catch (const std::exception&) {
      // Nothing found then: playback goes through the desktop opener.
      playerCommands_ = PlayerCommands{};
    }
  }
  return *playerCommands_;
}

std::string Editor::playWorkFile(bool selection, bool alternate) const {
  std::string folder = dataFolder;
  if (folder.empty()) {
    std::error_code ec;
    folder = fs::temp_directory_path(ec).string();
    if (ec || folder.empty()) folder = "/tmp";
  }
  const char* name = selection ? (alternate ? msg::kSelectionAlternateFile : msg::kSelectionFile)
                               : (alternate ? msg::kPreviewAlternateFile : msg::kPreviewFile);
  return (fs::path(folder) / name).string();
}

void Editor::playFile(Sender sender, const std::string& path) {
  if (!startCommand(sender)) return;
  FlagScope preparing(preparingPlayback);
  try {
    if (!fileExists(path)) {
      report(msg::kPlayFileMoved, msg::kWarningCaption, MessageIcon::Exclamation);
      setOutcome(PlayOutcome::FileMissing);
    } else {
      const std::string file = absolutePath(path);
      const PlayerCommands& commands = playerCommands();
      // The player command either starts or counts as "no viewer".
      const auto runPlayer = [&] {
        return shellRun(commands.player, {file}) >= kShellSuccess ? kShellSuccess : kShellNoAssociation;
      };
      int result = 0;
      if (commands.playerReplacesOpener) {
        // A configured player is the opener.
        result = runPlayer();
      } else {
        result = shellOpen(file);
        if ((result == kShellNoAssociation || result == kShellCallFailed) && !commands.player.empty()) {
          std::this_thread::sleep_for(kFallbackPause);
          result = runPlayer();
        }
      }
      if (result < kShellSuccess) {
        if (!scriptRunning)
          host_.messageBox(shellErrorText(result), msg::kShellErrorCaption, MessageIcon::Stop,
                           MessageButtons::Ok, MessageResult::Ok);
        lineError = msg::kPlaySystemError;
        setOutcome(PlayOutcome::PlayerNotStarted);
      }
    }
  } catch (const std::exception&) {
    lineError = msg::kPlaySystemError;
    setOutcome(PlayOutcome::PlayerNotStarted);
  }
  host_.processEvents();
}

void Editor::enqueueFile(Sender sender, const std::string& path) {
  if (!startCommand(sender)) return;
  FlagScope preparing(preparingPlayback);
  try {
    const std::string command = playerCommands().enqueue;
    int result = kShellSuccess;
    if (command.empty()) {
      // Nothing offers a queue: the menu has no enqueue items then.
      result = kShellNoAssociation;
    } else if (!fileExists(path)) {
      report(msg::kPlayFileMoved, msg::kWarningCaption, MessageIcon::Exclamation);
      setOutcome(PlayOutcome::FileMissing);
    } else {
      const CommandSplit parts = splitEnqueueCommand(command);
      std::vector<std::string> arguments = splitCommandWords(parts.switches);
      arguments.push_back(absolutePath(path));
      result = shellRun(parts.program, arguments);
    }
    if (result < kShellSuccess) {
      report(shellErrorText(result), msg::kShellErrorCaption, MessageIcon::Stop);
      setOutcome(PlayOutcome::PlayerNotStarted);
    }
  } catch (const std::exception&) {
    lineError = msg::kPlaySystemError;
    setOutcome(PlayOutcome::PlayerNotStarted);
  }
  host_.processEvents();
}

void Editor::playInput(Sender sender) {
  playFile(sender, doc_.documentLoaded ? doc_.loadPath : std::string());
}

void Editor::playOutput(Sender sender) { playFile(sender, lastSavedFile); }

void Editor::enqueueInput(Sender sender) {
  enqueueFile(sender, doc_.documentLoaded ? doc_.loadPath : std::string());
}

void Editor::enqueueOutput(Sender sender) { enqueueFile(sender, lastSavedFile); }

std::string Editor::writePlayFile(bool selection) {
  try {
    if (!doc_.documentLoaded || !fileExists(doc_.loadPath)) {
      report(selection ? msg::kPlaySourceMoved : msg::kPlayFileMoved, msg::kWarningCaption,
             MessageIcon::Exclamation);
      setOutcome(PlayOutcome::FileMissing);
      return {};
    }
    // Inserted files are read again by the save; only those that still give
    // the document a frame matter.
    std::bitset<kSourceSlots> used;
    const int32_t tableCount = doc_.frameTable.count();
    for (const int32_t entry : doc_.frameList)
      if (entry >= 0 && entry < tableCount) used.set(doc_.frameTable[entry].sourceIndex);
    for (int slot = 1; slot < kSourceSlots; ++slot) {
      if (used.test(size_t(slot)) && !fileExists(doc_.sourcePath(slot))) {
        report(msg::kPlayInsertedMoved, msg::kWarningCaption, MessageIcon::Exclamation);
        setOutcome(PlayOutcome::FileMissing);
        return {};
      }
    }
    const SaveMode modes[2] = {selection ? SaveMode::PlaySelection : SaveMode::Preview,
                               selection ? SaveMode::PlaySelectionAlternate : SaveMode::PreviewAlternate};
    for (int alternate = 0; alternate < 2; ++alternate) {
      const std::string file = playWorkFile(selection, alternate == 1);
      if (saveproc(modes[alternate], file)) {
        // A failed first try is no failure of the command.
        lineError.clear();
        operationStatus = kStatusOk;
        return file;
      }
    }
  } catch (const std::exception&) {
  }
  lineError.clear();
  report(msg::kPlayTemporaryLocked, msg::kPlayErrorCaption, MessageIcon::Stop);
  setOutcome(PlayOutcome::NotWritten);
  return {};
}

void Editor::playPreview(Sender sender) {
  if (!startCommand(sender)) return;
  const std::string file = writePlayFile(false);
  if (!file.empty()) playFile(sender, file);
}

void Editor::playSelection(Sender sender) {
  if (!startCommand(sender)) return;
  if (!hasSelection()) {
    operationStatus = kStatusNothingToDo;
    return;
  }
  const std::string file = writePlayFile(true);
  if (!file.empty()) playFile(sender, file);
}

void Editor::enqueuePreview(Sender sender) {
  if (!startCommand(sender)) return;
  const std::string file = writePlayFile(false);
  if (!file.empty()) enqueueFile(sender, file);
}

void Editor::refreshPlayAvailability() {
  const bool loaded = doc_.documentLoaded && fileExists(doc_.loadPath);
  const bool saved = fileExists(lastSavedFile);
  const bool queue = canEnqueue();
  const std::bitset<kCommandCount> before = enabled_;
  setEnabled(Command::PlayInput, loaded);
  setEnabled(Command::PlayPreview, loaded);
  setEnabled(Command::PlaySelection, loaded && hasSelection());
  setEnabled(Command::EnqueueInput, loaded && queue);
  setEnabled(Command::EnqueuePreview, loaded && queue);
  setEnabled(Command::PlayOutput, saved);
  setEnabled(Command::EnqueueOutput, saved && queue);
  if (enabled_ != before) notify(ViewChange::Controls);
}

}  // namespace kavrel
