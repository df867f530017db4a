#include "ui/dialogs/fade_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<FadeDialogResult> showFadeDialog(QWidget* parent, const FadeDialogState& state,
                                               WindowPosition& place) {
  EditDialog dialog(parent, place, "Fade In/Out", "FadeOutForm");
  auto* layout = new QVBoxLayout(&dialog);
  auto* group = new QGroupBox(&dialog);
  group->setObjectName("Gmain");
  auto* groupLayout = new QHBoxLayout(group);
  auto* fadeIn = new QRadioButton("Fade in", group);
  fadeIn->setObjectName("RadioButton1");
  auto* fadeOut = new QRadioButton("Fade out", group);
  fadeOut->setObjectName("RadioButton2");
  groupLayout->addWidget(fadeIn);
  groupLayout->addWidget(fadeOut);
  (state.fadeIn ? fadeIn : fadeOut)->setChecked(true);
  layout->addWidget(group);
  auto* label = new QLabel(q(state.magnitudeLabel), &dialog);
  label->setObjectName("Label1");
  layout->addWidget(label);
  auto* slider = new QSlider(Qt::Horizontal, &dialog);
  slider->setObjectName("Slider1");
  slider->setRange(0, kSliderMax);
  slider->setPageStep(1);
  slider->setValue(state.sliderPosition);
  FadeDialogResult result;
  result.sliderMoved = false;
  QObject::connect(slider, &QSlider::valueChanged, &dialog, [&](int p) {
    label->setText(q(fadeMagnitudeLabel(p)));
    result.sliderMoved = true;
  });
  layout->addWidget(slider);
  QPushButton* ok = button("OK", "ButOk", &dialog);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(ok);

  result.accepted = dialog.run() == QDialog::Accepted;
  result.sliderPosition = slider->value();
  result.fadeIn = fadeIn->isChecked();
  return result;
}

}  // namespace kavrel
