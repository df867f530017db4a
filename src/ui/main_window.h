#pragma once
// The editor window: a fixed canvas (FrameViewWidget) holding the frame
// strip and scroll bar, with the file buttons, the information and path
// labels, the remove check boxes and their view buttons, the statistics
// list, the two position boxes with their stepping buttons and the editing
// buttons placed on it; under the File, Edit, Play, Options, Scripts and Help
// menus (main_window_shell.cpp). It is the core's Host: message boxes,
// progress and the busy cursor, the file dialogs and the editing dialogs
// (main_window_dialogs.cpp, ui/dialogs/). It talks to the core only through
// Editor and ScriptRunner; what a control may do is the core's command
// availability, applied in one place (refreshCommands).

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>
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
class QLineEdit;
class QListWidget;
class QCheckBox;
class QPushButton;
class QTimer;
class QWidget;

namespace kavrel {

class ScriptRunner;
class FrameViewWidget;
class Id3v1EditorWindow;
class Id3v2EditorWindow;

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
  FrameViewWidget* frameView() const { return canvas_; }

  // Host
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons, MessageResult defaultButton) override;
  void processEvents() override;
  bool escapePressed() override;
  bool closingRequested() override { return closing_; }
  void progress(int blocks) override;
  void setBusy(bool busy) override;
  void viewChanged(ViewChange change) override;
  void closeDocumentWindows() override;
  std::optional<std::string> chooseSaveFile(const std::string& folder, const std::string& fileName) override;
  std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& folder) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  WindowPosition centredWindowPosition(size_t slot) override;
  std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState& state) override;
  std::optional<FadeDialogResult> fadeDialog(const FadeDialogState& state) override;
  std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState& state) override;
  std::optional<SplitDialogResult> splitDialog(const SplitDialogState& state) override;
  std::optional<SaveSelectionDialogResult> saveSelectionDialog(const SaveSelectionDialogState& state) override;
  std::optional<NormalizeRequest> normalizeDialog(const NormalizeDialogState& state) override;
  std::optional<PartSplitRequest> silenceSplitDialog(const SilenceSplitDialogState& state) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The Audio menu's cue-sheet commands: their file choosers, then the editor.
  void exportCueSheet(bool atSilences);
  void splitAlongCueSheet();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void refresh();
  void buildControls();
  void buildMenus();
  // A key for the window's key map; true when it goes no further.
  bool handleKey(QKeyEvent* event);
  void runKeyCommand(KeyCommand command);
  // A push button placed on the canvas that runs `run` and refreshes.
  QPushButton* commandButton(const char* name, const QString& caption, const QString& hint, QRect geometry,
                             std::optional<Command> command, std::function<void()> run);
  void stepButtonPressed(int code);
  void stepButtonReleased();
  void positionEdited(int k);
  void positionEntered(int k);
  void showAbout();
  // A view button of the remove group: the block's viewer or tag editor
  // (main_window_tags.cpp).
  void openBlockView(Command command);
  void refreshRecentFiles();
  void refreshMenus();
  void refreshCommands();
  void showStartupNotice();
  void actOnCommandLine();
  void afterCommand();

  std::unique_ptr<Editor> editor_;
  FrameViewWidget* canvas_ = nullptr;
  QLabel* labInput_ = nullptr;
  QLabel* labOutput_ = nullptr;
  QLabel* labInfoInput_ = nullptr;
  QLabel* labInfoOutput_ = nullptr;
  QLabel* fileInLabel_ = nullptr;
  QLabel* fileOutLabel_ = nullptr;
  QLabel* labSelLen_ = nullptr;
  std::array<QLineEdit*, 2> positionBoxes_{};
  QPushButton* selClrBut_ = nullptr;
  QListWidget* kbpsbox_ = nullptr;
  QCheckBox* boxes_[kBlockCount] = {};
  QTimer* buttonTimer_ = nullptr;
  bool refreshing_ = false;
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
  std::vector<std::pair<Command, QWidget*>> commandWidgets_;
  QPointer<Id3v1EditorWindow> id3v1Editor_;
  QPointer<Id3v2EditorWindow> id3v2Editor_;
};

}  // namespace kavrel
