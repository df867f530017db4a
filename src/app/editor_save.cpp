// Save, Save As and the other saves: choosing the target, the overwrite
// policy, the temporary file and its rename over the target, and what
// happens to the document when its own source was replaced.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/paths.h"
#include "app/editor.h"
#include "app/scan_observer.h"
#include "base/file_io.h"
#include "document/messages.h"
#include "document/save_messages.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/writer.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

// The same file, whatever the spelling of its path (links, "..", relative).
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) {
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
  }
  const fs::path ca = fs::weakly_canonical(a, ec);
  if (ec) return a == b;
  const fs::path cb = fs::weakly_canonical(b, ec);
  if (ec) return a == b;
  return ca == cb;
}

// The replaced file's permissions carry over to its successor.
void copyPermissions(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) == 0) ::chmod(to.c_str(), st.st_mode & 07777);
}

// What the tag writer reports: fields left out and size notices, shown
// unless a silent script runs; Esc and closing at its checkpoints.
class EditorTagEvents final : public TagWriterEvents {
 public:
  explicit EditorTagEvents(Editor& editor) : editor_(editor) {}
  void fieldLeftOut(const std::string& message, const std::string& sourcePath) override {
    show(message + "\r\n" + fileNameOf(sourcePath) + "\r\n" + msg::kNotSavingTheField, msg::kWritingId3v2Caption);
  }
  void notice(const std::string& text) override { show(text, msg::kWarningCaption); }
  Checkpoint checkpoint() override { return hostCheckpoint(editor_.host(), -1); }

 private:
  void show(const std::string& text, const std::string& caption) {
    if (editor_.scriptRunning && editor_.silentMode) return;
    editor_.host().messageBox(text, caption, MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
  }
  Editor& editor_;
};

class EditorSaveObserver final : public SaveObserver {
 public:
  explicit EditorSaveObserver(Editor& editor) : editor_(editor) {}
  Checkpoint progress(int blocks) override { return hostCheckpoint(editor_.host(), blocks); }
  void unknownLeadingDataWritten() override {
    if (!editor_.scriptRunning)
      editor_.host().messageBox(msg::kUnknownLeadingData, msg::kWarningCaption, MessageIcon::Exclamation,
                                MessageButtons::Ok, MessageResult::Ok);
  }
  TagResult id3v2Tag(TagSink& output) override {
    const Document& doc = editor_.document();
    if (!hasTag(doc.layout.id3v2Found, doc.tagFields, editor_.scriptRunning)) return TagResult::NoTag;
    TagWriterSettings settings;
    settings.newTagFormat = editor_.options().newTagFormat;
    settings.dontWriteEmptyFields = editor_.options().dontWriteEmptyTagFields;
    settings.removeErroneousFields = editor_.removeErroneousTagFields;
    settings.workFilePath = tagWorkFilePath(editor_.dataFolder);
    EditorTagEvents events(editor_);
    switch (writeTag(doc.tagHeader, doc.tagFields, settings, events, output)) {
      case TagWriteOutcome::NoTag: return TagResult::NoTag;
      case TagWriteOutcome::Written: return TagResult::Written;
      case TagWriteOutcome::Failed: return TagResult::Failed;
      case TagWriteOutcome::OutputError: return TagResult::OutputError;
      case TagWriteOutcome::Cancelled: return TagResult::Cancelled;
      case TagWriteOutcome::WindowClosing: return TagResult::WindowClosing;
    }
    return TagResult::Failed;
  }

 private:
  Editor& editor_;
};

// Busy from the start of a save to its end, whichever way it ends.
class SaveBusy {
 public:
  SaveBusy(Document& doc, Host& host) : doc_(doc), host_(host) {
    doc_.busy = true;
    host_.setBusy(true);
  }
  ~SaveBusy() { release(); }
  void release() {
    if (!held_) return;
    held_ = false;
    doc_.busy = false;
    host_.setBusy(false);
  }

 private:
  Document& doc_;
  Host& host_;
  bool held_ = true;
};

}  // namespace

bool Editor::save(Sender sender) {
  if (scriptRunning && sender != Sender::ScriptMarker) return false;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return false;
  }
  return saveproc(SaveMode::Save);
}

bool Editor::saveAs(Sender sender) { return saveAs(sender, {}); }

bool Editor::saveAs(Sender sender, const std::string& name) {
  if (scriptRunning && sender != Sender::ScriptMarker) return false;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return false;
  }
  return saveproc(SaveMode::SaveAs, name);
}

void Editor::failSave(const std::string& message, SaveMode mode) {
  if (scriptRunning) {
    operationStatus = kStatusSaveFailed;
    lineError = message;
  } else if (mode != SaveMode::Preview && mode != SaveMode::PreviewAlternate) {
    host_.messageBox(message, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
  }
}

std::optional<std::string> Editor::chooseSaveAsName() {
  const std::string folder = options_.lastSaveFolder.empty() ? folderOf(doc_.documentName) : options_.lastSaveFolder;
  for (;;) {
    std::optional<std::string> chosen = host_.chooseSaveFile(folder, fileNameOf(doc_.documentName));
    if (!chosen || chosen->empty()) return std::nullopt;
    if (!dataFolder.empty() && equalsIgnoringCase(folderOf(*chosen), dataFolder)) {
      host_.messageBox(msg::kSaveToProgramFolder, msg::kWarningCaption, MessageIcon::Exclamation,
                       MessageButtons::Ok, MessageResult::Ok);
      continue;
    }
    return chosen;
  }
}

bool Editor::isSourceFile(const std::string& path) const {
  const int last = std::max(doc_.usedSourceSlots, doc_.insertedFileCount);
  for (int slot = 0; slot <= last && slot < kSourceSlots; ++slot) {
    const std::string& source = doc_.sourcePath(slot);
    if (!source.empty() && sameFile(path, source)) return true;
  }
  return false;
}

bool Editor::saveproc(SaveMode mode, const std::string& name) {
  try {
    SaveBusy busy(doc_, host_);
    operationStatus = kStatusOk;

    const int32_t n = doc_.documentFrameCount();
    WriterSettings settings;
    settings.mode = mode;
    settings.selectionStart = 0;
    settings.selectionEnd = n;
    if (!savesAllFrames(mode)) {
      if (!multipleSelected) return false;
      const Span s = selectedSpan();
      settings.selectionStart = s.start;
      settings.selectionEnd = s.end;
    }
    if (doc_.frameTable.count() < 1 || n < 1) {
      failSave(msg::kZeroFrameCount, mode);
      return false;
    }

    std::string target;
    if (mode == SaveMode::Save) {
      target = doc_.documentName;
    } else if (mode == SaveMode::SaveAs && name.empty() && !scriptRunning) {
      std::optional<std::string> chosen = chooseSaveAsName();
      if (!chosen) return false;
      target = *chosen;
    } else {
      target = name;
    }
    if (target.empty()) {
      failSave(msg::kDiskError, mode);
      return false;
    }

    std::error_code ec;
    const bool exists = fs::exists(target, ec);
    const std::string temporary = target + msg::kTemporaryExtension;
    const bool targetIsSource = exists && isSourceFile(target);
    // Only Save and Save As may replace a file the frames are read from:
    // they write elsewhere first and swap the new file in when it is complete.
    const bool replacesInPlace = mode == SaveMode::Save || mode == SaveMode::SaveAs;
    if ((targetIsSource && !replacesInPlace) || isSourceFile(temporary)) {
      failSave(msg::kTargetIsSource, mode);
      return false;
    }
    const bool askable = mode == SaveMode::Save || (mode == SaveMode::SaveAs && exists);
    // An existing target is never written into directly.
    const bool useTemporary = askable || (mode == SaveMode::SaveSelection && exists);
    if (askable && !scriptRunning) {
      const OverwritePolicy policy = options_.overwritePolicy;
      const bool ask = policy == OverwritePolicy::NeverWithoutPrompt ||
                       (policy == OverwritePolicy::PromptOnSaveAs && mode == SaveMode::SaveAs);
      if (ask && host_.messageBox(msg::kOverwritePrompt, msg::kOverwriteCaption, MessageIcon::Exclamation,
                                  MessageButtons::YesNo, MessageResult::No) != MessageResult::Yes)
        return false;
    }
    const std::string output = useTemporary ? temporary : target;
    if (savesOuterBlocks(mode)) options_.lastSaveFolder = folderOf(target);

    for (size_t b = 0; b < kBlockCount; ++b) settings.remove[b] = removeChecked(Block(b));
    settings.writeId3v1 = enabled(Command::RemoveId3v1) && !removeChecked(Block::Id3v1);
    settings.durable = useTemporary;
    settings.keepGapless = !options_.dropGaplessInfo;

    host_.progress(0);
    EditorSaveObserver observer(*this);
    const WriteResult result = writeDocument(doc_, output, settings, observer);
    host_.progress(-1);

    if (result.outcome != WriteResult::Outcome::Written) {
      // Whatever was written is incomplete: it must not pass for a saved file.
      if (result.outputCreated) ::unlink(output.c_str());
      if (result.outcome == WriteResult::Outcome::Failed) {
        failSave(result.message, mode);
      } else if (scriptRunning) {
        operationStatus = kStatusSaveFailed;
        lineError = msg::kEscPressed;
      }
      return false;
    }
    if (mode == SaveMode::Save || mode == SaveMode::SaveAs) doc_.modified = false;
    if (result.id3v2Failed) {
      operationStatus = kStatusTagNotWritten;
      if (!scriptRunning)
        host_.messageBox(msg::kTagNotWritten, msg::kWritingId3v2Caption, MessageIcon::Exclamation,
                         MessageButtons::Ok, MessageResult::Ok);
    }

    bool sourceReplaced = false;
    if (useTemporary) {
      copyPermissions(target, output);
      // rename() swaps the new file in under the old name in one step: at
      // any moment the name holds either the complete old or the complete
      // new file.
      if (::rename(output.c_str(), target.c_str()) != 0) {
        if (scriptRunning) {
          operationStatus = kStatusRenameFailed;
          lineError = msg::kRenameFailed;
        } else {
          lineError = msg::kRenameFailed;
          host_.messageBox(msg::kRenameFailed, msg::kWarningCaption, MessageIcon::Exclamation,
                           MessageButtons::Ok, MessageResult::Ok);
        }
        doc_.documentName = target;
        return false;
      }
      syncFolder(folderOf(target));
      sourceReplaced = replacesInPlace && (targetIsSource || equalsIgnoringCase(target, doc_.loadPath));
    }
    if (replacesInPlace) {
      lastSavedFile = target;  // what "play output" plays
      saveConfiguration();     // the remembered save folder
    }
    if (sourceReplaced) {
      // The frames pointed into the file that is gone.
      unload(false);
      busy.release();
      if (options_.autoReload && !host_.closingRequested() && !scriptRunning) {
        const uint8_t status = operationStatus;
        loadDocument(false);
        if (operationStatus == kStatusOk) operationStatus = status;
      }
      return true;
    }
    if (mode == SaveMode::SaveAs) doc_.documentName = target;
    notify(ViewChange::Document);
    return true;
  } catch (const std::exception&) {
    failSave(msg::kDiskError, mode);
    return false;
  }
}

void Editor::processId3v1() {
  ReadFile file(doc_.loadPath);
  if (file.isOpen() && readId3v1(file, doc_.layout.id3v1Pos, doc_.id3v1Record)) {
    doc_.loadedId3v1Record = doc_.id3v1Record;
    return;
  }
  doc_.id3v1Record.reset();
  doc_.loadedId3v1Record.reset();
  if (!(scriptRunning && silentMode))
    host_.messageBox(msg::kId3v1ReadError, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
}

}  // namespace kavrel
