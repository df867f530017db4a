#pragma once
// The program among others on this system: where it keeps its files, which
// leftovers it cleans at start, how running copies know of each other and
// close each other, what the command line asks for, and the help files.

#include <functional>
#include <string>
#include <vector>

namespace kavrel {

// --- the data folder (kavrel.ini, work files, help files)

// The folder of the running executable; "" when the system does not say.
std::string executableFolder();
// $KAVREL_HOME when set; else the executable's folder when it is writable
// (portable use); else $XDG_CONFIG_HOME/kavrel (~/.config/kavrel). The
// folder is created when missing. "" when none can be used. No trailing "/".
std::string discoverDataFolder();

// The work files an earlier run may have left in the data folder.
std::vector<std::string> temporaryFileNames();
// The work files tag fields are viewed through, one of each per process so
// that running copies never write into each other's: kavrel.tag.txt.<pid>
// and kavrel.tag.image.<pid>.<extension> in `folder` (the system's
// temporary folder when ""). A viewer may still read them when the program
// goes on, so they stay until the next start cleans them.
std::string textViewFilePath(const std::string& folder);
std::string imageViewFilePath(const std::string& folder, const std::string& extension);
// Deletes the leftovers in `folder`, the per-process work files of every
// process included; what cannot be deleted stays. Returns how many files
// went.
int cleanTemporaryFiles(const std::string& folder);

// --- running copies
//
// Every copy holds a shared lock on Kavrel4EXN.lock in the runtime folder
// for as long as it runs; a copy that starts while another holds it is a
// second instance. A copy with a window also listens on a local socket
// Kavrel4EXN/<pid>.sock there, through which exit-all asks it to close.

// $XDG_RUNTIME_DIR, else /tmp/kavrel-<uid> (created, private to the user).
std::string runtimeFolder();

class InstanceRegistry {
 public:
  // `folder`: the runtime folder ("" = runtimeFolder()).
  explicit InstanceRegistry(std::string folder = {});
  ~InstanceRegistry();
  InstanceRegistry(const InstanceRegistry&) = delete;
  InstanceRegistry& operator=(const InstanceRegistry&) = delete;

  // Registers this copy; true when another copy was running already.
  bool registerCopy();
  bool secondInstance() const { return secondInstance_; }

  // Starts listening for close requests; false when the socket cannot be
  // made (the copy then simply cannot be closed from outside).
  bool listen();
  // The listening socket (-1 when not listening), for the event loop to watch.
  int listenFd() const { return listenFd_; }
  // Takes the waiting connections; true when one of them asked this copy
  // to close. Never blocks.
  bool takeCloseRequest();

  // Asks every other running copy to close, giving each up to `waitMs` to
  // end while `letEventsRun` keeps this copy's window alive. Returns how
  // many copies were asked.
  int exitAll(const std::function<void()>& letEventsRun, int waitMs = 400);

  std::string socketFolder() const;

 private:
  std::string folder_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  std::string socketPath_;
  std::vector<int> peers_;  // held open until this copy ends: the asker waits for their end
  bool secondInstance_ = false;
};

// Asks the copies listening in `runtimeFolder` (other than this process) to
// close; the same as InstanceRegistry::exitAll without registering.
int exitAllCopies(const std::string& runtimeFolder, const std::function<void()>& letEventsRun,
                  int waitMs = 400);

// --- the command line of the window

struct StartupRequest {
  enum class Kind { None, OpenFile, RunScript } kind = Kind::None;
  std::string path;
};
// One parameter is acted on: --script=PATH runs a script, anything else is
// a file to open. No parameter or several: nothing.
StartupRequest decideStartup(const std::vector<std::string>& args);

// --- help

inline constexpr const char* kHelpFileName = "kavrel.local.help.file.htm";
inline constexpr const char* kScriptTutorialFileName = "kavrel.script.tutorial.htm";
// Where a help file is looked for: the data folder, then the executable's
// folder, then ../share/kavrel beside it. The first existing one, else the
// data folder's.
std::string helpFilePath(const std::string& dataFolder, const std::string& name);

}  // namespace kavrel
