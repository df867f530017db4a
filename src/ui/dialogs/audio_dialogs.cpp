#include "ui/dialogs/audio_dialogs.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

QDoubleSpinBox* spin(QWidget* parent, const char* name, double low, double high, double step, double value,
                     const QString& suffix) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(name);
  box->setRange(low, high);
  box->setDecimals(1);
  box->setSingleStep(step);
  box->setValue(value);
  box->setSuffix(suffix);
  return box;
}

QPushButton* okButton(EditDialog& dialog, QVBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  QPushButton* cancel = button("Cancel", "ButCancel", &dialog);
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return ok;
}

}  // namespace

std::optional<NormalizeRequest> showNormalizeDialog(QWidget* parent, const NormalizeDialogState& state,
                                                    WindowPosition& place) {
  EditDialog dialog(parent, place, "Normalize (lossless, 1.5 dB steps)", "NormalizeForm");
  auto* layout = new QVBoxLayout(&dialog);
  auto* measured = new QLabel(q("Measured, " + state.scopeText + ":\n" + state.measuredText), &dialog);
  measured->setObjectName("MeasuredLab");
  measured->setWordWrap(true);
  layout->addWidget(measured);
  auto* form = new QFormLayout;
  QDoubleSpinBox* target = spin(&dialog, "TargetBox", -70, 0, 0.5, state.target, " LUFS");
  form->addRow("Target loudness:", target);
  auto* useCeiling = new QCheckBox("True-peak ceiling:", &dialog);
  useCeiling->setObjectName("CeilingCheck");
  useCeiling->setChecked(state.useCeiling);
  QDoubleSpinBox* ceiling = spin(&dialog, "CeilingBox", -30, 3, 0.5, state.ceiling, " dBTP");
  ceiling->setEnabled(state.useCeiling);
  QObject::connect(useCeiling, &QCheckBox::toggled, ceiling, &QWidget::setEnabled);
  form->addRow(useCeiling, ceiling);
  layout->addLayout(form);
  auto* replayGain = new QCheckBox("Write ReplayGain fields to the ID3v2 tag instead of changing the gains",
                                   &dialog);
  replayGain->setObjectName("ReplayGainCheck");
  replayGain->setChecked(state.replayGain);
  layout->addWidget(replayGain);
  okButton(dialog, layout);
  if (dialog.run() != QDialog::Accepted) return std::nullopt;
  NormalizeRequest r;
  r.target = target->value();
  if (useCeiling->isChecked()) r.ceiling = ceiling->value();
  else r.ceiling.reset();
  r.replayGain = replayGain->isChecked();
  return r;
}

std::optional<PartSplitRequest> showSilenceSplitDialog(QWidget* parent, const SilenceSplitDialogState& state,
                                                       WindowPosition& place) {
  EditDialog dialog(parent, place, "Split at silences", "SilenceSplitForm");
  auto* layout = new QVBoxLayout(&dialog);
  auto* form = new QFormLayout;
  auto* pattern = new QLineEdit(q(state.request.pattern), &dialog);
  pattern->setObjectName("PatternBox");
  pattern->setMinimumWidth(360);
  pattern->setToolTip("# marks where the part number goes; ## pads it to two digits");
  form->addRow("Files (# = number):", pattern);
  QDoubleSpinBox* threshold =
      spin(&dialog, "ThresholdBox", -120, -10, 1, state.request.rules.thresholdDb, " dBFS");
  form->addRow("Silent below:", threshold);
  QDoubleSpinBox* length = spin(&dialog, "LengthBox", 0.1, 3600, 0.5, state.request.rules.minSeconds, " s");
  form->addRow("For at least:", length);
  layout->addLayout(form);
  auto* drop = new QCheckBox("Leave the silences out (else cut in their middle)", &dialog);
  drop->setObjectName("DropCheck");
  drop->setChecked(state.request.dropSilences);
  layout->addWidget(drop);
  auto* tag = new QCheckBox("Track numbers into the ID3v2 tags", &dialog);
  tag->setObjectName("TagCheck");
  tag->setChecked(state.request.tagTracks);
  layout->addWidget(tag);
  QPushButton* ok = okButton(dialog, layout);
  // OK only with a pattern that numbers the files.
  auto check = [&] { ok->setEnabled(partFileName(str(pattern->text()), 1).has_value()); };
  QObject::connect(pattern, &QLineEdit::textChanged, &dialog, check);
  check();
  if (dialog.run() != QDialog::Accepted) return std::nullopt;
  PartSplitRequest r;
  r.pattern = str(pattern->text());
  r.rules.thresholdDb = threshold->value();
  r.rules.minSeconds = length->value();
  r.dropSilences = drop->isChecked();
  r.tagTracks = tag->isChecked();
  return r;
}

}  // namespace kavrel
