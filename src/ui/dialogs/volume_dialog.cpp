#include "ui/dialogs/volume_dialog.h"

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

std::optional<VolumeDialogResult> showVolumeDialog(QWidget* parent, const VolumeDialogState& state,
                                                   WindowPosition& place) {
  EditDialog dialog(parent, place, "Volume & Balance Change", "AmplifyForm");
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
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(kVolumeSliderZero);
  slider->setValue(state.sliderPosition);
  layout->addWidget(slider);

  VolumeDialogResult result;
  result.accepted = false;
  result.sliderMoved = false;
  result.channelPicked = false;
  QObject::connect(slider, &QSlider::valueChanged, &dialog, [&](int p) {
    label2->setText(q(volumeLabel(p - kVolumeSliderZero)));
    result.sliderMoved = true;
  });

  // Each one-channel option with its two warnings beside it: the design
  // caption "warning", then what kind of stereo the selection holds.
  QRadioButton* options[3];
  const char* const texts[3] = {"Both Channels", "Left Channel", "Right Channel"};
  const char* const warnNames[2][2] = {{"WarnLab3", "Warnlab1"}, {"WarnLab4", "Warnlab2"}};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    options[i] = new QRadioButton(texts[i], &dialog);
    options[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
    grid->addWidget(options[i], i, 0);
    QObject::connect(options[i], &QRadioButton::clicked, &dialog, [&] { result.channelPicked = true; });
    if (i == 0) continue;
    options[i]->setEnabled(state.oneChannelEnabled);
    for (int k = 0; k < 2; ++k) {
      QLabel* w = boldLabel("warning", warnNames[i - 1][k], &dialog);
      if (k == 1 && !state.warningText.empty()) w->setText(q(state.warningText));
      w->setStyleSheet("color: red");
      w->setVisible(state.warningsVisible);
      grid->addWidget(w, i, 1 + k);
    }
  }
  options[int(state.channel)]->setChecked(true);
  layout->addLayout(grid);
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  layout->addWidget(ok);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  result.accepted = dialog.run() == QDialog::Accepted;
  result.sliderPosition = slider->value();
  result.channel = options[1]->isChecked()   ? VolumeChannel::Left
                   : options[2]->isChecked() ? VolumeChannel::Right
                                             : VolumeChannel::Both;
  return result;
}

}  // namespace kavrel
