#include "app/shell.h"

#include "settings/configuration.h"
#include "app/editor.h"

namespace kavrel {

StartupState startProgram(Editor& editor, InstanceRegistry& registry) {
  StartupState state;
  state.secondInstance = registry.registerCopy();
  state.dataFolder = discoverDataFolder();
  if (state.dataFolder.size() < 2) {
    state.notice = StartupNotice::WorkingFolderUnknown;
    return state;
  }
  if (!state.secondInstance) cleanTemporaryFiles(state.dataFolder);
  editor.dataFolder = state.dataFolder;
  editor.configurationPath = state.dataFolder + "/" + kConfigurationFileName;
  if (!editor.loadConfiguration()) state.notice = StartupNotice::ConfigurationReset;
  return state;
}

}  // namespace kavrel
