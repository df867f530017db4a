#include "ui/dialogs/silence_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"

namespace kavrel {

std::optional<SilenceDialogResult> showSilenceDialog(QWidget* parent, const SilenceDialogState& state) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Add empty frames:");
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
    const char* name;
    const char* text;
    const char* hint;
  };
  const Step steps[4] = {{"cmsb1", "+f", "increase by one frame"},
                         {"cmsb2", "+s", "Increase by one second"},
                         {"cmsb3", "-f", "Decrease by one frame"},
                         {"cmsb4", "-s", "Decrease by one second"}};
  QPushButton* stepButtons[4];
  for (int i = 0; i < 4; ++i) {
    stepButtons[i] = button(steps[i].text, steps[i].name, &dialog);
    stepButtons[i]->setToolTip(steps[i].hint);
    // Held down: repeats after 220 ms, then quickly.
    stepButtons[i]->setAutoRepeat(true);
    stepButtons[i]->setAutoRepeatDelay(220);
    stepButtons[i]->setAutoRepeatInterval(40);
    row->addWidget(stepButtons[i]);
  }
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
  auto fromText = [&] {
    const SilenceLength length = parseSilenceLength(str(xbox->text()), rate());
    pending = length.frames;
    if (length.resetText) {
      const QSignalBlocker block(xbox);
      xbox->setText("0");
    }
    xbox->setStyleSheet(length.valid ? QString() : QString("color: red; background: palette(button)"));
    ok->setEnabled(length.valid);
  };
  auto showCount = [&] {
    const QSignalBlocker block(xbox);
    xbox->setText(q(silenceLengthText(pending, rate())));
    xbox->setStyleSheet(QString());
    ok->setEnabled(true);
  };
  QObject::connect(xbox, &QLineEdit::textEdited, &dialog, fromText);
  QObject::connect(freq, &QComboBox::currentIndexChanged, &dialog, fromText);
  QObject::connect(stepButtons[0], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceFrame(pending, 1);
    showCount();
  });
  QObject::connect(stepButtons[2], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceFrame(pending, -1);
    showCount();
  });
  QObject::connect(stepButtons[1], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceSecond(str(xbox->text()), rate(), 1);
    showCount();
  });
  QObject::connect(stepButtons[3], &QPushButton::clicked, &dialog, [&] {
    pending = stepSilenceSecond(str(xbox->text()), rate(), -1);
    showCount();
  });
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(xbox, &QLineEdit::returnPressed, &dialog, [&] {
    if (ok->isEnabled()) dialog.accept();
  });
  xbox->setFocus();
  xbox->selectAll();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  SilenceDialogResult result;
  result.frames = pending;
  result.format = {kbps->currentIndex(), rate(), mode->currentIndex()};
  return result;
}

}  // namespace kavrel
