#include "ui/dialogs/dialog_parts.h"

#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <optional>
#include <utility>

#include "editing/split_plan.h"
#include "ui/dialogs/file_dialogs.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

const char* const kAttachNames[kBlockCount] = {"RiffCheck",  "HeadTagCheck", "UheadCheck",
                                               "UfootCheck", "Lyrics3Check", "FootTagCheck"};
const char* const kAttachTexts[kBlockCount] = {"RIFF header",    "ID3v2 header", "unknown header",
                                               "unknown footer", "Lyrics3 tag",  "ID3v1 tag"};

}  // namespace

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

TargetRow::TargetRow(QWidget* parent, QLayout* layout, const QString& suffix) {
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

void TargetRow::choose(QWidget* parent) {
  if (std::optional<std::string> chosen = showSaveFileDialog(parent, std::string(), name)) {
    name = std::move(*chosen);
    show();
  }
}

void TargetRow::show() {
  const QFontMetrics metrics(fileLab->font());
  const int width = fileLab->width();
  fileLab->setText(
      q(fileLabelText(name, [&](const std::string& t) { return metrics.horizontalAdvance(q(t)) <= width; })));
  fileLab->setToolTip(q(name));
  static const char* const kColours[3] = {"#e0c000", "#20a020", "#d02020"};
  const TargetPicture state = targetPicture(name);
  picture->setStyleSheet(QString("background:") + kColours[int(state)]);
  picture->setAccessibleName(state == TargetPicture::Yellow  ? "YellowPic"
                             : state == TargetPicture::Green ? "GreenPic"
                                                             : "RedPic");
}

}  // namespace kavrel
