#pragma once
// Running script files: interactively (Scripts menu, recent scripts) with
// message boxes, or silently from the command line with a log. Also the
// Scripts-menu options that steer runs.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/editor.h"
#include "script/line_processor.h"

namespace kavrel {

enum class RunResult {
  Completed,      // every line was processed (failed lines may have been ignored)
  ScriptMissing,  // the script file does not exist
  ReadError,      // the script file could not be opened or read
  Stopped,        // a failed line stopped the run
};

// Reads a script file line by line: CR LF, LF and a lone CR end a line, a
// missing final line end is fine, a UTF-8 byte order mark is dropped. An
// overlong line is kept only far enough to be recognised as overlong.
class ScriptFileReader {
 public:
  explicit ScriptFileReader(const std::string& path);
  ~ScriptFileReader();
  ScriptFileReader(const ScriptFileReader&) = delete;
  ScriptFileReader& operator=(const ScriptFileReader&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  enum class Result { Line, End, Error };
  Result next(std::string& line);

 private:
  int get();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
  bool error_ = false;
  bool skipLineFeed_ = false;
  bool firstLine_ = true;
};

class ScriptRunner {
 public:
  explicit ScriptRunner(Editor& editor);

  ScriptEngine& engine() { return engine_; }

  // Runs one script file (all three ways of starting a run end here).
  RunResult batchExecute(const std::string& path);
  // A silent run: log header, the run, log footer. ScriptRunning and
  // SilentMode stay on afterwards; the program is expected to end.
  RunResult runSilent(const std::string& path);

  // After a failed line: true to stop the run.
  bool lineErrorHandler(const std::string& lineError);
  // The log in silent mode, a warning box otherwise.
  void report(const std::string& text);
  void logAppend(const std::string& text);
  std::string logPath() const;

  // --- recent scripts and the Scripts menu (none acts while the editor is
  // busy or a script runs)
  void putRecentScript(const std::string& path);
  // Menu caption of recent script i (0..4); nullopt for an empty entry.
  std::optional<std::string> recentScriptCaption(int i) const;
  void runRecentScript(int i);
  // Choose a script in the open dialog and run it.
  void scriptLoadCommand();
  void toggleLockScriptsOrder();
  void toggleShowMessageBox();
  void toggleSilentIgnore();
  void setProcessingErrorPolicy(ProcessingErrorPolicy policy);
  // The save dialog for the log path; refuses the program's own folder.
  void chooseLogLocation();
  // Open the log / a chosen script with the desktop's program for it.
  void readLogCommand();
  void editScriptCommand();

  // Stores the configuration after a change of a remembered list, folder or
  // path (kavrel.ini of the editor unless replaced).
  std::function<void()> saveConfiguration;
  // Opens a file with the desktop's associated program, reporting a
  // failure with the shell's error text.
  std::function<void(const std::string& path)> openWithDesktop;

 private:
  bool menuIdle() const { return !editor_.isBusy() && !editor_.scriptRunning; }
  void message(const std::string& text, const std::string& caption, MessageIcon icon);
  void configurationChanged();

  Editor& editor_;
  ScriptEngine engine_;
};

// File name without its folder.
std::string scriptFileName(const std::string& path);

}  // namespace kavrel
