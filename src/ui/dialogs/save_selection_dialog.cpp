#include "ui/dialogs/save_selection_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "editing/messages.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<SaveSelectionDialogResult> showSaveSelectionDialog(QWidget* parent,
                                                                 const SaveSelectionDialogState& state,
                                                                 WindowPosition& place) {
  EditDialog dialog(parent, place, q(msg::kSaveSelectionDialogCaption), "SaveSelForm");
  auto* layout = new QVBoxLayout(&dialog);
  // All unchecked: by default the selection is written as frames only.
  const std::array<QCheckBox*, kBlockCount> attach = attachBoxes(&dialog, layout, QString());
  for (size_t b = 0; b < kBlockCount; ++b) attach[b]->setEnabled(state.available[b]);
  TargetRow row(&dialog, &dialog, layout, QString());
  auto* buttons = new QHBoxLayout;
  QPushButton* ok = button("OK", "ButOk", &dialog);
  QPushButton* cancel = button("cancel", "ButCancel", &dialog);
  ok->setEnabled(false);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  QObject::connect(row.fileBut, &QPushButton::clicked, &dialog, [&] {
    row.choose(&dialog);
    ok->setEnabled(!row.name.empty());
  });
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.run() != QDialog::Accepted || row.name.empty()) return std::nullopt;
  SaveSelectionDialogResult result;
  result.name = row.name;
  for (size_t b = 0; b < kBlockCount; ++b) result.attach[b] = attach[b]->isChecked() && state.available[b];
  return result;
}

}  // namespace kavrel
