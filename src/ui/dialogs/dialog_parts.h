#pragma once
// Widgets the editing dialogs share: bold labels, named buttons, the attach
// boxes and the file row of a split or save target.

#include <QString>
#include <array>
#include <string>

#include "document/blocks.h"

class QCheckBox;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

namespace kavrel {

QLabel* boldLabel(const QString& text, const char* name, QWidget* parent);
QPushButton* button(const QString& text, const char* name, QWidget* parent);

// The six attach boxes of one target, three to a row, added to `layout`;
// their object names end in `suffix`.
std::array<QCheckBox*, kBlockCount> attachBoxes(QWidget* parent, QLayout* layout, const QString& suffix);

// The file button, its label and the state picture of one target, added to
// `layout`; their object names end in `suffix`.
struct TargetRow {
  QPushButton* fileBut = nullptr;
  QLabel* fileLab = nullptr;
  QLabel* picture = nullptr;
  std::string name;

  TargetRow(QWidget* parent, QLayout* layout, const QString& suffix);
  // The save dialog for the target's name; cancelling keeps the old one.
  void choose(QWidget* parent);
  // Shows the name as it fits the label, and its picture.
  void show();
};

}  // namespace kavrel
