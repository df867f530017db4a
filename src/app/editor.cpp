#include "app/editor.h"

#include <algorithm>

#include "app/scan_observer.h"
#include "base/file_io.h"
#include "document/loader.h"
#include "document/messages.h"
#include "platform/desktop.h"
#include "settings/configuration.h"
#include "tags/id3v2/reader.h"

namespace kavrel {

namespace {

// Available while a document is loaded, and while frames are selected.
constexpr Command kEditCommands[] = {Command::Save,          Command::SaveAs, Command::Reload,
                                     Command::Close,         Command::Insert, Command::SelectAll,
                                     Command::InsertSilence, Command::Split};
constexpr Command kSelectionCommands[] = {
    Command::SaveSelection, Command::Unselect, Command::Volume, Command::Fade,
    Command::PlaySelection, Command::Delete,   Command::Copy,   Command::Cut};

}  // namespace

Editor::Editor(Host& host) : host_(host), workBuffer_(kWorkBufferSize) {
  // The bytes of the options record no field claims start at their
  // installation defaults too.
  resetOptionsRecord(options_.record, nullptr);
  shellOpener = [](const std::string& path) { return shellOpen(path); };
}

MessageResult Editor::report(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons, MessageResult def) {
  if (scriptRunning) {
    lineError = text;
    return def;
  }
  return host_.messageBox(text, caption, icon, buttons, def);
}

bool Editor::tryToContinue(const std::string& message) {
  if (scriptRunning && silentMode) return true;
  switch (options_.processingErrorPolicy) {
    case ProcessingErrorPolicy::Fail: return false;
    case ProcessingErrorPolicy::TryToContinue: return true;
    case ProcessingErrorPolicy::Prompt: break;
  }
  return host_.messageBox(message + "\r\n" + msg::kPolicyQuestion, msg::kPolicyCaption, MessageIcon::Question,
                          MessageButtons::YesNo, MessageResult::Yes) == MessageResult::Yes;
}

void Editor::setEditCommands(bool on) {
  for (Command c : kEditCommands) setEnabled(c, on);
}

void Editor::setSelectionCommands(bool on) {
  for (Command c : kSelectionCommands) setEnabled(c, on);
}

int Editor::unload(bool promptToSave) {
  int result = kUnloadClosed;
  if (enabled(Command::Save) && doc_.changeCount > 0 && options_.promptToSaveChanges &&
      !doc_.documentName.empty() && promptToSave && !scriptRunning) {
    const MessageResult answer =
        host_.messageBox(msg::kSavePrompt, msg::kSavePromptCaption, MessageIcon::Question,
                         MessageButtons::YesNoCancel, MessageResult::Yes);
    if (answer == MessageResult::Cancel) return kUnloadCancelled;
    // A save that was cancelled or failed keeps the document: closing
    // it anyway would lose the changes the user just asked to keep.
    if (answer == MessageResult::Yes) {
      if (!saveAs(Sender::User)) return kUnloadCancelled;
      result = kUnloadSaved;
    }
  }
  host_.closeDocumentWindows();
  // The remembered dialog values go back to neutral when they are not kept.
  if (options_.volumeMemoryMode == 1) {
    options_.volumeSliderMemory = 20;
    options_.volumeChannelMemory = 0;
  }
  if (options_.fadeMemoryMode == 1) options_.fadeSliderMemory = 20;

  doc_.clear();
  discardEditState();
  labInfoInput = msg::kNoFileLoaded;
  labInfoOutput.clear();
  labOutputVisible = false;
  enabled_.reset();
  removeChecked_.reset();
  selection = {0, 0};
  multipleSelected = false;
  viewOffset = 0;
  maxViewOffset = 0;
  notify(ViewChange::Document);
  return result;
}

bool Editor::closeCommand() {
  if (unload(true) == kUnloadCancelled) return false;
  return autoExitApplies();
}

bool Editor::loadFile(const std::string& path) {
  doc_.loadPath = path;
  return loadDocument(true);
}

void Editor::reload() {
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  loadDocument(false);
}

void Editor::failLoad(const std::string& message) {
  if (scriptRunning) {
    operationStatus = kStatusLoadFailed;
    lineError = message;
  } else {
    host_.messageBox(msg::kLoadErrorLead + message, msg::kLoadErrorCaption, MessageIcon::Exclamation,
                     MessageButtons::Ok, MessageResult::Ok);
  }
  unload(false);
}

bool Editor::loadDocument(bool promptToSave) {
  if (promptToSave && !scriptRunning) {
    if (unload(true) == kUnloadCancelled) return false;
  } else {
    unload(false);
  }
  doc_.busy = true;
  operationStatus = kStatusOk;
  host_.setBusy(true);

  EditorScanObserver observer(*this);
  const LoadResult result = loadDocumentFile(doc_, workBuffer_, observer);
  host_.progress(-1);

  bool loaded = false;
  switch (result.outcome) {
    case LoadResult::Outcome::Failed: failLoad(result.message); break;
    case LoadResult::Outcome::Cancelled:
    case LoadResult::Outcome::WindowClosing:
      // Abandoned by the user: no message box. A script still learns that
      // nothing was loaded.
      if (scriptRunning) {
        operationStatus = kStatusLoadFailed;
        lineError = msg::kEscPressed;
      }
      unload(false);
      break;
    case LoadResult::Outcome::Loaded:
      finishLoad();
      if (result.freeFormatFrames > 0 && !scriptRunning) {
        host_.messageBox(freeFormatWarning("Possible playtime error < ", result.freeFormatFrames,
                                           doc_.editSummary.rate, doc_.mpegVersion),
                         msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                         MessageResult::Ok);
      }
      loaded = true;
      break;
  }

  host_.setBusy(false);
  doc_.busy = false;
  if (loaded && options_.autoSelectAll) selectAll(scriptRunning ? Sender::ScriptMarker : Sender::User);
  if (loaded) {
    operationStatus = kStatusOk;
    putRecentFile(doc_.loadPath);
  }
  notify(ViewChange::Document);
  return loaded;
}

void Editor::finishLoad() {
  const FileLayout& layout = doc_.layout;
  doc_.slotFiles[0] = doc_.loadPath;
  doc_.id3v1Record.reset();
  doc_.loadedId3v1Record.reset();
  doc_.tagFields.clear();
  if (layout.id3v2Found) {
    doc_.tagHeader.outputUnsynchronisation = doc_.tagHeader.unsynchronisation;
    processId3v2();
  }
  if (layout.id3v1Found) processId3v1();
  labInfoInput = infoText(doc_.mpegVersion, doc_.sourceRateHistogram, doc_.sourceSummary.bitrate,
                          doc_.sourceSummary.mode);
  refreshStatistics();

  const bool aru = options_.autoRemoveUnknown;
  setEnabled(Command::RemoveRiff, layout.riffFound);
  setRemoveChecked(Block::Riff, layout.riffFound && aru);
  setEnabled(Command::RemoveLyrics3, layout.lyrics3Found);
  setRemoveChecked(Block::Lyrics3, false);
  setEnabled(Command::ViewLyrics3, layout.lyrics3Found);
  // An APE tag is a tag, not unknown data: the option does not check its box.
  setEnabled(Command::RemoveApe, layout.apeFound);
  setRemoveChecked(Block::Ape, false);
  setEnabled(Command::ViewApe, layout.apeFound);
  setEnabled(Command::RemoveId3v2, layout.id3v2Found);
  setRemoveChecked(Block::Id3v2, false);
  setEnabled(Command::ViewId3v2, true);
  setEnabled(Command::RemoveId3v1, layout.id3v1Found);
  setRemoveChecked(Block::Id3v1, false);
  setEnabled(Command::ViewId3v1, true);
  setEnabled(Command::RemoveUnknownHeader, layout.unknownHeaderFound);
  setRemoveChecked(Block::UnknownHeader, layout.unknownHeaderFound && aru);
  setEnabled(Command::ViewUnknownHeader, layout.unknownHeaderFound);
  setEnabled(Command::RemoveUnknownFooter, layout.unknownFooterFound);
  setRemoveChecked(Block::UnknownFooter, layout.unknownFooterFound && aru);
  setEnabled(Command::ViewUnknownFooter, layout.unknownFooterFound);

  doc_.documentLoaded = true;
  doc_.modified = false;
  doc_.documentName = doc_.loadPath;
  doc_.changeCount = 0;
  const bool paging = doc_.documentFrameCount() > 84;
  setEnabled(Command::PageLeft, paging);
  setEnabled(Command::PageRight, paging);
  viewOffset = 0;
  setEnabled(Command::Paste, false);
  setEnabled(Command::Undo, false);
  selection = {0, 0};
  unselect();
  setEditCommands(true);
  reserveEditMemory();
}

void Editor::processId3v2() {
  ReadFile file(doc_.loadPath);
  if (file.isOpen()) {
    readId3v2Tag(FileTagInput(file), doc_.loadPath, doc_.tagHeader, doc_.tagFields);
  } else {
    doc_.tagHeader.tagError = true;
  }
  if (doc_.tagHeader.tagError && !(scriptRunning && silentMode))
    host_.messageBox(msg::kId3v2Error, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
}

void Editor::showFrameInfo(int32_t i) {
  const auto box = frameInfoBox(doc_, i, !options_.dropGaplessInfo);
  if (!box) return;
  selection = {i, i + 1};
  setCursorView(0);
  select();
  if (!scriptRunning)
    host_.messageBox(box->text, box->title, MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
}

StatisticsList Editor::statisticsList() const {
  return fillStatisticsList(doc_.mpegVersion,
                            options_.statisticsShowEdited ? doc_.kbpsHistogram : doc_.sourceKbpsHistogram);
}

}  // namespace kavrel
