#include "ui/dialogs/volume_dialog.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<VolumeDialogResult> showVolumeDialog(QWidget* parent, const VolumeDialogState& state) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Volume & Balance Change");
  auto* layout = new QVBoxLayout(&dialog);
  auto* scale = new QHBoxLayout;
  auto* label1 = new QLabel("-30 dB", &dialog);
  label1->setObjectName("Label1");
  auto* label2 = new QLabel(q(state.valueLabel), &dialog);
  label2->setObjectName("Label2");
  label2->setAlignment(Qt::AlignCenter);
  auto* label3 = new QLabel("+30 dB", &dialog);
  label3->setObjectName("Label3");
  scale->addWidget(label1);
  scale->addWidget(label2, 1);
  scale->addWidget(label3);
  layout->addLayout(scale);
  auto* slider = new QSlider(Qt::Horizontal, &dialog);
  slider->setObjectName("Slider1");
  slider->setRange(0, kSliderMax);
  slider->setPageStep(1);
  slider->setValue(state.sliderPosition);
  layout->addWidget(slider);
  QObject::connect(slider, &QSlider::valueChanged, label2,
                   [label2](int p) { label2->setText(q(volumeLabel(p - kVolumeSliderZero))); });

  QRadioButton* options[3];
  const char* const texts[3] = {"Both Channels", "Left Channel", "Right Channel"};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    options[i] = new QRadioButton(texts[i], &dialog);
    options[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
    grid->addWidget(options[i], i, 1);
  }
  options[1]->setEnabled(state.oneChannelEnabled);
  options[2]->setEnabled(state.oneChannelEnabled);
  options[int(state.channel)]->setChecked(true);
  const char* const warnNames[4] = {"Warnlab1", "Warnlab2", "WarnLab3", "WarnLab4"};
  const QString warning = state.warningText.empty() ? QString("warning") : q(state.warningText);
  for (int i = 0; i < 4; ++i) {
    QLabel* w = boldLabel(i < 2 ? warning : QString("warning"), warnNames[i], &dialog);
    w->setVisible(state.warningsVisible);
    grid->addWidget(w, 1 + i / 2, i % 2 == 0 ? 0 : 2);
  }
  layout->addLayout(grid);
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  layout->addWidget(ok);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  VolumeDialogResult result;
  result.sliderPosition = slider->value();
  result.channel = options[1]->isChecked()   ? VolumeChannel::Left
                   : options[2]->isChecked() ? VolumeChannel::Right
                                             : VolumeChannel::Both;
  return result;
}

}  // namespace kavrel
