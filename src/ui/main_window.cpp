#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>

namespace kavrel {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

MainWindow::MainWindow() : editor_(std::make_unique<Editor>(*this)) {
  setWindowTitle("Kavrel");
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
  for (size_t b = 0; b < kBlockCount; ++b) {
    auto* box = new QCheckBox(kLabels[b], group);
    box->setObjectName(QString::fromLatin1(controlName(blockCheckBox(Block(b))).data()));
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
    editor_->options().statisticsShowEdited = !editor_->options().statisticsShowEdited;
    refresh();
  });
  layout->addWidget(kbpsbox_);
  setCentralWidget(central);

  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Open...", QKeySequence::Open, this, &MainWindow::chooseFile);
  file->addAction("&Reload", this, [this] { editor_->reload(); });
  auto* quickSave = file->addAction("&Save", QKeySequence::Save, this, [this] {
    editor_->save(Sender::User);
    refresh();
  });
  quickSave->setObjectName("MenuQuickSave");
  auto* saveAs = file->addAction("Save &As...", this, [this] {
    editor_->saveAs(Sender::User);
    refresh();
  });
  saveAs->setObjectName("MenuSaveAs");
  file->addAction(" &Close (not needed)    (Ctrl+F4)", this, [this] {
    if (editor_->closeCommand()) close();
  });
  file->addAction("E&xit", this, &QWidget::close);
  refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::chooseFile() {
  const QString path = QFileDialog::getOpenFileName(this, "Open", QString(), "mp3 files (*.mp3);;All files (*)");
  if (!path.isEmpty()) openFile(path);
}

void MainWindow::openFile(const QString& path) {
  const QByteArray utf8 = path.toUtf8();
  editor_->loadFile(std::string(utf8.constData(), size_t(utf8.size())));
  refresh();
  // The window was asked to close while the load ran: finish closing now.
  if (closing_) close();
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
  const QString start = folder.empty() ? q(fileName) : q(folder) + "/" + q(fileName);
  // The editor asks before overwriting, by its own policy.
  const QString path = QFileDialog::getSaveFileName(this, "Save as", start, "mp3 files (*.mp3);;All files (*)",
                                                    nullptr, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  const QByteArray utf8 = path.toUtf8();
  return std::string(utf8.constData(), size_t(utf8.size()));
}

std::optional<std::string> MainWindow::chooseOpenFile(const std::string& title, const std::string& folder) {
  const QString path =
      QFileDialog::getOpenFileName(this, q(title), q(folder), "mp3 files (*.mp3);;all files (*.*)");
  if (path.isEmpty()) return std::nullopt;
  const QByteArray utf8 = path.toUtf8();
  return std::string(utf8.constData(), size_t(utf8.size()));
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
  if (editor_->unload(true) == kUnloadCancelled) {
    event->ignore();
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
    boxes_[b]->setEnabled(editor_->enabled(blockCheckBox(Block(b))));
    boxes_[b]->setChecked(editor_->removeChecked(Block(b)));
  }
  const StatisticsList list = editor_->statisticsList();
  kbpsbox_->clear();
  for (const std::string& line : list.lines) kbpsbox_->addItem(q(line));
  kbpsbox_->setCurrentRow(list.selected);
  kbpsbox_->scrollToItem(kbpsbox_->item(list.top), QAbstractItemView::PositionAtTop);
}

}  // namespace kavrel
