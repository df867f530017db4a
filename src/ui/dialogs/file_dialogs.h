#pragma once
// The file dialogs the core asks for: each returns the chosen path, or
// nothing when the user cancelled.

#include <optional>
#include <string>

#include "app/host.h"

class QWidget;

namespace kavrel {

// Save as an mp3, starting at `fileName` in `folder` (either may be empty).
// The dialog does not ask before overwriting: the caller does.
std::optional<std::string> showSaveFileDialog(QWidget* parent, const std::string& folder,
                                              const std::string& fileName);
// Open an existing mp3 (or any file), starting in `folder`.
std::optional<std::string> showOpenFileDialog(QWidget* parent, const std::string& title,
                                              const std::string& folder);
// Any other file dialog, as the core words it.
std::optional<std::string> showFileDialog(QWidget* parent, const FileDialogRequest& request);

}  // namespace kavrel
