#include "ui/tag_window_parts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPalette>
#include <QPushButton>
#include <QLayout>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "app/editor.h"
#include "app/id3v1_session.h"
#include "app/id3v2_session.h"
#include "settings/window_slots.h"
#include "ui/dialogs/transfer_dialog.h"
#include "ui/id3v1_editor.h"
#include "ui/id3v2_editor.h"

namespace kavrel {

QPushButton* namedButton(const QString& text, const char* name, const QString& hint, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setAutoDefault(false);
  return b;
}

QCheckBox* namedCheck(const QString& text, const char* name, QWidget* parent) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  return c;
}

void setColours(QWidget* w, const QColor& base, const QColor& text) {
  QPalette p = w->palette();
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button}) p.setColor(role, base);
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText}) p.setColor(role, text);
  w->setPalette(p);
}

QAction* menuItem(QMenu& menu, const QString& text, const char* name, bool enabled) {
  QAction* a = menu.addAction(text);
  a->setObjectName(name);
  a->setEnabled(enabled);
  return a;
}

void clipboardCommand(QLineEdit* edit, ClipboardCommand command) {
  switch (command) {
    case ClipboardCommand::Copy:
      if (edit->hasSelectedText())
        edit->copy();
      else
        QGuiApplication::clipboard()->setText(edit->text());
      break;
    case ClipboardCommand::Paste: edit->paste(); break;
    case ClipboardCommand::Cut:
      if (!edit->hasSelectedText()) edit->selectAll();
      edit->cut();
      break;
  }
}

ScanGroup scanGroup(QWidget* parent) {
  auto* group = new QGroupBox(" from the file name ", parent);
  ScanGroup g{group, namedButton("&scan", "ButScan", "Artist and title from the file name", group),
              namedCheck("album", "CheckAlbScan", group), namedCheck("split", "CheckAlbSplit", group)};
  g.album->setToolTip("The album from the folder's name");
  g.split->setToolTip("Only the part of the folder's name after \" - \"");
  auto* row = new QHBoxLayout(group);
  for (QWidget* w : {static_cast<QWidget*>(g.scan), static_cast<QWidget*>(g.album), static_cast<QWidget*>(g.split)})
    row->addWidget(w);
  return g;
}

void placeTagWindow(QWidget* window, const WindowPosition& place) {
  const QSize size = window->frameGeometry().size();
  QWidget* owner = window->parentWidget();
  QScreen* home = owner ? owner->screen() : window->screen();
  if (!home) home = QGuiApplication::primaryScreen();
  if (!home) return;
  const bool never = place == WindowPosition{};
  QPoint at(place.left, place.top);
  QScreen* on = never ? home : QGuiApplication::screenAt(at);
  if (!on) on = home;
  const QRect area = on->availableGeometry();
  if (never) at = area.center() - QPoint(size.width() / 2, size.height() / 2);
  at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
  at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
  window->move(at);
}

TagEditorWindow::TagEditorWindow(QWidget* owner, Editor& editor, const char* name, const QString& title,
                                 WindowSlot place)
    : QDialog(owner), editor_(editor), place_(place) {
  setObjectName(name);
  setWindowTitle(title);
  setWindowFlag(Qt::Tool);
  setModal(false);
  // The main window closes the windows that edit its document.
  setProperty("documentWindow", true);
  highlight_ = new QTimer(this);
  highlight_->setObjectName("TimerColor");
  highlight_->setSingleShot(true);
  highlight_->setInterval(kHighlightMs);
  connect(highlight_, &QTimer::timeout, this, [this] { refresh(); });
  // No signal tells of a script or a save starting: look a few times a second.
  follow_ = new QTimer(this);
  follow_->setInterval(100);
  connect(follow_, &QTimer::timeout, this, [this] { followEditor(); });
}

void TagEditorWindow::open() {
  followEditor();
  if (!placed_) {
    ensurePolished();
    layout()->activate();
    adjustSize();
    winId();
    placeTagWindow(this, editor_.options().windowPositions[slotIndex(place_)]);
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
  follow_->start();
}

void TagEditorWindow::followEditor() { setEnabled(!editor_.scriptRunning && !editor_.document().busy); }

void TagEditorWindow::startHighlight() { highlight_->start(); }
bool TagEditorWindow::highlighting() const { return highlight_->isActive(); }

void TagEditorWindow::done(int result) {
  if (!finish(result == QDialog::Accepted)) return;
  follow_->stop();
  editor_.options().windowPositions[slotIndex(place_)] = {int32_t(x()), int32_t(y())};
  QDialog::done(result);
  deleteLater();
}

namespace {

constexpr std::pair<TransferField, Id3v1Box> kV1Boxes[] = {
    {TransferField::Title, Id3v1Box::Title},     {TransferField::Artist, Id3v1Box::Artist},
    {TransferField::Album, Id3v1Box::Album},     {TransferField::Genre, Id3v1Box::Genre},
    {TransferField::Comment, Id3v1Box::Comment}, {TransferField::Year, Id3v1Box::Year},
    {TransferField::Track, Id3v1Box::Track}};
constexpr std::pair<TransferField, Id3v2Box> kV2Boxes[] = {
    {TransferField::Title, Id3v2Box::Title},     {TransferField::Artist, Id3v2Box::Artist},
    {TransferField::Album, Id3v2Box::Album},     {TransferField::Genre, Id3v2Box::Genre},
    {TransferField::Comment, Id3v2Box::Comment}, {TransferField::Year, Id3v2Box::Year},
    {TransferField::Track, Id3v2Box::Track}};

std::string* v2Text(Id3v2Boxes& b, TransferField f) {
  std::string* texts[] = {&b.title, &b.artist, &b.album, &b.genre, &b.comment, &b.year, &b.track};
  return texts[int(f)];
}
std::string* v1Text(Id3v1Boxes& b, TransferField f) {
  std::string* texts[] = {&b.title, &b.artist, &b.album, nullptr, &b.comment, &b.year, &b.track};
  return texts[int(f)];
}

Id3v1Boxes boxesOf(const Id3v1Session& s) {
  Id3v1Boxes b;
  for (const auto& [field, box] : kV1Boxes)
    if (std::string* text = v1Text(b, field)) *text = s.text(box);
  b.genreLine = s.genreLine();
  b.version11 = s.version11();
  return b;
}

// A box showing its field's description goes back to the text first.
Id3v2Boxes boxesOf(Id3v2EditorSession& s) {
  Id3v2Boxes b;
  for (const auto& [field, box] : kV2Boxes) {
    s.showText(box);
    *v2Text(b, field) = s.boxText(box);
  }
  return b;
}

// The ID3v2 boxes as an editor would show them. Without an open editor a
// session of our own reads them, unless the document has no tag at all: a
// session would make one.
Id3v2Boxes id3v2Source(Id3v2EditorWindow* window, Editor& editor) {
  if (window) {
    Id3v2Boxes boxes = boxesOf(window->session());
    window->refresh();
    return boxes;
  }
  const Document& doc = editor.document();
  if (!doc.layout.id3v2Found && doc.tagFields.fields.empty()) return {};
  Id3v2EditorSession reader(editor);
  return boxesOf(reader);
}

}  // namespace

void transferTags(QWidget* from, QWidget* owner, Editor& editor, TransferDirection direction) {
  Options& o = editor.options();
  uint16_t word = o.transferWords[size_t(direction)];
  if (showTransferDialog(o)) {
    bool show = true;
    const std::optional<TransferChoice> choice = showTransferDialog(
        from, direction, o.transferWords, show, o.windowPositions[slotIndex(WindowSlot::TagTransferDialog)]);
    if (!choice) return;
    setShowTransferDialog(o, show);
    direction = choice->direction;
    word = choice->word;
    // Both editors' "show dialog" boxes show the option.
    if (auto* v1 = openTagWindow<Id3v1EditorWindow>(owner)) v1->refresh();
    if (auto* v2 = openTagWindow<Id3v2EditorWindow>(owner)) v2->refresh();
  }
  if ((word & kTransferFieldBits) == 0) {
    editor.host().messageBox(kTransferNoFields, "Kavrel", MessageIcon::Information, MessageButtons::Ok,
                             MessageResult::Ok);
    return;
  }
  auto* v1 = openTagWindow<Id3v1EditorWindow>(owner);
  auto* v2 = openTagWindow<Id3v2EditorWindow>(owner);
  if (direction == TransferDirection::V1ToV2) {
    const Id3v1Boxes source = v1 ? boxesOf(v1->session()) : boxesOf(Id3v1Session(editor));
    if (!v2) v2 = new Id3v2EditorWindow(owner, editor);
    v2->open();
    Id3v2EditorSession& target = v2->session();
    Id3v2Boxes boxes = boxesOf(target);
    const TransferResult result = transferToId3v2(source, boxes, word);
    std::vector<Id3v2Box> changed;
    for (TransferField field : result.changed) {
      const Id3v2Box box = kV2Boxes[int(field)].second;
      target.setBoxText(box, *v2Text(boxes, field));
      changed.push_back(box);
    }
    v2->highlight(changed, kTransferHighlight);
  } else {
    const Id3v2Boxes source = id3v2Source(v2, editor);
    if (!v1) v1 = new Id3v1EditorWindow(owner, editor);
    v1->open();
    Id3v1Session& target = v1->session();
    Id3v1Boxes boxes = boxesOf(target);
    const TransferResult result = transferToId3v1(source, boxes, word);
    std::vector<Id3v1Box> changed;
    for (TransferField field : result.changed) {
      const Id3v1Box box = kV1Boxes[int(field)].second;
      if (box == Id3v1Box::Genre)
        target.chooseGenreLine(boxes.genreLine >= 0 ? boxes.genreLine : kEmptyGenreIndex);
      else
        target.setText(box, *v1Text(boxes, field));
      changed.push_back(box);
    }
    v1->highlight(changed, kTransferHighlight);
  }
}

}  // namespace kavrel
