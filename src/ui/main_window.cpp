#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "app/shell_messages.h"
#include "base/text_codec.h"
#include "base/time_text.h"
#include "editing/messages.h"
#include "script/runner.h"
#include "ui/dialogs/file_dialogs.h"
#include "ui/frame_view_widget.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

// The canvas: a fixed client area, as wide as five About buttons and as
// high as the fade button's top plus one and a half of its height.
constexpr int kAboutWidth = 94;
constexpr int kClientWidth = 5 * kAboutWidth;
constexpr int kButtonHeight = 25;
constexpr int kFadeTop = 448;
constexpr int kClientHeight = kFadeTop + kButtonHeight * 3 / 2 + 1;

constexpr int kStatisticsRows = 4;  // the list scrolls so every top line it computes fits
// The remove group's rows, one a block, fit between the file labels and the frame view.
constexpr int kRemoveRowHeight = 18;

const char* const kSourceHint = "Path to source (opened) file\r\nDouble-click to display full path, if it's too large to be visible";
const char* const kTargetHint = "Path to target (saved) file\r\nDouble-click to display full path, if it's too large to be visible";

// Text as wide as `width` at most: cut from the left behind "...".
QString fitLeft(const QString& text, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  for (qsizetype cut = 1; cut < text.size(); ++cut) {
    const QString shortened = "..." + text.mid(cut);
    if (metrics.horizontalAdvance(shortened) <= width) return shortened;
  }
  return "...";
}

// Message texts may carry 8-bit tag text: what is not UTF-8 is the code page.
QString messageText(const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (forEachUtf8CodePoint(bytes, text.size(), [](char32_t) {})) return q(text);
  return q(codePageToUtf8(text));
}

// The key as the window's key map knows it (a virtual-key code), or 0.
int virtualKey(const QKeyEvent& event) {
  const int key = event.key();
  if (event.modifiers() & Qt::KeypadModifier) {
    if (key == Qt::Key_1 || key == Qt::Key_End) return kVkNumpad1;
    if (key == Qt::Key_3 || key == Qt::Key_PageDown) return kVkNumpad3;
  }
  switch (key) {
    case Qt::Key_PageUp: return kVkPageUp;
    case Qt::Key_PageDown: return kVkPageDown;
    case Qt::Key_End: return kVkEnd;
    case Qt::Key_Home: return kVkHome;
    case Qt::Key_Insert: return kVkInsert;
    case Qt::Key_Delete: return kVkDelete;
    case Qt::Key_A: return kVkA;
    case Qt::Key_C: return kVkC;
    case Qt::Key_V: return kVkV;
    case Qt::Key_X: return kVkX;
    case Qt::Key_Z: return kVkZ;
    case Qt::Key_F4: return kVkF4;
    case Qt::Key_F7: return kVkF7;
    case Qt::Key_F8: return kVkF8;
    case Qt::Key_F9: return kVkF9;
    case Qt::Key_F11: return kVkF11;
    case Qt::Key_F12: return kVkF12;
    default: return 0;
  }
}

}  // namespace

MainWindow::MainWindow()
    : editor_(std::make_unique<Editor>(*this)), runner_(std::make_unique<ScriptRunner>(*editor_)) {
  setWindowTitle(q(msg::kMainCaption));
  buildControls();
  buildMenus();
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  setAcceptDrops(true);
  // The window sees every key before the focused control does.
  qApp->installEventFilter(this);
  refresh();
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

QPushButton* MainWindow::commandButton(const char* name, const QString& caption, const QString& hint,
                                       QRect geometry, std::optional<Command> command,
                                       std::function<void()> run) {
  auto* b = new QPushButton(caption, canvas_);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setGeometry(geometry);
  b->setFocusPolicy(Qt::TabFocus);
  connect(b, &QPushButton::clicked, this, [this, run = std::move(run)] {
    run();
    afterCommand();
  });
  if (command) commandWidgets_.emplace_back(*command, b);
  return b;
}

void MainWindow::buildControls() {
  canvas_ = new FrameViewWidget(*editor_, this);
  canvas_->setFixedSize(kClientWidth, kClientHeight);
  canvas_->onChange = [this] { refresh(); };
  setCentralWidget(canvas_);
  QWidget* c = canvas_;

  // --- file buttons
  const int w = 86;
  commandButton("ButQuickSave", "&Save", "Save the changes to the current file", QRect(8, 6, w, kButtonHeight),
                Command::Save, [this] {
                  if (editor_->quickSaveCommand()) QTimer::singleShot(0, this, &QWidget::close);
                });
  commandButton("ButSaveAs", "Save &As", "Save the edited file under another name",
                QRect(8 + (w + 4), 6, w, kButtonHeight), Command::SaveAs, [this] { editor_->saveAs(Sender::User); });
  commandButton("Reloadbut", "&Reload", "Load the source file again, dropping the changes",
                QRect(8 + 2 * (w + 4), 6, w, kButtonHeight), Command::Reload, [this] { editor_->reload(); });
  commandButton("ButPselect", "Play sel.", "Play the selection", QRect(8 + 3 * (w + 4), 6, w, kButtonHeight),
                Command::PlaySelection, [this] { editor_->playSelection(Sender::User); });
  commandButton("ButAbout", "About", "About Kavrel", QRect(kClientWidth - kAboutWidth - 8, 6, kAboutWidth, kButtonHeight),
                std::nullopt, [this] { showAbout(); });

  // --- information and path labels
  auto label = [c](const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, c);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
  };
  labInput_ = label("LabInput", "input:", QRect(8, 38, 48, 16));
  labInfoInput_ = label("LabInfoInput", QString(), QRect(58, 38, kClientWidth - 66, 16));
  labOutput_ = label("LabOutput", "edited:", QRect(8, 56, 48, 16));
  labInfoOutput_ = label("LabInfoOutput", QString(), QRect(58, 56, kClientWidth - 66, 16));
  fileInLabel_ = label("FileInLabel", QString(), QRect(8, 84, kClientWidth - 16, 17));
  fileInLabel_->setToolTip(kSourceHint);
  fileOutLabel_ = label("FileOutLabel", QString(), QRect(8, 104, kClientWidth - 16, 17));
  fileOutLabel_->setToolTip(kTargetHint);
  fileInLabel_->installEventFilter(this);
  fileOutLabel_->installEventFilter(this);

  // --- the remove group with its view buttons
  auto* group = new QGroupBox(" Check to remove, click to view/edit ", c);
  group->setObjectName("GroupRemove");
  group->setGeometry(8, 126, 236, 146);
  static const char* kLabels[kBlockCount] = {"RIFF header", "ID3v2 tag", "Unknown header", "Unknown footer",
                                             "APE tag",     "Lyrics3",   "ID3v1 tag"};
  static const char* kBoxNames[kBlockCount] = {"RiffCheck",  "HeadTagCheck", "UheadCheck",  "UfootCheck",
                                               "ApeCheck",   "Lyrics3Check", "FootTagCheck"};
  struct ViewButton {
    const char* name;
    const char* caption;
    const char* hint;
    Command command;
  };
  // In Block order; the RIFF header has no view.
  static const std::optional<ViewButton> kViews[kBlockCount] = {
      std::nullopt,
      ViewButton{"vhtbut", "edit", "edit id3v2 tag", Command::ViewId3v2},
      ViewButton{"vuhbut", "view", "view unknown header tag", Command::ViewUnknownHeader},
      ViewButton{"vufbut", "view", "view unknown footer tag", Command::ViewUnknownFooter},
      ViewButton{"vapebut", "view", "view APE tag (ReplayGain values and other items)", Command::ViewApe},
      ViewButton{"vl3button", "view", "view lyrics3 tag (lyrics only)", Command::ViewLyrics3},
      ViewButton{"vftbut", "edit", "edit id3v1 tag", Command::ViewId3v1}};
  for (size_t b = 0; b < kBlockCount; ++b) {
    const int y = 18 + int(b) * kRemoveRowHeight;
    auto* box = new QCheckBox(kLabels[b], group);
    box->setObjectName(kBoxNames[b]);
    box->setGeometry(10, y, 150, kRemoveRowHeight);
    connect(box, &QCheckBox::toggled, this, [this, b](bool on) {
      editor_->setRemoveChecked(Block(b), on);
      refresh();
    });
    boxes_[b] = box;
    if (const auto& view = kViews[b]) {
      auto* button = new QPushButton(view->caption, group);
      button->setObjectName(view->name);
      button->setToolTip(view->hint);
      button->setGeometry(164, y, 62, kRemoveRowHeight);
      commandWidgets_.emplace_back(view->command, button);
      connect(button, &QPushButton::clicked, this, [this, command = view->command] {
        openBlockView(command);
        afterCommand();
      });
    }
  }
  group->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(group, &QGroupBox::customContextMenuRequested, this, [this, group](const QPoint& at) {
    QMenu menu(this);
    if (QAction* autoRemove = action("MenuAru")) menu.addAction(autoRemove);
    menu.exec(group->mapToGlobal(at));
  });

  // --- the statistics list and its popup
  kbpsbox_ = new QListWidget(c);
  kbpsbox_->setObjectName("kbpsbox");
  kbpsbox_->setToolTip("Right click to switch between input and edited stats");
  kbpsbox_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  kbpsbox_->setUniformItemSizes(true);
  QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  listFont.setPixelSize(12);
  kbpsbox_->setFont(listFont);
  kbpsbox_->addItem("0");
  const int listHeight = kbpsbox_->sizeHintForRow(0) * kStatisticsRows + 2 * kbpsbox_->frameWidth();
  kbpsbox_->setGeometry(252, 132, kClientWidth - 260, listHeight);
  kbpsbox_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(kbpsbox_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName("pm1");
    const bool edited = editor_->options().statisticsShowEdited;
    QAction* input = menu.addAction(" &input stats");
    input->setObjectName("MenuInputStats");
    input->setCheckable(true);
    input->setChecked(!edited);
    QAction* output = menu.addAction(" &edited stats");
    output->setObjectName("MenuOutputStats");
    output->setCheckable(true);
    output->setChecked(edited);
    QAction* chosen = menu.exec(kbpsbox_->viewport()->mapToGlobal(at));
    if (chosen) {
      editor_->chooseOption(chosen == input ? OptionItem::InputStats : OptionItem::OutputStats);
      refresh();
    }
  });

  // --- selection length, select all / unselect
  labSelLen_ = label("LabSelLen", QString(), QRect(8, 347, 130, 18));
  labSelLen_->setToolTip("Length of selection in seconds");
  commandButton("SelAllBut", "Select &all", "Select all frames (Ctrl+A)", QRect(150, 346, 86, 20),
                Command::SelectAll, [this] { editor_->selectAll(Sender::User); });
  commandButton("Unselbut", "&Unselect", "Remove the selection (Ctrl+Alt+A)", QRect(240, 346, 86, 20),
                Command::Unselect, [this] { editor_->unselectCommand(Sender::User); });

  // --- the two position boxes with their stepping buttons
  struct Step {
    const char* name;
    const char* caption;
    const char* hint;
  };
  static const Step kSteps[8] = {
      {"cmsb1", "+f", "Increase by one frame"}, {"cmsb2", "+s", "Increase by one second"},
      {"cmsb3", "-f", "Decrease by one frame"}, {"cmsb4", "-s", "Decrease by one second"},
      {"cmsb5", "+f", "Increase by one frame"}, {"cmsb6", "+s", "Increase by one second"},
      {"cmsb7", "-f", "Decrease by one frame"}, {"cmsb8", "-s", "Decrease by one second"}};
  static const char* kGroupCaptions[2] = {" Position &cursor: ", " Select up/do&wn to: "};
  static const char* kBoxNames2[2] = {"teditbox1", "teditbox2"};
  QFont boxFont("Courier New");
  boxFont.setStyleHint(QFont::Monospace);
  boxFont.setPixelSize(13);
  buttonTimer_ = new QTimer(this);
  buttonTimer_->setObjectName("buttontimer");
  connect(buttonTimer_, &QTimer::timeout, this, [this] {
    editor_->repeatTimerTick();
    if (editor_->autoRepeat.running()) {
      buttonTimer_->setInterval(editor_->autoRepeat.interval());
    } else {
      buttonTimer_->stop();
    }
    refresh();
  });
  for (int k = 0; k < 2; ++k) {
    auto* box = new QGroupBox(kGroupCaptions[k], c);
    box->setObjectName(k == 0 ? "GroupCursor" : "GroupEnd");
    box->setGeometry(8 + k * 230, 368, 224, 46);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(kBoxNames2[k]);
    edit->setFont(boxFont);
    edit->setMaxLength(13);
    edit->setGeometry(8, 18, 96, 22);
    box->setFocusProxy(edit);
    positionBoxes_[size_t(k)] = edit;
    connect(edit, &QLineEdit::textEdited, this, [this, k] { positionEdited(k); });
    connect(edit, &QLineEdit::returnPressed, this, [this, k] { positionEntered(k); });
    for (int i = 0; i < 4; ++i) {
      const int code = k * 4 + i + 1;
      const Step& step = kSteps[code - 1];
      auto* b = new QPushButton(step.caption, box);
      b->setObjectName(step.name);
      b->setToolTip(step.hint);
      b->setGeometry(108 + i * 26, 18, 24, 22);
      b->setFocusPolicy(Qt::NoFocus);
      connect(b, &QPushButton::pressed, this, [this, code] { stepButtonPressed(code); });
      connect(b, &QPushButton::released, this, &MainWindow::stepButtonReleased);
      connect(b, &QPushButton::clicked, this, [this, code, k] {
        editor_->stepButton(code);
        positionBoxes_[size_t(k)]->setFocus();
        refresh();
        positionBoxes_[size_t(k)]->selectAll();
      });
      // Usable while a document is loaded, like Select all.
      commandWidgets_.emplace_back(Command::SelectAll, b);
    }
  }
  selClrBut_ = new QPushButton(QString(QChar(0x00D7)), c);
  selClrBut_->setObjectName("SelClrBut");
  selClrBut_->setToolTip("Remove the selection");
  selClrBut_->setGeometry(kClientWidth - 30, 368, 20, 16);
  selClrBut_->setFocusPolicy(Qt::NoFocus);
  connect(selClrBut_, &QPushButton::clicked, this, [this] {
    editor_->unselectCommand(Sender::User);
    afterCommand();
  });
  // The page buttons repeat like the stepping buttons.
  for (int i = 0; i < 2; ++i) {
    QPushButton* b = i == 0 ? canvas_->pageLeftButton() : canvas_->pageRightButton();
    const int code = i == 0 ? kPageLeft : kPageRight;
    connect(b, &QPushButton::pressed, this, [this, code] { stepButtonPressed(code); });
    connect(b, &QPushButton::released, this, &MainWindow::stepButtonReleased);
    connect(b, &QPushButton::clicked, this, [this, code] {
      editor_->stepButton(code);
      refresh();
    });
  }

  // --- editing buttons
  struct Edit {
    const char* name;
    const char* caption;
    const char* hint;
    Command command;
    void (Editor::*run)(Sender);
  };
  static const Edit kRow1[6] = {
      {"DelBut", "Delete", "Delete the selected frames (Ctrl+Del)", Command::Delete, &Editor::deleteSelection},
      {"CutBut", "Cut", "Cut the selected frames (Ctrl+X)", Command::Cut, &Editor::cut},
      {"Copybut", "Copy", "Copy the selected frames (Ctrl+C)", Command::Copy, &Editor::copy},
      {"Pastebut", "Paste", "Paste the copied frames at the cursor or over the selection (Ctrl+V)",
       Command::Paste, &Editor::paste},
      {"TrimBut", "Tri&m", "Keep only the selected frames", Command::Trim, &Editor::trim},
      {"UndoBut", "Undo", "Undo the last change (Ctrl+Z)", Command::Undo, &Editor::undo}};
  const int w1 = (kClientWidth - 16 - 5 * 4) / 6;
  for (int i = 0; i < 6; ++i) {
    const Edit& e = kRow1[i];
    commandButton(e.name, e.caption, e.hint, QRect(8 + i * (w1 + 4), kFadeTop - 30, w1, kButtonHeight), e.command,
                  [this, run = e.run] { (editor_.get()->*run)(Sender::User); });
  }
  const int w2 = (kClientWidth - 16 - 4 * 4) / 5;
  auto row2 = [&](int i, const char* name, const char* caption, const char* hint, Command command,
                  std::function<void()> run) {
    commandButton(name, caption, hint, QRect(8 + i * (w2 + 4), kFadeTop, w2, kButtonHeight), command,
                  std::move(run));
  };
  row2(0, "InsertBut", "Insert", "Insert another mp3 file at the cursor or over the selection (Ctrl+Ins)",
       Command::Insert, [this] { editor_->insertFile(Sender::User); });
  row2(1, "Emptybut", "add S&il.", "Insert empty frames (silence)", Command::InsertSilence,
       [this] { editor_->insertSilence(Sender::User); });
  row2(2, "SplitBut", "Split", "Split the file into 2 or 3 smaller files", Command::Split,
       [this] { editor_->split(Sender::User); });
  row2(3, "Amplifybut", "&Vol./bal.", "Change the volume or the balance of the selection", Command::Volume,
       [this] { editor_->amplify(Sender::User); });
  row2(4, "FadeBut", "Fa&de in/out", "Fade the selection in or out", Command::Fade,
       [this] { editor_->fade(Sender::User); });
}

void MainWindow::openFile(const QString& path) {
  editor_->loadFile(str(path));
  afterCommand();
}

void MainWindow::afterCommand() {
  canvas_->invalidateLabels();
  refresh();
  // The window was asked to close while a load or save ran: finish closing now.
  if (closing_ && !editor_->document().busy) close();
}

// ------------------------------------------------------------ stepping buttons and position boxes

void MainWindow::stepButtonPressed(int code) {
  if (editor_->scriptRunning || editor_->isBusy()) return;
  if (editor_->autoRepeat.press(code)) buttonTimer_->start(editor_->autoRepeat.interval());
}

void MainWindow::stepButtonReleased() {
  editor_->autoRepeat.release();
  buttonTimer_->stop();
}

void MainWindow::positionEdited(int k) {
  QLineEdit* box = positionBoxes_[size_t(k)];
  const bool parses = !parseTime(str(box->text())).failed;
  QPalette palette = box->palette();
  palette.setColor(QPalette::Text, parses ? QApplication::palette().color(QPalette::Text) : QColor(255, 0, 0));
  box->setPalette(palette);
}

void MainWindow::positionEntered(int k) {
  QLineEdit* box = positionBoxes_[size_t(k)];
  const bool accepted = editor_->submitPosition(Sender::User, k, str(box->text()));
  if (accepted) {
    box->setModified(false);  // shows the exact boundary, not the typed text
    canvas_->invalidateLabels();
    refresh();
    positionEdited(k);
  }
  box->selectAll();
}

// ------------------------------------------------------------ keys, mouse, drops

bool MainWindow::handleKey(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (editor_->document().busy || editor_->scriptRunning) escape_ = true;
    return false;
  }
  const int vk = virtualKey(*event);
  if (vk == 0) return false;
  const Qt::KeyboardModifiers m = event->modifiers();
  const KeyModifiers modifiers{bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier),
                               bool(m & Qt::AltModifier)};
  const int32_t offset = editor_->viewOffset;
  const KeyAction action = editor_->keyDown(vk, modifiers);
  runKeyCommand(action.command);
  if (action.command != KeyCommand::None || editor_->viewOffset != offset) afterCommand();
  return action.consumed;
}

void MainWindow::runKeyCommand(KeyCommand command) {
  switch (command) {
    case KeyCommand::CloseDocument:
      if (editor_->closeCommand()) QTimer::singleShot(0, this, &QWidget::close);
      break;
    case KeyCommand::CloseAllInstances: QTimer::singleShot(0, this, &MainWindow::exitAllInstances); break;
    case KeyCommand::SaveSelection: editor_->saveSelection(Sender::User); break;
    case KeyCommand::Split: editor_->split(Sender::User); break;
    default: break;  // the editor performed it
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // Keys of this window only, and once: the filter sees the event again
    // for every parent it propagates to.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    QWidget* focus = QApplication::focusWidget();
    if (widget != (focus ? focus : this)) return false;
    return handleKey(static_cast<QKeyEvent*>(event));
  }
  if (event->type() == QEvent::MouseButtonDblClick && !editor_->scriptRunning) {
    if (watched == fileInLabel_) {
      editor_->showSourcePath();
      return true;
    }
    if (watched == fileOutLabel_) {
      editor_->showDocumentPath();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(str(url.toLocalFile()));
  if (paths.empty()) return;
  event->acceptProposedAction();
  // Loading may ask questions: not inside the drop's own event.
  QTimer::singleShot(0, this, [this, paths] {
    editor_->dropFiles(paths);
    afterCommand();
  });
}

// ------------------------------------------------------------ Host

MessageResult MainWindow::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons, MessageResult defaultButton) {
  QMessageBox box(this);
  box.setText(messageText(text) + " ");
  box.setWindowTitle(messageText(caption) + " ");
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
  // The progress box covers the source labels while it shows.
  for (QLabel* l : {fileInLabel_, labInfoInput_, labInput_}) l->setVisible(blocks < 0);
  canvas_->setProgress(blocks);
}

void MainWindow::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  // A load or save keeps the File and Options menus shut, and a load the
  // Scripts menu too (a save may be a script's own). The other menus'
  // commands wait by themselves while busy.
  const bool loading = busy && !editor_->document().documentLoaded;
  for (const char* name : {"filemenu", "MenuOptions"})
    if (auto* menu = findChild<QMenu*>(name)) menu->menuAction()->setEnabled(!busy);
  if (auto* scripts = findChild<QMenu*>("MenuScripts")) scripts->menuAction()->setEnabled(!loading);
  refreshCommands();
}

void MainWindow::viewChanged(ViewChange change) {
  // Availability and options change the menus and buttons only.
  if (change == ViewChange::Controls) {
    refreshMenus();
    return;
  }
  if (change == ViewChange::Document) canvas_->invalidateLabels();
  refresh();
}

void MainWindow::closeDocumentWindows() {
  // The tag windows are this window's children that edit the document.
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (w->property("documentWindow").toBool()) w->close();
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

void MainWindow::showAbout() {
  QMessageBox::about(this, "About Kavrel",
                     QString("<b>Kavrel %1</b><p>Cuts, joins, pastes, trims and splits MPEG-1 Layer III files "
                             "frame by frame, and changes their volume through the frames' global_gain "
                             "fields, without decoding or re-encoding: every edit is lossless.</p>")
                         .arg(QApplication::applicationVersion()));
}

// ------------------------------------------------------------ refresh

void MainWindow::refresh() {
  if (refreshing_) return;
  const FlagScope refreshing(refreshing_);
  // Reports a change of the play commands through viewChanged(Controls),
  // which refreshes the menus only: no second full refresh.
  editor_->refreshPlayAvailability();
  const Document& doc = editor_->document();
  const bool loaded = doc.documentLoaded;
  const QString source = loaded ? q(doc.loadPath) : QString();
  fileInLabel_->setText(fitLeft(source, fileInLabel_->fontMetrics(), fileInLabel_->width()));
  const QString target = loaded ? q(doc.documentName) : QString();
  fileOutLabel_->setText(fitLeft(target, fileOutLabel_->fontMetrics(), fileOutLabel_->width()));
  // Grey until the document has been saved under a name of its own.
  QPalette targetPalette = fileOutLabel_->palette();
  targetPalette.setColor(QPalette::WindowText, editor_->savedUnderNewName()
                                                   ? QApplication::palette().color(QPalette::WindowText)
                                                   : QColor(128, 128, 128));
  fileOutLabel_->setPalette(targetPalette);
  labInfoInput_->setText(q(editor_->labInfoInput));
  labInfoOutput_->setText(q(editor_->labInfoOutput));
  labInput_->setVisible(loaded && !doc.busy);
  labOutput_->setVisible(editor_->labOutputVisible);
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
  kbpsbox_->verticalScrollBar()->setValue(list.top);

  for (size_t k = 0; k < 2; ++k) {
    QLineEdit* box = positionBoxes_[k];
    // The box the user is typing in keeps the text until Enter.
    if (!(box->hasFocus() && box->isModified())) {
      box->setText(q(editor_->positionText[k]));
      box->setModified(false);
      positionEdited(int(k));
    }
    box->setEnabled(loaded);
  }
  const QString selLen = q(editor_->labSelLen);
  const QString prefix = q(msg::kSelectionLengthPrefix);
  labSelLen_->setText(labSelLen_->fontMetrics().horizontalAdvance(selLen) > labSelLen_->width() &&
                              selLen.startsWith(prefix)
                          ? selLen.mid(prefix.size())
                          : selLen);
  labSelLen_->setVisible(editor_->labSelLenVisible);
  selClrBut_->setVisible(editor_->enabled(Command::Unselect));

  canvas_->refreshView();
  refreshMenus();
}

}  // namespace kavrel
