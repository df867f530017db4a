#pragma once
// The start of every run, with or without a window.

#include <string>

#include "platform/instances.h"

namespace kavrel {

class Editor;

// What waits to be shown once the window is up.
enum class StartupNotice { None, WorkingFolderUnknown, ConfigurationReset };

struct StartupState {
  std::string dataFolder;
  bool secondInstance = false;
  StartupNotice notice = StartupNotice::None;
};

// Finds the data folder, registers the copy, cleans the leftovers unless
// another copy runs, and loads kavrel.ini into `editor` (dataFolder and
// configurationPath set). The notice says what the user must be told.
StartupState startProgram(Editor& editor, InstanceRegistry& registry);

}  // namespace kavrel
