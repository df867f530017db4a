#include "base/paths.h"
#include "document/save_messages.h"
#include "script/runner.h"

#include <algorithm>
#include <filesystem>

#include "settings/configuration.h"
#include "platform/desktop.h"
#include "app/shell_messages.h"
#include "document/messages.h"
#include "script/log.h"
#include "script/messages.h"

namespace kavrel {

namespace {

// A line this long (in bytes) is over the limit in any encoding; what
// follows is not kept.
constexpr size_t kLineKeepBytes = 4 * (kMaxScriptLine + 1);

// The open dialog of scripts (run and edit).
FileDialogRequest scriptDialog(const std::string& folder) {
  FileDialogRequest r;
  r.title = msg::kChooseScriptTitle;
  r.folder = folder;
  r.filter = "text files|*.txt|all files|*.*";
  return r;
}

// The save dialog of the log path.
FileDialogRequest logDialog(const std::string& folder, const std::string& name) {
  FileDialogRequest r;
  r.save = true;
  r.title = " - choose log file - ";
  r.folder = folder;
  r.fileName = name;
  r.filter = "log files|*.log|text files|*.txt|all files|*.*";
  r.defaultExtension = "log";
  return r;
}



}  // namespace

std::string scriptFileName(const std::string& path) { return fileNameOf(path); }

// ------------------------------------------------------------ reading

ScriptFileReader::ScriptFileReader(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb")), buffer_(65536) {}

ScriptFileReader::~ScriptFileReader() {
  if (file_) std::fclose(file_);
}

int ScriptFileReader::get() {
  if (pos_ == len_) {
    if (eof_) return EOF;
    len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (len_ == 0) {
      error_ = std::ferror(file_) != 0;
      eof_ = true;
      return EOF;
    }
  }
  return static_cast<unsigned char>(buffer_[pos_++]);
}

ScriptFileReader::Result ScriptFileReader::next(std::string& line) {
  line.clear();
  if (!file_) return Result::Error;
  bool any = false;
  for (;;) {
    const int c = get();
    if (c == EOF) {
      if (error_) return Result::Error;
      if (!any) return Result::End;
      break;
    }
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (c == '\n') continue;
    }
    any = true;
    if (c == '\n') break;
    if (c == '\r') {
      skipLineFeed_ = true;
      break;
    }
    if (line.size() < kLineKeepBytes) line += char(c);
  }
  if (firstLine_) {
    firstLine_ = false;
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  }
  return Result::Line;
}

// ------------------------------------------------------------ runs

ScriptRunner::ScriptRunner(Editor& editor) : editor_(editor), engine_(editor) {
  engine_.lineErrorHandler = [this](const std::string& text) { return lineErrorHandler(text); };
  engine_.logLine = [this](const std::string& text) {
    if (editor_.silentMode) logAppend(text);
  };
  saveConfiguration = [this] { editor_.saveConfiguration(); };
  openWithDesktop = [this](const std::string& path) {
    const int result = editor_.shellOpener ? editor_.shellOpener(path) : kShellNoAssociation;
    if (result < kShellSuccess) message(shellErrorText(result), msg::kSystemErrorCaption, MessageIcon::Stop);
  };
}

std::string ScriptRunner::logPath() const { return effectiveLogPath(editor_.options()); }

void ScriptRunner::logAppend(const std::string& text) { kavrel::logAppend(logPath(), text); }

void ScriptRunner::report(const std::string& text) {
  if (editor_.silentMode) {
    logAppend(text);
  } else {
    editor_.host().messageBox(text, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                              MessageResult::Ok);
  }
}

bool ScriptRunner::lineErrorHandler(const std::string& lineError) {
  if (editor_.silentMode) {
    logAppend(lineError);
    return !editor_.options().silentIgnoreErrors;
  }
  const MessageResult answer =
      editor_.host().messageBox(lineError + msg::kIgnoreAndContinue, msg::kScriptErrorCaption,
                                MessageIcon::Exclamation, MessageButtons::OkCancel, MessageResult::Ok);
  return answer != MessageResult::Ok;
}

RunResult ScriptRunner::batchExecute(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    report(msg::kScriptMissing);
    return RunResult::ScriptMissing;
  }
  RunResult result = RunResult::Completed;
  {
    ScriptFileReader reader(path);
    if (!reader.isOpen()) {
      report(msg::kScriptReadError);
      result = RunResult::ReadError;
    } else {
      engine_.startRun();
      editor_.scriptRunning = true;
      std::string line;
      for (;;) {
        const ScriptFileReader::Result r = reader.next(line);
        if (r == ScriptFileReader::Result::End) break;
        if (r == ScriptFileReader::Result::Error) {
          report(msg::kScriptReadError);
          result = RunResult::ReadError;
          break;
        }
        bool stop = true;
        try {
          stop = engine_.processLine(line);
        } catch (const std::exception& e) {
          // Nothing below is meant to throw; should it, the run ends here
          // with the reason in the log or a box instead of taking the
          // program down.
          editor_.lineError = std::string("Unexpected error: ") + e.what();
          lineErrorHandler(editor_.lineError);
          stop = true;
        }
        if (stop) {
          result = RunResult::Stopped;
          break;
        }
      }
    }
  }
  if (editor_.silentMode) return result;
  if (!editor_.options().lockScriptsOrder) putRecentScript(path);
  editor_.scriptRunning = false;
  if (editor_.options().showMessageBoxAfterRun)
    message(msg::kScriptExecuted + scriptFileName(path), msg::kProgramCaption, MessageIcon::Information);
  return result;
}

RunResult ScriptRunner::runSilent(const std::string& path) {
  editor_.scriptRunning = true;
  editor_.silentMode = true;
  logAppend(std::string("\r\n") + msg::kLogScriptName + path + "\r\n" + msg::kLogStarted +
            localDateTimeText());
  const RunResult result = batchExecute(path);
  logAppend(msg::kLogFinished + localDateTimeText());
  return result;
}

// ------------------------------------------------------------ recent scripts and menu

void ScriptRunner::message(const std::string& text, const std::string& caption, MessageIcon icon) {
  editor_.host().messageBox(text, caption, icon, MessageButtons::Ok, MessageResult::Ok);
}

void ScriptRunner::configurationChanged() {
  editor_.host().viewChanged(ViewChange::Controls);
  if (saveConfiguration) saveConfiguration();
}

void ScriptRunner::putRecentScript(const std::string& path) {
  putRecent(editor_.options().recentScripts, path);
  configurationChanged();
}

std::optional<std::string> ScriptRunner::recentScriptCaption(int i) const {
  if (i < 0 || i >= 5) return std::nullopt;
  const std::string& path = editor_.options().recentScripts[size_t(i)];
  if (path.empty()) return std::nullopt;
  return recentCaption(i, path);
}

void ScriptRunner::runRecentScript(int i) {
  if (!menuIdle() || i < 0 || i >= 5) return;
  const std::string path = editor_.options().recentScripts[size_t(i)];
  if (!path.empty()) batchExecute(path);
}

void ScriptRunner::scriptLoadCommand() {
  if (!menuIdle()) return;
  Options& o = editor_.options();
  const std::string folder = o.lastScriptFolder.empty() ? homeFolder() : o.lastScriptFolder;
  const std::optional<std::string> chosen = editor_.host().chooseFile(scriptDialog(folder));
  if (!chosen || chosen->empty()) return;
  o.lastScriptFolder = folderOf(*chosen);
  configurationChanged();
  batchExecute(*chosen);
}

void ScriptRunner::toggleLockScriptsOrder() {
  if (!menuIdle()) return;
  Options& o = editor_.options();
  if (o.lockScriptsOrder) {
    o.lockScriptsOrder = false;
  } else if (std::all_of(o.recentScripts.begin(), o.recentScripts.end(),
                         [](const std::string& s) { return s.empty(); })) {
    message(msg::kLockEmptyList, msg::kNotAllowedCaption, MessageIcon::Exclamation);
  } else {
    o.lockScriptsOrder = true;
    message(msg::kLockedOrder, msg::kLockedOrderCaption, MessageIcon::Information);
  }
  editor_.host().viewChanged(ViewChange::Controls);
}

void ScriptRunner::toggleShowMessageBox() {
  if (!menuIdle()) return;
  Options& o = editor_.options();
  o.showMessageBoxAfterRun = !o.showMessageBoxAfterRun;
  if (o.showMessageBoxAfterRun)
    message(msg::kMessageBoxNote, msg::kMessageBoxNoteCaption, MessageIcon::Information);
  editor_.host().viewChanged(ViewChange::Controls);
}

void ScriptRunner::toggleSilentIgnore() {
  if (!menuIdle()) return;
  Options& o = editor_.options();
  o.silentIgnoreErrors = !o.silentIgnoreErrors;
  message(msg::kSilentModeNote, msg::kSilentModeNoteCaption, MessageIcon::Information);
  editor_.host().viewChanged(ViewChange::Controls);
}

void ScriptRunner::setProcessingErrorPolicy(ProcessingErrorPolicy policy) {
  if (!menuIdle()) return;
  editor_.options().processingErrorPolicy = policy;
  editor_.host().viewChanged(ViewChange::Controls);
}

void ScriptRunner::chooseLogLocation() {
  if (!menuIdle()) return;
  const std::string current = logPath();
  for (;;) {
    const std::optional<std::string> chosen =
        editor_.host().chooseFile(logDialog(folderOf(current), scriptFileName(current)));
    if (!chosen || chosen->empty()) return;
    const std::string folder = folderOf(*chosen);
    if (!editor_.dataFolder.empty() && equalsIgnoringCase(folder, editor_.dataFolder)) {
      message(msg::kSaveToProgramFolder, msg::kWarningCaption, MessageIcon::Exclamation);
      continue;
    }
    editor_.options().logPath = *chosen;
    configurationChanged();
    message(msg::kLogFileNote, msg::kLogFileNoteCaption, MessageIcon::Information);
    return;
  }
}

void ScriptRunner::readLogCommand() {
  if (!menuIdle()) return;
  const std::string path = logPath();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    message(msg::kLogMissing, msg::kErrorCaption, MessageIcon::Exclamation);
    return;
  }
  if (openWithDesktop) openWithDesktop(path);
}

void ScriptRunner::editScriptCommand() {
  if (!menuIdle()) return;
  Options& o = editor_.options();
  const std::string folder = o.lastScriptFolder.empty() ? homeFolder() : o.lastScriptFolder;
  const std::optional<std::string> chosen = editor_.host().chooseFile(scriptDialog(folder));
  if (!chosen || chosen->empty()) return;
  std::error_code ec;
  if (!std::filesystem::exists(*chosen, ec)) {
    message(msg::kScriptDoesntExist, msg::kWarningCaption, MessageIcon::Exclamation);
    return;
  }
  if (openWithDesktop) openWithDesktop(*chosen);
}

}  // namespace kavrel
