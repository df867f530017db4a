#include "ui/id3v1_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "app/editor.h"
#include "base/charsets.h"
#include "settings/window_slots.h"
#include "ui/id3v2_editor.h"
#include "ui/qt_strings.h"
#include "ui/tag_window_parts.h"

namespace kavrel {

namespace {

constexpr const char* kVersionLines[] = {" ID3v1.0", " ID3v1.1"};

}  // namespace

Id3v1EditorWindow::Id3v1EditorWindow(QWidget* owner, Editor& editor)
    : TagEditorWindow(owner, editor, "TagViewForm", " ID3v1 (footer) tag editor", WindowSlot::Id3v1Editor),
      session_(std::make_unique<Id3v1Session>(editor)) {

  auto* layout = new QVBoxLayout(this);
  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(8);
  layout->addLayout(fields);
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };

  const std::pair<Id3v1Box, const char*> wide[] = {{Id3v1Box::Title, "EditTitle"},
                                                   {Id3v1Box::Artist, "EditArtist"},
                                                   {Id3v1Box::Album, "EditAlbum"},
                                                   {Id3v1Box::Comment, "EditComment"}};
  const QString captions[] = {"T&itle", "&Artist", "A&lbum", "&Comment"};
  for (int row = 0; row < 4; ++row) {
    QLineEdit* box = addBox(wide[row].first, wide[row].second, 30);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 34);
    fields->addWidget(label(captions[row], box), row, 0);
    fields->addWidget(box, row, 1);
  }
  genre_ = new QComboBox(this);
  genre_->setObjectName("ComboGenre");
  for (const std::string& line : genreListLines()) genre_->addItem(q(line));
  genre_->setMaxVisibleItems(20);
  fields->addWidget(label("&Genre", genre_), 4, 0);
  fields->addWidget(genre_, 4, 1);

  version_ = new QComboBox(this);
  version_->setObjectName("ComboVersion");
  for (const char* line : kVersionLines) version_->addItem(line);
  fields->addWidget(label("&Version", version_), 0, 2);
  fields->addWidget(version_, 0, 3);
  QLineEdit* year = addBox(Id3v1Box::Year, "EditYear", 4);
  QLineEdit* track = addBox(Id3v1Box::Track, "EditTrack", 3);
  for (QLineEdit* small : {year, track})
    small->setFixedWidth(small->fontMetrics().horizontalAdvance("00000") + 16);
  fields->addWidget(label("&Year", year), 1, 2);
  fields->addWidget(year, 1, 3, Qt::AlignLeft);
  trackLabel_ = label("&Track", track);
  trackLabel_->setObjectName("LabTrack");
  fields->addWidget(trackLabel_, 2, 2);
  fields->addWidget(track, 2, 3, Qt::AlignLeft);
  charset_ = new QComboBox(this);
  charset_->setObjectName("ComboOldChar");
  charset_->setToolTip("Character set the tag's text is shown in");
  for (std::string_view name : charsetNames()) charset_->addItem(q(std::string(name)));
  fields->addWidget(label("C&haracter set", charset_), 3, 2);
  fields->addWidget(charset_, 3, 3);
  fields->setColumnStretch(1, 1);

  // --- the file-name scan and the transfer to and from the ID3v2 tag
  auto* extras = new QHBoxLayout;
  layout->addLayout(extras);
  const ScanGroup scan = scanGroup(this);
  albumScan_ = scan.album;
  albumSplit_ = scan.split;
  extras->addWidget(scan.group);
  auto* transferGroup = new QGroupBox(" ID3v2 tag ", this);
  auto* transferRow = new QHBoxLayout(transferGroup);
  const std::tuple<const char*, const char*, const char*, TransferDirection> directions[] = {
      {"id3v2 i&mport", "ButImport", "Copy fields from the ID3v2 tag", TransferDirection::V2ToV1},
      {"id3v2 e&xport", "ButExport", "Copy fields to the ID3v2 tag", TransferDirection::V1ToV2}};
  for (const auto& [text, name, hint, direction] : directions) {
    QPushButton* b = namedButton(text, name, hint, transferGroup);
    connect(b, &QPushButton::clicked, this,
            [this, direction = direction] { transferTags(this, parentWidget(), editor_, direction); });
    transferRow->addWidget(b);
  }
  showDialog_ = namedCheck("show dialog", "CheckDlgShow", transferGroup);
  transferRow->addWidget(showDialog_);
  extras->addWidget(transferGroup);

  auto* note = new QLabel(q(id3v1_msg::kChangesNote), this);
  note->setObjectName("LabChanges");
  QFont noteFont = note->font();
  noteFont.setItalic(true);
  note->setFont(noteFont);
  layout->addWidget(note);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  reload_ = namedButton("&Reload tag", "ButReload", "Read the tag from the file again", this);
  buttons->addWidget(reload_);
  buttons->addStretch(1);
  ok_ = namedButton("O&K", "ButOk", "Remember changes and close", this);
  ok_->setDefault(true);
  auto* cancel = namedButton("Cancel", "ButCancel", "Discard the changes and close", this);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);

  // --- wiring
  connect(genre_, &QComboBox::activated, this, [this](int line) {
    session_->chooseGenreLine(line);
    refresh();
  });
  connect(version_, &QComboBox::activated, this, [this](int line) {
    const auto notice = session_->chooseVersion(line == 1);
    if (notice) showNotice(*notice);
    refresh();
  });
  connect(charset_, &QComboBox::activated, this, [this](int line) {
    session_->chooseCharset(line);
    refresh();
  });
  connect(albumScan_, &QCheckBox::clicked, this, [this](bool on) {
    session_->setAlbumScan(on);
    refresh();
  });
  connect(albumSplit_, &QCheckBox::clicked, this, [this](bool on) { session_->setAlbumSplit(on); });
  connect(showDialog_, &QCheckBox::clicked, this, [this](bool on) {
    session_->setShowTransferDialog(on);
    if (auto* other = openTagWindow<Id3v2EditorWindow>(parentWidget())) other->refresh();
  });
  connect(scan.scan, &QPushButton::clicked, this, [this] { highlight(session_->scan(), kScanHighlight); });
  connect(reload_, &QPushButton::clicked, this, [this] {
    session_->reloadTag();
    refresh();
  });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  genre_->installEventFilter(this);
  genre_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(genre_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popup(Id3v1Box::Genre, genre_->mapToGlobal(at)); });

  refresh();
}

Id3v1EditorWindow::~Id3v1EditorWindow() = default;

QLineEdit* Id3v1EditorWindow::addBox(Id3v1Box box, const char* name, int maxLength) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textEdited, this, [this, box](const QString& text) { edited(box, text); });
  connect(edit, &QWidget::customContextMenuRequested, this,
          [this, box, edit](const QPoint& at) { popup(box, edit->mapToGlobal(at)); });
  boxes_[size_t(box)] = edit;
  return edit;
}

void Id3v1EditorWindow::refresh() {
  const bool highlighting = this->highlighting();
  refreshing_ = true;
  const Id3v1Session& s = *session_;
  boxes_[size_t(Id3v1Box::Comment)]->setMaxLength(s.commentMaxLength());
  for (size_t i = 0; i < boxes_.size(); ++i) {
    QLineEdit* box = boxes_[i];
    const QString text = q(s.text(Id3v1Box(i)));
    if (box->text() != text) {
      // The box being typed in keeps its cursor.
      const int cursor = box->hasFocus() ? box->cursorPosition() : int(text.size());
      box->setText(text);
      box->setCursorPosition(std::min(cursor, int(text.size())));
    }
    if (!highlighting) box->setPalette(QPalette());
  }
  QLineEdit* track = boxes_[size_t(Id3v1Box::Track)];
  track->setEnabled(s.trackEnabled());
  trackLabel_->setEnabled(s.trackEnabled());
  if (s.trackWarning() && !highlighting) setColours(track, Qt::white, Qt::red);
  version_->setCurrentIndex(s.version11() ? 1 : 0);
  genre_->setCurrentIndex(s.genreLine());
  if (!highlighting) genre_->setPalette(QPalette());
  charset_->setCurrentIndex(s.charset());
  albumScan_->setChecked(s.albumScan());
  albumSplit_->setChecked(s.albumSplit());
  albumSplit_->setEnabled(s.splitEnabled());
  showDialog_->setChecked(s.showTransferDialog());
  reload_->setEnabled(s.reloadTagEnabled());
  refreshing_ = false;
}

void Id3v1EditorWindow::edited(Id3v1Box box, const QString& text) {
  if (refreshing_) return;
  session_->setText(box, str(text));
  refresh();
}

void Id3v1EditorWindow::showNotice(const Id3v1Notice& notice) {
  QMessageBox box(notice.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
                  q(notice.caption) + " ", q(notice.text) + " ", QMessageBox::Ok, this);
  box.exec();
}

void Id3v1EditorWindow::highlight(const std::vector<Id3v1Box>& boxes, const QColor& base) {
  startHighlight();
  refresh();
  for (Id3v1Box box : boxes)
    setColours(box == Id3v1Box::Genre ? static_cast<QWidget*>(genre_) : boxes_[size_t(box)], base, kHighlightText);
}

void Id3v1EditorWindow::popup(Id3v1Box box, const QPoint& at) {
  const QString clip = QGuiApplication::clipboard()->text();
  const Id3v1PopupItems items = session_->popupItems(box, !clip.isEmpty());
  QLineEdit* edit = box == Id3v1Box::Genre ? nullptr : boxes_[size_t(box)];
  QMenu menu(this);
  menu.setObjectName("Pm1");
  auto add = [&menu](const QString& text, const char* name, bool on) { return menuItem(menu, text, name, on); };
  QAction* view = add("&View original content", "PmView", true);
  QAction* reload = add("&Reload original content", "PmReload", true);
  menu.addSeparator();
  QAction* copy = add("&Copy  (Ctrl+C)", "PmCopy", items.copy);
  QAction* paste = add("&Paste  (Ctrl+V)", "PmPaste", items.paste);
  QAction* cut = add("Cu&t  (Ctrl+X)", "PmCut", items.cut);
  QAction* chosen = menu.exec(at);
  if (!chosen) return;
  if (chosen == view) {
    showNotice(session_->viewOriginal(box));
  } else if (chosen == reload) {
    if (const auto notice = session_->reloadOriginal(box)) showNotice(*notice);
  } else if (edit) {
    clipboardCommand(edit, chosen == copy    ? ClipboardCommand::Copy
                           : chosen == paste ? ClipboardCommand::Paste
                                             : ClipboardCommand::Cut);
  } else {
    const QString name = genre_->currentText();
    if (chosen == copy || chosen == cut) QGuiApplication::clipboard()->setText(name);
    if (chosen == cut) session_->chooseGenreLine(kEmptyGenreIndex);
    if (chosen == paste) session_->pasteGenre(str(clip));
  }
  refresh();
}

void Id3v1EditorWindow::focusNext(QWidget* from) {
  const std::array<QWidget*, 8> order = {boxes_[size_t(Id3v1Box::Title)],   boxes_[size_t(Id3v1Box::Artist)],
                                         boxes_[size_t(Id3v1Box::Album)],   genre_,
                                         boxes_[size_t(Id3v1Box::Comment)], boxes_[size_t(Id3v1Box::Year)],
                                         boxes_[size_t(Id3v1Box::Track)],   ok_};
  auto it = std::find(order.begin(), order.end(), from);
  if (it == order.end()) return;
  for (++it; it != order.end(); ++it) {
    if ((*it)->isEnabled()) {
      (*it)->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

bool Id3v1EditorWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNext(widget);
      return true;
    }
  } else if (event->type() == QEvent::FocusOut && widget == boxes_[size_t(Id3v1Box::Track)] &&
             !session_->closed()) {
    session_->leaveTrack();
    refresh();
  }
  return QDialog::eventFilter(watched, event);
}

bool Id3v1EditorWindow::finish(bool keep) {
  if (session_->closed()) return true;
  if (keep) {
    // The track box gives up its leading zeros before the record is kept.
    session_->leaveTrack();
    session_->ok();
  } else {
    session_->cancel();
  }
  return true;
}

}  // namespace kavrel
