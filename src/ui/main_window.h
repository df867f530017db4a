#pragma once
// The editor window: the loaded file's name, the information labels, the
// remove check boxes and the frame statistics list, under the File, Edit,
// Play, Options, Scripts and Help menus (main_window_shell.cpp). It is the
// core's Host: message boxes, progress and the busy cursor, the file dialogs
// and the editing dialogs (ui/dialogs/). It talks to the core only through
// Editor and ScriptRunner.

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/editor.h"
#include "app/host.h"
#include "app/shell.h"

class QAction;
class QMenu;
class QSocketNotifier;
class QLabel;
class QListWidget;
class QCheckBox;

namespace kavrel {

class ScriptRunner;

class MainWindow final : public QMainWindow, public Host {
  Q_OBJECT
 public:
  MainWindow();
  ~MainWindow() override;

  Editor& editor() { return *editor_; }
  ScriptRunner& runner() { return *runner_; }
  void openFile(const QString& path);

  // The start of the program around the window: data folder, this copy's
  // registration, leftovers, kavrel.ini, the window position; then, once
  // the window shows, the start-up notice and the command line (`args`
  // without the program name). Call before show().
  void start(const std::vector<std::string>& args);
  // Exit (no questions) and Exit all instances.
  void exitProgram();
  void exitAllInstances();
  // Another copy asked this one to close: it closes as its close box
  // would, without asking about unsaved changes.
  void closeFromOutside();
  QAction* action(const char* name) const;

  // Host
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons, MessageResult defaultButton) override;
  void processEvents() override;
  bool escapePressed() override;
  bool closingRequested() override { return closing_; }
  void progress(int blocks) override;
  void setBusy(bool busy) override;
  void viewChanged(ViewChange change) override;
  std::optional<std::string> chooseSaveFile(const std::string& folder, const std::string& fileName) override;
  std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& folder) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  WindowPosition centredWindowPosition(size_t slot) override;
  std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState& state) override;
  std::optional<FadeDialogResult> fadeDialog(const FadeDialogState& state) override;
  std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState& state) override;
  std::optional<SplitDialogResult> splitDialog(const SplitDialogState& state) override;
  std::optional<SaveSelectionDialogResult> saveSelectionDialog(const SaveSelectionDialogState& state) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void refresh();
  void buildMenus();
  void refreshRecentFiles();
  void refreshMenus();
  void refreshCommands();
  void showStartupNotice();
  void actOnCommandLine();
  void afterCommand();

  std::unique_ptr<Editor> editor_;
  QLabel* labInfoInput_ = nullptr;
  QLabel* labInfoOutput_ = nullptr;
  QLabel* fileInLabel_ = nullptr;
  QLabel* progress_ = nullptr;
  QListWidget* kbpsbox_ = nullptr;
  QCheckBox* boxes_[kBlockCount] = {};
  bool escape_ = false;
  bool closing_ = false;
  bool closeWithoutQuestions_ = false;

  std::unique_ptr<ScriptRunner> runner_;
  std::unique_ptr<InstanceRegistry> registry_;
  QSocketNotifier* closeRequests_ = nullptr;
  StartupState startup_;
  StartupRequest commandLine_;
  std::array<QAction*, 5> recentFiles_{};
  std::array<QAction*, 5> recentScripts_{};
  std::vector<std::pair<OptionItem, QAction*>> optionActions_;
  std::vector<std::pair<Command, QAction*>> commandActions_;
};

}  // namespace kavrel
