#pragma once
// The options record: the values other parts of the program read. The
// configuration file stores and restores it.

#include <array>
#include <cstdint>
#include <string>

namespace kavrel {

enum class ProcessingErrorPolicy : uint8_t { Fail = 0, Prompt = 1, TryToContinue = 2 };

// When saving over an existing file asks first: always, only for Save As, never.
enum class OverwritePolicy : uint8_t { NeverWithoutPrompt = 0, PromptOnSaveAs = 1, Always = 2 };

struct Options {
  ProcessingErrorPolicy processingErrorPolicy = ProcessingErrorPolicy::TryToContinue;
  bool autoSelectAll = false;        // select all after a load
  bool autoRemoveUnknown = false;    // check "Remove unknown data & RIFF" after a load
  bool promptToSaveChanges = false;  // ask before closing a changed document
  int autoExit = 0;                  // 0 never, 1 when started with a file, 2 always
  bool statisticsShowEdited = false; // the statistics list shows the edited frames
  int volumeMemoryMode = 0;          // 1: the volume dialog forgets on close
  int fadeMemoryMode = 0;            // 1: the fade dialog forgets on close
  OverwritePolicy overwritePolicy = OverwritePolicy::PromptOnSaveAs;
  bool autoReload = false;           // reload after a save replaced the source file

  // --- a new ID3v2 tag
  uint8_t newTagFormat = 3;          // 2, 3 or 4 = ID3v2.2 .. 2.4; + 128 with unsynchronisation
  uint8_t newTagPadding = 0;         // 0..6 = 0, 2, 4, 16, 64, 256, 1024 bytes
  bool dontWriteEmptyTagFields = false;  // leave out fields without content and description

  // --- script runs
  bool showMessageBoxAfterRun = false;  // "Script executed:" after an interactive run
  bool silentIgnoreErrors = true;       // a silent run logs a failed line and goes on
  bool lockScriptsOrder = false;        // runs leave the recent scripts in their order
  std::array<std::string, 5> recentScripts;  // full paths, most recent first; "" unused
  std::string logPath;                  // "" = the default log, ~/kavrel.log
  std::string lastScriptFolder;         // "" = the home folder
};

}  // namespace kavrel
