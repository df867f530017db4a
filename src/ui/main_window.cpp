#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>
#include <memory>

#include "app/shell_messages.h"
#include "script/runner.h"
#include "ui/dialogs/file_dialogs.h"
#include "ui/qt_strings.h"

namespace kavrel {

MainWindow::MainWindow()
    : editor_(std::make_unique<Editor>(*this)), runner_(std::make_unique<ScriptRunner>(*editor_)) {
  setWindowTitle(q(msg::kMainCaption));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  fileInLabel_ = new QLabel(central);
  fileInLabel_->setObjectName("FileInLabel");
  labInfoInput_ = new QLabel(q(editor_->labInfoInput), central);
  labInfoInput_->setObjectName("LabInfoInput");
  labInfoOutput_ = new QLabel(central);
  labInfoOutput_->setObjectName("LabInfoOutput");
  progress_ = new QLabel(central);
  progress_->setObjectName("ProgressBlocks");
  layout->addWidget(fileInLabel_);
  layout->addWidget(labInfoInput_);
  layout->addWidget(labInfoOutput_);
  layout->addWidget(progress_);

  auto* group = new QGroupBox(" Check to remove, click to view/edit ", central);
  group->setObjectName("GroupRemove");
  auto* groupLayout = new QVBoxLayout(group);
  static const char* kLabels[kBlockCount] = {"RIFF header", "ID3v2 tag", "Unknown header",
                                             "Unknown footer", "Lyrics3", "ID3v1 tag"};
  static const char* kBoxNames[kBlockCount] = {"RiffCheck",  "HeadTagCheck", "UheadCheck",
                                               "UfootCheck", "Lyrics3Check", "FootTagCheck"};
  for (size_t b = 0; b < kBlockCount; ++b) {
    auto* box = new QCheckBox(kLabels[b], group);
    box->setObjectName(kBoxNames[b]);
    connect(box, &QCheckBox::toggled, this, [this, b](bool on) { editor_->setRemoveChecked(Block(b), on); });
    groupLayout->addWidget(box);
    boxes_[b] = box;
  }
  layout->addWidget(group);

  kbpsbox_ = new QListWidget(central);
  kbpsbox_->setObjectName("kbpsbox");
  kbpsbox_->setToolTip("Right click to switch between input and edited stats");
  kbpsbox_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(kbpsbox_, &QListWidget::customContextMenuRequested, this, [this] {
    editor_->chooseOption(editor_->options().statisticsShowEdited ? OptionItem::InputStats
                                                                  : OptionItem::OutputStats);
    refresh();
  });
  layout->addWidget(kbpsbox_);
  setCentralWidget(central);

  buildMenus();
  refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::openFile(const QString& path) {
  editor_->loadFile(str(path));
  afterCommand();
}

void MainWindow::afterCommand() {
  refresh();
  // The window was asked to close while a load or save ran: finish closing now.
  if (closing_ && !editor_->document().busy) close();
}

MessageResult MainWindow::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons, MessageResult defaultButton) {
  QMessageBox box(this);
  box.setText(q(text) + " ");
  box.setWindowTitle(q(caption) + " ");
  switch (icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::None: break;
  }
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MessageButtons::Ok: set = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(set);
  auto toQt = [](MessageResult r) {
    switch (r) {
      case MessageResult::Ok: return QMessageBox::Ok;
      case MessageResult::Cancel: return QMessageBox::Cancel;
      case MessageResult::Yes: return QMessageBox::Yes;
      case MessageResult::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
  };
  box.setDefaultButton(toQt(defaultButton));
  switch (box.exec()) {
    case QMessageBox::Cancel: return MessageResult::Cancel;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    default: return MessageResult::Ok;
  }
}

std::optional<std::string> MainWindow::chooseSaveFile(const std::string& folder, const std::string& fileName) {
  return showSaveFileDialog(this, folder, fileName);
}

std::optional<std::string> MainWindow::chooseOpenFile(const std::string& title, const std::string& folder) {
  return showOpenFileDialog(this, title, folder);
}

void MainWindow::processEvents() { QApplication::processEvents(); }

bool MainWindow::escapePressed() {
  const bool pressed = escape_;
  escape_ = false;
  return pressed;
}

void MainWindow::progress(int blocks) {
  progress_->setText(blocks < 0 ? QString() : QString(blocks, QChar(0x2588)));
}

void MainWindow::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    menuBar()->setEnabled(false);
  } else {
    QApplication::restoreOverrideCursor();
    menuBar()->setEnabled(true);
  }
}

void MainWindow::viewChanged(ViewChange) { refresh(); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) escape_ = true;
  QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (editor_->document().busy) {
    closing_ = true;
    event->ignore();
    return;
  }
  editor_->options().windowPositions[0] = {int32_t(x()), int32_t(y())};
  if (closeWithoutQuestions_) {
    if (!editor_->startupNoticePending) editor_->saveConfiguration();
  } else if (!editor_->closeWindowQuery()) {
    closing_ = false;
    event->ignore();
    refresh();
    return;
  }
  event->accept();
}

void MainWindow::refresh() {
  const Document& doc = editor_->document();
  fileInLabel_->setText(q(doc.documentLoaded ? doc.loadPath : std::string()));
  labInfoInput_->setText(q(editor_->labInfoInput));
  labInfoOutput_->setText(q(editor_->labInfoOutput));
  labInfoOutput_->setVisible(editor_->labOutputVisible);
  for (size_t b = 0; b < kBlockCount; ++b) {
    const QSignalBlocker block(boxes_[b]);
    boxes_[b]->setEnabled(editor_->enabled(removeCommand(Block(b))));
    boxes_[b]->setChecked(editor_->removeChecked(Block(b)));
  }
  const StatisticsList list = editor_->statisticsList();
  kbpsbox_->clear();
  for (const std::string& line : list.lines) kbpsbox_->addItem(q(line));
  kbpsbox_->setCurrentRow(list.selected);
  kbpsbox_->scrollToItem(kbpsbox_->item(list.top), QAbstractItemView::PositionAtTop);
  refreshMenus();
}

}  // namespace kavrel
