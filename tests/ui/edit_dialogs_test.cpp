// The editing dialogs of the window, driven offscreen: they show the state
// the core computed and hand back what the user set.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "ui/main_window.h"

namespace {

using namespace kavrel;

// Runs `act` on the modal dialog once it is open.
void whenOpen(const std::function<void(QDialog&)>& act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

template <class T>
T* child(QDialog& d, const char* name) {
  T* w = d.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

TEST(EditDialogs, VolumeDialogFollowsTheSlider) {
  MainWindow window;
  VolumeDialogState state = volumeDialogState(0, 20, 0, true, 2);
  std::string label;
  bool warningShown = false;
  whenOpen([&](QDialog& d) {
    child<QSlider>(d, "Slider1")->setValue(23);
    label = child<QLabel>(d, "Label2")->text().toStdString();
    warningShown = !child<QLabel>(d, "Warnlab1")->isHidden();
    child<QRadioButton>(d, "RadioButton3")->setChecked(true);
    child<QPushButton>(d, "ButOk")->click();
  });
  const auto result = window.volumeDialog(state);
  ASSERT_TRUE(result);
  EXPECT_EQ(label, "+4.5 dB");
  EXPECT_TRUE(warningShown);
  EXPECT_EQ(result->sliderPosition, 23);
  EXPECT_EQ(result->channel, VolumeChannel::Right);

  whenOpen([](QDialog& d) { d.reject(); });
  EXPECT_FALSE(window.fadeDialog(fadeDialogState(0, 20, true)));
}

TEST(EditDialogs, SilenceDialogCountsFramesFromTheText) {
  MainWindow window;
  Document doc;
  doc.editSummary = {9, 1, 0};
  doc.sourceSummary = doc.editSummary;
  bool okWhileInvalid = true;
  whenOpen([&](QDialog& d) {
    auto* box = child<QLineEdit>(d, "xbox");
    box->selectAll();
    box->insert("x");  // not a number
    okWhileInvalid = child<QPushButton>(d, "posokbut")->isEnabled();
    box->selectAll();
    box->insert("1");
    child<QComboBox>(d, "ComboFreq")->setCurrentIndex(2);  // 48 kHz
    child<QPushButton>(d, "cmsb1")->click();               // one frame more
    child<QPushButton>(d, "posokbut")->click();
  });
  const auto result = window.silenceDialog(silenceDialogState(doc, 0, 0, false));
  ASSERT_TRUE(result);
  EXPECT_FALSE(okWhileInvalid);
  EXPECT_EQ(result->frames, 43);  // 42 frames in 1 s at 48 kHz, plus one
  EXPECT_EQ(result->format, (SilenceFormat{8, 1, 1}));
}

TEST(EditDialogs, SplitDialogNeedsNamesForItsParts) {
  MainWindow window;
  bool okEnabled = true;
  bool part2Enabled = true;
  whenOpen([&](QDialog& d) {
    okEnabled = child<QPushButton>(d, "ButOk")->isEnabled();
    part2Enabled = child<QGroupBox>(d, "gb2")->isEnabled();
    EXPECT_TRUE(child<QPushButton>(d, "ExpBut")->isHidden());
    d.reject();
  });
  EXPECT_FALSE(window.splitDialog(splitDialogState(false, 10, 10, 100)));
  EXPECT_FALSE(okEnabled);
  EXPECT_FALSE(part2Enabled);
}

}  // namespace
