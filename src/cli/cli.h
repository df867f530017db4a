#pragma once
// The command-line modes of the kavrel executable that need no display.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kavrel {

// Handles the arguments when they ask for a headless mode (--info FILE,
// --script=SCRIPT, --help, --version) and returns the exit status; nullopt when the GUI
// should start.
std::optional<int> runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A silent script run (--script=PATH): the log gets the run's header, every
// failed line and its footer. 0 when the run completed, 1 when a failed line
// stopped it, 3 when the script file is missing or unreadable.
int runScriptSilently(const std::string& path, std::ostream& err);

// Prints the loaded file's layout, frame count, information text and
// statistics list, with `loudness` also the loudness of the audio; returns
// the exit status.
int printFileInfo(const std::string& path, std::ostream& out, std::ostream& err, bool loudness = false);

}  // namespace kavrel
