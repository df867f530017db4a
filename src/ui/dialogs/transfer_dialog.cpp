#include "ui/dialogs/transfer_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

// The title label turns the direction round on a double click.
class TitleLabel final : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onDoubleClick;

 protected:
  void mouseDoubleClickEvent(QMouseEvent*) override {
    if (onDoubleClick) onDoubleClick();
  }
};

}  // namespace

std::optional<TransferChoice> showTransferDialog(QWidget* parent, TransferDirection direction,
                                                 std::array<uint16_t, 2>& stored, bool& showNextTime,
                                                 WindowPosition& place) {
  QDialog dialog(parent);
  dialog.setObjectName("TransferForm");
  dialog.setWindowTitle("tag data transfer");
  dialog.setToolTip("in case of id3v1.0 tag, there is no track field");
  auto* layout = new QVBoxLayout(&dialog);
  auto* title = new TitleLabel(&dialog);
  title->setObjectName("LabTit");
  title->setToolTip("double-click to switch");
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);

  auto* fieldsBox = new QGroupBox(" fields ", &dialog);
  auto* grid = new QGridLayout(fieldsBox);
  static const char* kCaptions[kTransferFieldCount] = {"&title", "a&rtist", "a&lbum", "&genre",
                                                       "&comment", "&year", "trac&k *"};
  std::array<QCheckBox*, kTransferFieldCount> fields{};
  for (int i = 0; i < kTransferFieldCount; ++i) {
    fields[size_t(i)] = new QCheckBox(kCaptions[i], fieldsBox);
    fields[size_t(i)]->setObjectName(QString("Chk%1").arg(i + 1));
    grid->addWidget(fields[size_t(i)], i % 4, i / 4);
  }
  QPushButton* all = button("check &all", "ButCa", fieldsBox);
  QPushButton* none = button("&uncheck all", "ButUca", fieldsBox);
  grid->addWidget(all, 3, 1);
  grid->addWidget(none, 4, 1);
  layout->addWidget(fieldsBox);

  auto* opposite = new QCheckBox("&use the same settings for opposite way transfer", &dialog);
  opposite->setObjectName("CheckOppose");
  layout->addWidget(opposite);
  auto radioGroup = [&](const char* caption, const char* name, const char* first, const char* second) {
    auto* box = new QGroupBox(caption, &dialog);
    box->setObjectName(name);
    auto* v = new QVBoxLayout(box);
    auto* a = new QRadioButton(first, box);
    auto* b = new QRadioButton(second, box);
    v->addWidget(a);
    v->addWidget(b);
    layout->addWidget(box);
    return std::pair(a, b);
  };
  const auto [overwrite, blankOnly] = radioGroup(" &behavior ", "Rg1", "&overwrite existing fields",
                                                 "&transfer data only if target field is blank");
  const auto [remember, useDefault] = radioGroup(" &next time ", "Rg2", "&remember these settings",
                                                 "&use default settings (copy && overwrite all)");
  auto* show = new QCheckBox("&show this dialog next time", &dialog);
  show->setObjectName("CheckShow");
  show->setToolTip("Equivalent to \"show dialog\" checkboxes in tag editors");
  show->setChecked(showNextTime);
  layout->addWidget(show);
  auto* row = new QHBoxLayout;
  QPushButton* ok = button("O&K", "ButOk", &dialog);
  ok->setDefault(true);
  QPushButton* cancel = button("cancel", "ButCancel", &dialog);
  cancel->setToolTip("You can press ESC key as well");
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);

  // The word the boxes show; every click updates its bit.
  uint16_t word = kTransferDefault;
  auto showWord = [&] {
    title->setText(q(transferTitle(direction)));
    word = transferDialogWord(stored[size_t(direction)]);
    for (int i = 0; i < kTransferFieldCount; ++i) fields[size_t(i)]->setChecked(word & (1u << i));
    opposite->setChecked(word & kTransferOpposite);
    (word & kTransferOverwrite ? overwrite : blankOnly)->setChecked(true);
    (word & kTransferRemember ? remember : useDefault)->setChecked(true);
  };
  auto takeWord = [&] {
    word = 0;
    for (int i = 0; i < kTransferFieldCount; ++i)
      if (fields[size_t(i)]->isChecked()) word |= uint16_t(1u << i);
    if (opposite->isChecked()) word |= kTransferOpposite;
    if (overwrite->isChecked()) word |= kTransferOverwrite;
    if (remember->isChecked()) word |= kTransferRemember;
  };
  showWord();
  QObject::connect(all, &QPushButton::clicked, &dialog, [&] {
    for (QCheckBox* b : fields) b->setChecked(true);
  });
  QObject::connect(none, &QPushButton::clicked, &dialog, [&] {
    for (QCheckBox* b : fields) b->setChecked(false);
  });
  title->onDoubleClick = [&] {
    const auto answer = QMessageBox::question(&dialog, "change direction? ",
                                              q(transferSwitchQuestion(direction)) + " ",
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
      direction = direction == TransferDirection::V1ToV2 ? TransferDirection::V2ToV1 : TransferDirection::V1ToV2;
      showWord();
    } else if (answer == QMessageBox::Cancel) {
      dialog.reject();
    }
  };
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

  if (place.left != 0 || place.top != 0) dialog.move(place.left, place.top);
  const int result = dialog.exec();
  place = {dialog.x(), dialog.y()};
  if (result != QDialog::Accepted) return std::nullopt;
  takeWord();
  storeTransferWord(stored, direction, word);
  showNextTime = show->isChecked();
  return TransferChoice{direction, word};
}

}  // namespace kavrel
