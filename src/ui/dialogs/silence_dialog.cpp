#include "ui/dialogs/silence_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<SilenceDialogResult> showSilenceDialog(QWidget* parent, const SilenceDialogState& state,
                                                     WindowPosition& place) {
  EditDialog dialog(parent, place, "Add empty frames:", "Emptyform");
  auto* layout = new QVBoxLayout(&dialog);
  auto* label1 = new QLabel("Silence length (sec):", &dialog);
  label1->setObjectName("Label1");
  layout->addWidget(label1);

  auto* row = new QHBoxLayout;
  auto* xbox = new QLineEdit(q(state.lengthText), &dialog);
  xbox->setObjectName("xbox");
  xbox->setMaxLength(8);
  xbox->setToolTip("Type length of silence in seconds to add");
  row->addWidget(xbox);
  struct Step {
    int code;
    const char* name;
    const char* text;
    const char* hint;
  };
  const Step steps[4] = {{kSilenceFrameUp, "cmsb1", "+f", "increase by one frame"},
                         {kSilenceSecondUp, "cmsb2", "+s", "Increase by one second"},
                         {kSilenceFrameDown, "cmsb3", "-f", "Decrease by one frame"},
                         {kSilenceSecondDown, "cmsb4", "-s", "Decrease by one second"}};
  QPushButton* stepButtons[4];
  for (int i = 0; i < 4; ++i) {
    stepButtons[i] = button(steps[i].text, steps[i].name, &dialog);
    stepButtons[i]->setToolTip(steps[i].hint);
    stepButtons[i]->setFixedWidth(34);
    row->addWidget(stepButtons[i]);
  }
  // Only Enter in the length box accepts, and only a valid length.
  QPushButton* ok = button("OK", "posokbut", &dialog);
  ok->setToolTip("Click here or press Enter when done");
  row->addWidget(ok);
  layout->addLayout(row);

  auto* label2 = new QLabel(q(state.limitLabel), &dialog);
  label2->setObjectName("Label2");
  layout->addWidget(label2);
  auto* where = new QLabel(q(state.whereLabel), &dialog);
  where->setObjectName("LabWhere");
  where->setToolTip("Where the silence will be placed");
  if (state.replacesSelection) where->setStyleSheet("color: red; background: white");
  layout->addWidget(where);

  auto combo = [&](const char* name, const auto& items, int current) {
    auto* box = new QComboBox(&dialog);
    box->setObjectName(name);
    for (const std::string& item : items) box->addItem(q(item));
    box->setCurrentIndex(current);
    layout->addWidget(box);
    return box;
  };
  QComboBox* kbps = combo("ComboKbps", state.kbpsItems, state.format.kbpsItem);
  QComboBox* freq = combo("ComboFreq", state.rateItems, itemOfRate(state.format.rate));
  QComboBox* mode = combo("ComboMode", state.modeItems, state.format.mode);

  int32_t pending = state.frames;
  auto rate = [freq] { return rateOfItem(freq->currentIndex()); };
  const int version = state.format.version;
  auto fromText = [&] {
    const SilenceLength length = parseSilenceLength(str(xbox->text()), version, rate());
    pending = length.frames;
    if (length.resetText) {
      const QSignalBlocker block(xbox);
      xbox->setText("0");
    }
    xbox->setStyleSheet(length.valid ? QString() : QString("color: red; background: palette(button)"));
    ok->setEnabled(length.valid);
  };
  auto stepBy = [&](int code) {
    pending = stepSilence(code, pending, str(xbox->text()), version, rate());
    const QSignalBlocker block(xbox);
    xbox->setText(q(silenceLengthText(pending, version, rate())));
    xbox->setStyleSheet(QString());
    ok->setEnabled(true);
  };
  QObject::connect(xbox, &QLineEdit::textEdited, &dialog, fromText);
  QObject::connect(freq, &QComboBox::currentIndexChanged, &dialog, fromText);

  // Held down, a step button waits one interval, then steps faster and
  // faster; its ordinary click on release makes one more step.
  AutoRepeat repeat = silenceAutoRepeat();
  auto* timer = new QTimer(&dialog);
  timer->setObjectName("xuttontimer");
  QObject::connect(timer, &QTimer::timeout, &dialog, [&] {
    if (const int code = repeat.tick(); code != 0) stepBy(code);
    timer->setInterval(repeat.interval());
  });
  for (int i = 0; i < 4; ++i) {
    const int code = steps[i].code;
    QObject::connect(stepButtons[i], &QPushButton::pressed, &dialog, [&, code] {
      if (repeat.press(code)) timer->start(repeat.interval());
    });
    QObject::connect(stepButtons[i], &QPushButton::released, &dialog, [&] {
      repeat.release();
      timer->stop();
      timer->setInterval(repeat.interval());
    });
    QObject::connect(stepButtons[i], &QPushButton::clicked, &dialog, [&, code] { stepBy(code); });
  }
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(xbox, &QLineEdit::returnPressed, &dialog, [&] {
    if (ok->isEnabled()) dialog.accept();
  });
  xbox->setFocus();
  xbox->selectAll();

  const bool accepted = dialog.run() == QDialog::Accepted;
  timer->stop();
  if (!accepted) return std::nullopt;
  SilenceDialogResult result;
  result.frames = pending;
  result.format = {kbps->currentIndex(), rate(), mode->currentIndex(), version};
  return result;
}

}  // namespace kavrel
