#pragma once
// What the two tag editor windows share: named controls, the colours of
// boxes a scan or a transfer filled, their place on the screen, the one open
// editor of each kind, and the transfer of the common fields between them.

#include <QColor>
#include <QDialog>
#include <QList>
#include <QString>
#include <QWidget>

#include "settings/options.h"
#include "settings/window_slots.h"
#include "tags/tag_transfer.h"

class QCheckBox;
class QAction;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace kavrel {

class Editor;

// Boxes filled by a scan, and boxes a transfer changed; the text of both.
inline const QColor kScanHighlight(128, 0, 0);
inline const QColor kTransferHighlight(0, 128, 128);
inline const QColor kHighlightText(255, 255, 192);
// The highlight lasts this long.
inline constexpr int kHighlightMs = 251;

// A push button that Enter does not press unless it is the default.
QPushButton* namedButton(const QString& text, const char* name, const QString& hint, QWidget* parent);
QCheckBox* namedCheck(const QString& text, const char* name, QWidget* parent);
void setColours(QWidget* w, const QColor& base, const QColor& text);

// A named popup-menu item, enabled or not.
QAction* menuItem(QMenu& menu, const QString& text, const char* name, bool enabled);
// A box's popup Copy, Paste and Cut: without a selection Copy and Cut take
// the whole text. A change arrives at the box as an edit.
enum class ClipboardCommand { Copy, Paste, Cut };
void clipboardCommand(QLineEdit* edit, ClipboardCommand command);

// The " from the file name " group of both editors: "&scan" with its
// "album" and "split" boxes, in a row.
struct ScanGroup {
  QGroupBox* group;
  QPushButton* scan;
  QCheckBox* album;
  QCheckBox* split;
};
ScanGroup scanGroup(QWidget* parent);

// Moves a tool window to `place`, kept whole on a screen; centred on its
// owner's screen while no place is remembered.
void placeTagWindow(QWidget* window, const WindowPosition& place);

// What both tag editor windows are: a tool window beside the main window
// that belongs to the document (the main window closes it when the document
// goes), takes no input while a script runs or a load or save holds the
// document, opens where it was last left, and ends as OK or Cancel, however
// it is closed.
class TagEditorWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the window where it was last left (centred on the owner's screen
  // the first time), or brings it to the front when it is open.
  virtual void open();
  // Shows the session's state anew.
  virtual void refresh() = 0;

 protected:
  TagEditorWindow(QWidget* owner, Editor& editor, const char* name, const QString& title, WindowSlot place);
  // Keeps (OK) or drops the edits; false keeps the window open.
  virtual bool finish(bool keep) = 0;
  void done(int result) final;
  // Boxes a scan or a transfer filled keep their colours for a moment.
  void startHighlight();
  bool highlighting() const;

  Editor& editor_;

 private:
  void followEditor();

  WindowSlot place_;
  QTimer* highlight_ = nullptr;
  QTimer* follow_ = nullptr;
  bool placed_ = false;
};

// The open editor window of type W that `owner` holds (a window whose
// session was closed is on its way out and does not count); nullptr when
// there is none.
template <class W>
W* openTagWindow(QWidget* owner) {
  for (W* w : owner->findChildren<W*>(QString(), Qt::FindDirectChildrenOnly))
    if (!w->session().closed()) return w;
  return nullptr;
}
// The open editor of type W, or a new one (not shown yet).
template <class W>
W* tagWindow(QWidget* owner, Editor& editor) {
  W* w = openTagWindow<W>(owner);
  return w ? w : new W(owner, editor);
}

// An import or export button of a tag editor: the transfer dialog when the
// "show dialog" option is on (it may turn the direction round), else the
// remembered word of `direction`. The receiving editor opens when it is not
// open yet and shows the boxes that changed highlighted. `from` is the
// window whose button was pressed; the editors are children of `owner`.
void transferTags(QWidget* from, QWidget* owner, Editor& editor, TransferDirection direction);

}  // namespace kavrel
