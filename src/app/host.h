#pragma once
// Everything the core asks of the outside world. The Qt main window, the
// headless host of command-line runs and the tests' recording host implement
// it; the core never talks to a display itself.

#include <cstddef>
#include <optional>
#include <string>

#include "audio/audio_plan.h"
#include "settings/options.h"
#include "editing/gain_ops.h"
#include "editing/silence.h"
#include "editing/split_plan.h"

namespace kavrel {

enum class MessageIcon { None, Information, Question, Exclamation, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageResult { Ok, Cancel, Yes, No };

// What changed, so a front end knows what to redraw.
enum class ViewChange { Document, Selection, Controls, Statistics };

// A file dialog as the core words it. The filter is "name|patterns|name|
// patterns..." ("ini files|*.ini|all files|*.*").
struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string folder;    // where the dialog opens
  std::string fileName;  // filled in (save dialogs)
  std::string filter;
  std::string defaultExtension;   // added to a typed name without one (save dialogs)
  bool confirmOverwrite = false;  // the dialog itself asks before replacing a file
};

class Host {
 public:
  virtual ~Host() = default;

  // A modal message box; returns the pressed button. Texts arrive as the
  // program words them (CR LF line breaks); the display adds its trailing
  // blank to text and caption.
  virtual MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                   MessageButtons buttons, MessageResult defaultButton) = 0;

  // Lets pending window events run during long operations.
  virtual void processEvents() = 0;
  // True once after the user pressed Esc (the flag is consumed).
  virtual bool escapePressed() = 0;
  // True while the main window is being closed.
  virtual bool closingRequested() = 0;

  // Progress of a long operation as 0..56 blocks; -1 ends the display.
  virtual void progress(int blocks) = 0;
  // Hourglass cursor on or off.
  virtual void setBusy(bool busy) = 0;
  // Something the views show has changed.
  virtual void viewChanged(ViewChange change) = 0;
  // The document is about to be closed or reloaded: windows that edit its
  // tags close (their changes are not kept).
  virtual void closeDocumentWindows() {}

  // The save dialog, opened in `folder` with `fileName` filled in: the chosen
  // path, or nothing when cancelled. The caller asks before overwriting.
  // A host without a display has no dialog and cancels.
  virtual std::optional<std::string> chooseSaveFile(const std::string& /*folder*/, const std::string& /*fileName*/) {
    return std::nullopt;
  }

  // The open dialog with `title`, starting in `folder`: an existing file the
  // user chose, or nothing when cancelled. A host without a display cancels.
  virtual std::optional<std::string> chooseOpenFile(const std::string& /*title*/, const std::string& /*folder*/) {
    return std::nullopt;
  }

  // Any other file dialog. A host that only has the two choosers above gets
  // them called with the request's folder and name.
  virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) {
    return request.save ? chooseSaveFile(request.folder, request.fileName)
                        : chooseOpenFile(request.title, request.folder);
  }

  // Where window `slot` (0 the main window, then the dialogs) sits when it
  // is centred on the screen. Without a screen every window starts at 0, 0.
  virtual WindowPosition centredWindowPosition(size_t /*slot*/) { return {}; }

  // The editing dialogs: each shows its state as computed by the core and
  // returns what the user chose when OK closed it, or nothing when it was
  // cancelled (Esc, closed, or left without OK). A host without a display
  // cancels.
  virtual std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState& /*state*/) {
    return std::nullopt;
  }
  virtual std::optional<FadeDialogResult> fadeDialog(const FadeDialogState& /*state*/) { return std::nullopt; }
  virtual std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState& /*state*/) {
    return std::nullopt;
  }
  virtual std::optional<SplitDialogResult> splitDialog(const SplitDialogState& /*state*/) {
    return std::nullopt;
  }
  virtual std::optional<SaveSelectionDialogResult> saveSelectionDialog(
      const SaveSelectionDialogState& /*state*/) {
    return std::nullopt;
  }
  // The audio dialogs: normalisation, and the split into numbered parts at
  // silences.
  virtual std::optional<NormalizeRequest> normalizeDialog(const NormalizeDialogState& /*state*/) {
    return std::nullopt;
  }
  virtual std::optional<PartSplitRequest> silenceSplitDialog(const SilenceSplitDialogState& /*state*/) {
    return std::nullopt;
  }
};

}  // namespace kavrel
