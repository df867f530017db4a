#include "ui/dialogs/split_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <memory>
#include <vector>

#include "editing/messages.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<SplitDialogResult> showSplitDialog(QWidget* parent, const SplitDialogState& state,
                                                 WindowPosition& place) {
  EditDialog dialog(parent, place, q(msg::kSplitDialogCaption), "SplitForm");
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
    rows.push_back(std::make_unique<TargetRow>(&dialog, groups[k], partLayout, suffix));
    TargetRow* row = rows.back().get();
    QObject::connect(row->fileBut, &QPushButton::clicked, &dialog, [&, row] {
      row->choose(&dialog);
      update();
    });
    QObject::connect(groups[k], &QGroupBox::toggled, &dialog, [&] { update(); });
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
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  QObject::connect(exp, &QPushButton::clicked, &dialog, [&] {
    saveSelectionInstead = true;
    dialog.accept();
  });
  update();

  if (dialog.run() != QDialog::Accepted) return std::nullopt;
  SplitDialogResult result;
  result.saveSelectionInstead = saveSelectionInstead;
  for (size_t k = 0; k < 3; ++k) {
    result.checked[k] = groups[k]->isChecked();
    result.names[k] = rows[k]->name;
    for (size_t b = 0; b < kBlockCount; ++b) result.attach[k][b] = attach[k][b]->isChecked();
  }
  return result;
}

}  // namespace kavrel
