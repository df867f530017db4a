#include "ui/main_window.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <array>
#include <memory>
#include <vector>

#include "settings/configuration.h"
#include "app/shell_messages.h"
#include "editing/messages.h"
#include "script/messages.h"
#include "script/runner.h"

namespace kavrel {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

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
  const QByteArray utf8 = path.toUtf8();
  editor_->loadFile(std::string(utf8.constData(), size_t(utf8.size())));
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

// ------------------------------------------------------------ editing dialogs
//
// Each dialog is modal, shows the state the core computed and hands back
// what OK accepted; Esc and the close box cancel.

namespace {

QLabel* boldLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  return b;
}

std::string str(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  return std::string(utf8.constData(), size_t(utf8.size()));
}

const char* const kAttachNames[kBlockCount] = {"RiffCheck",  "HeadTagCheck", "UheadCheck",
                                               "UfootCheck", "Lyrics3Check", "FootTagCheck"};
const char* const kAttachTexts[kBlockCount] = {"RIFF header",    "ID3v2 header", "unknown header",
                                               "unknown footer", "Lyrics3 tag",  "ID3v1 tag"};

// The file button, its label and the state picture of one target.
struct TargetRow {
  QPushButton* fileBut = nullptr;
  QLabel* fileLab = nullptr;
  QLabel* picture = nullptr;
  std::string name;

  TargetRow(QWidget* parent, QLayout* layout, const QString& suffix) {
    auto* row = new QHBoxLayout;
    fileBut = new QPushButton("File&name:", parent);
    fileBut->setObjectName("FileBut" + suffix);
    picture = new QLabel(parent);
    picture->setObjectName("StatePic" + suffix);
    picture->setFixedSize(14, 14);
    fileLab = new QLabel(kNoFileNameYet, parent);
    fileLab->setObjectName("FileLab" + suffix);
    fileLab->setMinimumWidth(220);
    row->addWidget(fileBut);
    row->addWidget(picture);
    row->addWidget(fileLab, 1);
    layout->addItem(row);
    show();
  }
  void choose(QWidget* parent) {
    const QString path = QFileDialog::getSaveFileName(parent, "Save as", QString::fromStdString(name),
                                                      "mp3 files (*.mp3);;All files (*)", nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return;
    name = str(path);
    show();
  }
  void show() {
    const QFontMetrics metrics(fileLab->font());
    const int width = fileLab->width();
    fileLab->setText(QString::fromStdString(fileLabelText(
        name, [&](const std::string& t) { return metrics.horizontalAdvance(QString::fromStdString(t)) <= width; })));
    fileLab->setToolTip(QString::fromStdString(name));
    static const char* const kColours[3] = {"#e0c000", "#20a020", "#d02020"};
    const TargetPicture state = targetPicture(name);
    picture->setStyleSheet(QString("background:") + kColours[int(state)]);
    picture->setAccessibleName(state == TargetPicture::Yellow  ? "YellowPic"
                               : state == TargetPicture::Green ? "GreenPic"
                                                               : "RedPic");
  }
};

// The six attach boxes of one target.
std::array<QCheckBox*, kBlockCount> attachBoxes(QWidget* parent, QLayout* layout, const QString& suffix) {
  std::array<QCheckBox*, kBlockCount> boxes{};
  auto* grid = new QGridLayout;
  for (size_t b = 0; b < kBlockCount; ++b) {
    boxes[b] = new QCheckBox(kAttachTexts[b], parent);
    boxes[b]->setObjectName(QString(kAttachNames[b]) + suffix);
    boxes[b]->setToolTip("Check to WRITE, not discard");
    grid->addWidget(boxes[b], int(b / 3), int(b % 3));
  }
  layout->addItem(grid);
  return boxes;
}

}  // namespace

std::optional<VolumeDialogResult> MainWindow::volumeDialog(const VolumeDialogState& state) {
  QDialog dialog(this);
  dialog.setWindowTitle("Volume & Balance Change");
  auto* layout = new QVBoxLayout(&dialog);
  auto* scale = new QHBoxLayout;
  auto* label1 = new QLabel("-30 dB", &dialog);
  label1->setObjectName("Label1");
  auto* label2 = new QLabel(q(state.valueLabel), &dialog);
  label2->setObjectName("Label2");
  label2->setAlignment(Qt::AlignCenter);
  auto* label3 = new QLabel("+30 dB", &dialog);
  label3->setObjectName("Label3");
  scale->addWidget(label1);
  scale->addWidget(label2, 1);
  scale->addWidget(label3);
  layout->addLayout(scale);
  auto* slider = new QSlider(Qt::Horizontal, &dialog);
  slider->setObjectName("Slider1");
  slider->setRange(0, kSliderMax);
  slider->setPageStep(1);
  slider->setValue(state.sliderPosition);
  layout->addWidget(slider);
  connect(slider, &QSlider::valueChanged, label2,
          [label2](int p) { label2->setText(q(volumeLabel(p - kVolumeSliderZero))); });

  QRadioButton* options[3];
  const char* const texts[3] = {"Both Channels", "Left Channel", "Right Channel"};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    options[i] = new QRadioButton(texts[i], &dialog);
    options[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
    grid->addWidget(options[i], i, 1);
  }
  options[1]->setEnabled(state.oneChannelEnabled);
  options[2]->setEnabled(state.oneChannelEnabled);
  options[int(state.channel)]->setChecked(true);
  const char* const warnNames[4] = {"Warnlab1", "Warnlab2", "WarnLab3", "WarnLab4"};
  const QString warning = state.warningText.empty() ? QString("warning") : q(state.warningText);
  for (int i = 0; i < 4; ++i) {
    QLabel* w = boldLabel(i < 2 ? warning : QString("warning"), warnNames[i], &dialog);
    w->setVisible(state.warningsVisible);
    grid->addWidget(w, 1 + i / 2, i % 2 == 0 ? 0 : 2);
  }
  layout->addLayout(grid);
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  layout->addWidget(ok);
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  VolumeDialogResult result;
  result.sliderPosition = slider->value();
  result.channel = options[1]->isChecked()   ? VolumeChannel::Left
                   : options[2]->isChecked() ? VolumeChannel::Right
                                             : VolumeChannel::Both;
  return result;
}

std::optional<FadeDialogResult> MainWindow::fadeDialog(const FadeDialogState& state) {
  QDialog dialog(this);
  dialog.setWindowTitle("Fade In/Out");
  auto* layout = new QVBoxLayout(&dialog);
  auto* group = new QGroupBox(&dialog);
  group->setObjectName("Gmain");
  auto* groupLayout = new QHBoxLayout(group);
  auto* fadeIn = new QRadioButton("Fade in", group);
  fadeIn->setObjectName("RadioButton1");
  auto* fadeOut = new QRadioButton("Fade out", group);
  fadeOut->setObjectName("RadioButton2");
  groupLayout->addWidget(fadeIn);
  groupLayout->addWidget(fadeOut);
  (state.fadeIn ? fadeIn : fadeOut)->setChecked(true);
  layout->addWidget(group);
  auto* label = new QLabel(q(state.magnitudeLabel), &dialog);
  label->setObjectName("Label1");
  layout->addWidget(label);
  auto* slider = new QSlider(Qt::Horizontal, &dialog);
  slider->setObjectName("Slider1");
  slider->setRange(0, kSliderMax);
  slider->setPageStep(1);
  slider->setValue(state.sliderPosition);
  connect(slider, &QSlider::valueChanged, label, [label](int p) { label->setText(q(fadeMagnitudeLabel(p))); });
  layout->addWidget(slider);
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(ok);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return FadeDialogResult{slider->value(), fadeIn->isChecked()};
}

std::optional<SilenceDialogResult> MainWindow::silenceDialog(const SilenceDialogState& state) {
  QDialog dialog(this);
  dialog.setWindowTitle("Add empty frames:");
  auto* layout = new QVBoxLayout(&dialog);
  auto* label1 = new QLabel("Silence length (sec):", &dialog);
  label1->setObjectName("Label1");
  layout->addWidget(label1);

  auto* row = new QHBoxLayout;
  auto* xbox = new QLineEdit(q(state.lengthText), &dialog);
  xbox->setObjectName("xbox");
  xbox->setMaxLength(8);
  xbox->setToolTip("Type length of silence in seconds to add");
  row->addWidget(xbox);
  struct Step {
    const char* name;
    const char* text;
    const char* hint;
  };
  const Step steps[4] = {{"cmsb1", "+f", "increase by one frame"},
                         {"cmsb2", "+s", "Increase by one second"},
                         {"cmsb3", "-f", "Decrease by one frame"},
                         {"cmsb4", "-s", "Decrease by one second"}};
  QPushButton* stepButtons[4];
  for (int i = 0; i < 4; ++i) {
    stepButtons[i] = button(steps[i].text, steps[i].name, &dialog);
    stepButtons[i]->setToolTip(steps[i].hint);
    // Held down: repeats after 220 ms, then quickly.
    stepButtons[i]->setAutoRepeat(true);
    stepButtons[i]->setAutoRepeatDelay(220);
    stepButtons[i]->setAutoRepeatInterval(40);
    row->addWidget(stepButtons[i]);
  }
  QPushButton* ok = button("OK", "posokbut", &dialog);
  ok->setToolTip("Click here or press Enter when done");
  row->addWidget(ok);
  layout->addLayout(row);

  auto* label2 = new QLabel(q(state.limitLabel), &dialog);
  label2->setObjectName("Label2");
  layout->addWidget(label2);
  auto* where = new QLabel(q(state.whereLabel), &dialog);
  where->setObjectName("LabWhere");
  where->setToolTip("Where the silence will be placed");
  if (state.replacesSelection) where->setStyleSheet("color: red; background: white");
  layout->addWidget(where);

  auto combo = [&](const char* name, const auto& items, int current) {
    auto* box = new QComboBox(&dialog);
    box->setObjectName(name);
    for (const std::string& item : items) box->addItem(q(item));
    box->setCurrentIndex(current);
    layout->addWidget(box);
    return box;
  };
  QComboBox* kbps = combo("ComboKbps", state.kbpsItems, state.format.kbpsItem);
  QComboBox* freq = combo("ComboFreq", state.rateItems, itemOfRate(state.format.rate));
  QComboBox* mode = combo("ComboMode", state.modeItems, state.format.mode);

  int32_t pending = state.frames;
  auto rate = [freq] { return rateOfItem(freq->currentIndex()); };
  auto fromText = [&] {
    const SilenceLength length = parseSilenceLength(str(xbox->text()), rate());
    pending = length.frames;
    if (length.resetText) {
      const QSignalBlocker block(xbox);
      xbox->setText("0");
    }
    xbox->setStyleSheet(length.valid ? QString() : QString("color: red; background: palette(button)"));
    ok->setEnabled(length.valid);
  };
  auto showCount = [&] {
    const QSignalBlocker block(xbox);
    xbox->setText(q(silenceLengthText(pending, rate())));
    xbox->setStyleSheet(QString());
    ok->setEnabled(true);
  };
  connect(xbox, &QLineEdit::textEdited, &dialog, fromText);
  connect(freq, &QComboBox::currentIndexChanged, &dialog, fromText);
  connect(stepButtons[0], &QPushButton::clicked, &dialog, [&] { pending = stepSilenceFrame(pending, 1); showCount(); });
  connect(stepButtons[2], &QPushButton::clicked, &dialog, [&] { pending = stepSilenceFrame(pending, -1); showCount(); });
  connect(stepButtons[1], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceSecond(str(xbox->text()), rate(), 1);
    showCount();
  });
  connect(stepButtons[3], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceSecond(str(xbox->text()), rate(), -1);
    showCount();
  });
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  connect(xbox, &QLineEdit::returnPressed, &dialog, [&] {
    if (ok->isEnabled()) dialog.accept();
  });
  xbox->setFocus();
  xbox->selectAll();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  SilenceDialogResult result;
  result.frames = pending;
  result.format = {kbps->currentIndex(), rate(), mode->currentIndex()};
  return result;
}

std::optional<SplitDialogResult> MainWindow::splitDialog(const SplitDialogState& state) {
  QDialog dialog(this);
  dialog.setWindowTitle(q(msg::kSplitDialogCaption));
  auto* layout = new QVBoxLayout(&dialog);
  QGroupBox* groups[3];
  std::array<std::array<QCheckBox*, kBlockCount>, 3> attach{};
  std::vector<std::unique_ptr<TargetRow>> rows;
  QPushButton* ok = button("OK", "ButOk", &dialog);
  auto update = [&] {
    bool any = false;
    bool named = true;
    for (size_t k = 0; k < 3; ++k) {
      const bool used = state.parts[k].enabled && groups[k]->isChecked();
      for (QCheckBox* box : attach[k]) box->setEnabled(used);
      rows[k]->fileBut->setEnabled(used);
      if (!used) continue;
      any = true;
      if (rows[k]->name.empty()) named = false;
    }
    ok->setEnabled(any && named);
  };
  for (size_t k = 0; k < 3; ++k) {
    const SplitPart& part = state.parts[k];
    groups[k] = new QGroupBox(q(part.caption), &dialog);
    groups[k]->setObjectName(QString("gb%1").arg(k + 1));
    groups[k]->setCheckable(true);
    groups[k]->setChecked(part.checked);
    groups[k]->setEnabled(part.enabled);
    auto* partLayout = new QVBoxLayout(groups[k]);
    const QString suffix = QString::number(k + 1);
    attach[k] = attachBoxes(groups[k], partLayout, suffix);
    rows.push_back(std::make_unique<TargetRow>(groups[k], partLayout, suffix));
    TargetRow* row = rows.back().get();
    connect(row->fileBut, &QPushButton::clicked, &dialog, [&, row] {
      row->choose(&dialog);
      update();
    });
    connect(groups[k], &QGroupBox::toggled, &dialog, [&] { update(); });
    layout->addWidget(groups[k]);
  }
  auto* buttons = new QHBoxLayout;
  QPushButton* cancel = button("cancel", "ButCancel", &dialog);
  QPushButton* exp = button("just save\nthe selection", "ExpBut", &dialog);
  exp->setVisible(state.saveSelectionVisible);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(exp);
  layout->addLayout(buttons);
  bool saveSelectionInstead = false;
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  connect(exp, &QPushButton::clicked, &dialog, [&] {
    saveSelectionInstead = true;
    dialog.accept();
  });
  update();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  SplitDialogResult result;
  result.saveSelectionInstead = saveSelectionInstead;
  for (size_t k = 0; k < 3; ++k) {
    result.checked[k] = groups[k]->isChecked();
    result.names[k] = rows[k]->name;
    for (size_t b = 0; b < kBlockCount; ++b) result.attach[k][b] = attach[k][b]->isChecked();
  }
  return result;
}

std::optional<SaveSelectionDialogResult> MainWindow::saveSelectionDialog(const SaveSelectionDialogState& state) {
  QDialog dialog(this);
  dialog.setWindowTitle(q(msg::kSaveSelectionDialogCaption));
  auto* layout = new QVBoxLayout(&dialog);
  const std::array<QCheckBox*, kBlockCount> attach = attachBoxes(&dialog, layout, QString());
  for (size_t b = 0; b < kBlockCount; ++b) attach[b]->setEnabled(state.available[b]);
  TargetRow row(&dialog, layout, QString());
  auto* buttons = new QHBoxLayout;
  QPushButton* ok = button("OK", "ButOk", &dialog);
  QPushButton* cancel = button("cancel", "ButCancel", &dialog);
  ok->setEnabled(false);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(row.fileBut, &QPushButton::clicked, &dialog, [&] {
    row.choose(&dialog);
    ok->setEnabled(!row.name.empty());
  });
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted || row.name.empty()) return std::nullopt;
  SaveSelectionDialogResult result;
  result.name = row.name;
  for (size_t b = 0; b < kBlockCount; ++b) result.attach[b] = attach[b]->isChecked() && state.available[b];
  return result;
}

}  // namespace kavrel
