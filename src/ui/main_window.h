#pragma once
// The editor window. For now it opens files and shows what the loader
// found: the information labels, the remove check boxes and the frame
// statistics list. It talks to the core only through Editor.

#include <QMainWindow>
#include <memory>

#include "app/editor.h"
#include "app/host.h"

class QLabel;
class QListWidget;
class QCheckBox;

namespace kavrel {

class MainWindow final : public QMainWindow, public Host {
  Q_OBJECT
 public:
  MainWindow();
  ~MainWindow() override;

  Editor& editor() { return *editor_; }
  void openFile(const QString& path);

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
  void chooseFile();

  std::unique_ptr<Editor> editor_;
  QLabel* labInfoInput_ = nullptr;
  QLabel* labInfoOutput_ = nullptr;
  QLabel* fileInLabel_ = nullptr;
  QLabel* progress_ = nullptr;
  QListWidget* kbpsbox_ = nullptr;
  QCheckBox* boxes_[kBlockCount] = {};
  bool escape_ = false;
  bool closing_ = false;
};

}  // namespace kavrel
