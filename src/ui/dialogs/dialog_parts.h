#pragma once
// What the editing dialogs share: the dialog window itself (its place on
// the screen, closing when the user leaves it), bold labels, named buttons,
// the attach boxes and the file row of a split or save target.

#include <QDialog>
#include <QString>
#include <array>
#include <string>

#include "document/blocks.h"
#include "settings/options.h"

class QCheckBox;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

namespace kavrel {

// An editing dialog. It opens at `place` (centred on the parent's screen
// while no place is remembered, and always kept on a screen) and writes
// its place back there however it closes. It leaves the main window usable:
// run() shows it and waits until it closes. Activating another window
// closes it as cancelled, unless that window is its own (a drop-down list, a
// tooltip, or a box or file dialog it opened through ownWindow()).
class EditDialog : public QDialog {
 public:
  EditDialog(QWidget* parent, WindowPosition& place, const QString& title, const char* name);

  // QDialog::Accepted when OK (or the like) closed it, else Rejected.
  int run();
  // Runs `open`, which opens a window of the dialog's own, and returns its
  // result; the dialog stays open meanwhile.
  template <class Open>
  auto ownWindow(Open open) {
    struct Count {
      int& n;
      explicit Count(int& c) : n(++c) {}
      ~Count() { --n; }
    } count(ownWindows_);
    return open();
  }
  // A message box of the dialog's own.
  void inform(const QString& text, const QString& caption);

 protected:
  void changeEvent(QEvent* event) override;
  void done(int result) override;

 private:
  void place();

  WindowPosition& place_;
  int ownWindows_ = 0;
};

QLabel* boldLabel(const QString& text, const char* name, QWidget* parent);
// A push button that does not become the default by taking the focus:
// Enter presses only the button made the default, if any.
QPushButton* button(const QString& text, const char* name, QWidget* parent);

// The six attach boxes of one target, three to a row, added to `layout`;
// their object names end in `suffix`.
std::array<QCheckBox*, kBlockCount> attachBoxes(QWidget* parent, QLayout* layout, const QString& suffix);

// The file button, its label and the state picture of one target, added to
// `layout`; their object names end in `suffix`. A double click on the label
// shows the whole name.
struct TargetRow {
  QPushButton* fileBut = nullptr;
  QLabel* fileLab = nullptr;
  QLabel* picture = nullptr;
  std::string name;

  TargetRow(EditDialog* dialog, QWidget* parent, QLayout* layout, const QString& suffix);
  // The save dialog for the target's name; cancelling keeps the old one.
  void choose(EditDialog* dialog);
  // Shows the name as it fits the label, and its picture.
  void show();
};

}  // namespace kavrel
