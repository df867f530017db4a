// The editing dialogs driven offscreen: state shown, answers, places, leaving.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>

#include "settings/window_slots.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace {

using namespace kavrel;
using kavrel::test::onNextDialog;

// Runs `act` on the editing dialog once it is open (it leaves the main window
// usable, so it is the dialog that shows rather than a modal one).
void whenOpen(const std::function<void(QDialog&)>& act) {
  onNextDialog([act](QWidget* w) { act(*static_cast<QDialog*>(w)); });
}

template <class T>
T* child(QWidget& d, const char* name) {
  T* w = d.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

TEST(EditDialogs, VolumeDialogFollowsTheSliderAndShowsItsWarnings) {
  MainWindow window;
  std::string labels;
  whenOpen([&](QDialog& d) {
    child<QSlider>(d, "Slider1")->setValue(23);
    for (const char* name : {"Label2", "Warnlab1", "Warnlab2", "WarnLab3", "WarnLab4"}) {
      auto* l = child<QLabel>(d, name);
      labels += (l->isHidden() ? "(hidden)" : "") + l->text().toStdString() + " ";
    }
    child<QRadioButton>(d, "RadioButton3")->click();
    child<QPushButton>(d, "ButOk")->click();
  });
  const auto result = window.volumeDialog(volumeDialogState(0, 20, 0, true, 2));
  ASSERT_TRUE(result);
  EXPECT_EQ(labels, "+4.5 dB mixed stereo! mixed stereo! warning warning ");
  EXPECT_TRUE(result->accepted && result->sliderMoved && result->channelPicked);
  EXPECT_EQ(std::pair(result->sliderPosition, result->channel), std::pair(23, VolumeChannel::Right));
}

TEST(EditDialogs, EachDialogOpensWhereItWasLeftAndStaysOnTheScreen) {
  MainWindow window;
  auto& places = window.editor().options().windowPositions;
  const std::pair<WindowSlot, std::function<void()>> dialogs[] = {
      {WindowSlot::VolumeDialog, [&] { window.volumeDialog({}); }},
      {WindowSlot::FadeDialog, [&] { window.fadeDialog({}); }},
      {WindowSlot::SilenceDialog, [&] { window.silenceDialog({}); }},
      {WindowSlot::SplitDialog, [&] { window.splitDialog(splitDialogState(false, 10, 10, 100)); }},
      {WindowSlot::SaveSelectionDialog, [&] { window.saveSelectionDialog({}); }},
      {WindowSlot::NormalizeDialog, [&] { window.normalizeDialog({}); }},
      {WindowSlot::SilenceSplitDialog, [&] { window.silenceSplitDialog({}); }}};
  int i = 0;
  for (const auto& [slot, open] : dialogs) {
    // Each dialog its own place; moved, it is remembered however it closed, here by Esc.
    const QPoint at(3 + 4 * i, 5 + 2 * i);
    ++i;
    places[slotIndex(slot)] = {at.x(), at.y()};
    QPoint openedAt;
    bool escClosed = false;
    whenOpen([&](QDialog& d) {
      openedAt = d.pos();
      d.move(d.pos() + QPoint(7, 3));
      QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Escape);
      escClosed = !d.isVisible();
      if (!escClosed) d.reject();
    });
    open();
    EXPECT_TRUE(escClosed) << i;
    EXPECT_EQ(openedAt, at) << i;
    EXPECT_EQ(places[slotIndex(slot)], (WindowPosition{at.x() + 7, at.y() + 3})) << i;
  }
  // Never placed, placed where a reset centres a window, or off the screen.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const size_t slot = slotIndex(WindowSlot::FadeDialog);
  const std::pair<WindowPosition, const char*> rows[] = {
      {WindowPosition{}, "centred"}, {window.centredWindowPosition(slot), "centred"}, {{5000, -70}, "top right"}};
  for (const auto& [stored, where] : rows) {
    places[slot] = stored;
    QRect frame;
    whenOpen([&](QDialog& d) {
      frame = d.frameGeometry();
      d.reject();
    });
    window.fadeDialog({});
    const QPoint expected = std::string(where) == "centred"
                                ? area.center() - QPoint(frame.width() / 2, frame.height() / 2)
                                : QPoint(area.right() + 1 - frame.width(), area.top());
    EXPECT_EQ(frame.topLeft(), expected) << where << " " << stored.left;
  }
}

TEST(EditDialogs, LeavingTheDialogCancelsItButTheMemoryKeepsWhatWasMoved) {
  test::TempDir dir;
  const std::string path = dir.file("song.mp3");
  test::writeFile(path, test::Mp3Builder().frames(20).bytes());
  MainWindow window;
  window.openFile(QString::fromStdString(path));
  Editor& editor = window.editor();
  ASSERT_TRUE(editor.hasSelection());
  QWidget elsewhere;
  bool left = false;
  whenOpen([&](QDialog& d) {
    child<QSlider>(d, "Slider1")->setValue(30);
    child<QRadioButton>(d, "RadioButton2")->click();
    elsewhere.show();
    elsewhere.activateWindow();
    for (int k = 0; k < 3 && d.isVisible(); ++k) QApplication::processEvents();
    left = !d.isVisible();
    if (!left) d.reject();
  });
  editor.amplify(Sender::User);
  EXPECT_TRUE(left && editor.options().volumeSliderMemory == 30 && editor.options().volumeChannelMemory == 1);
  EXPECT_TRUE(editor.document().gainList.front() == GainPair{} && !editor.document().modified);
}

TEST(EditDialogs, SilenceStepButtonsRepeatWhileHeldAndEnterNeedsAValidLength) {
  MainWindow window;
  Document doc;
  doc.sourceSummary = doc.editSummary = {9, 1, 0};
  std::vector<std::string> texts;
  std::vector<int> intervals;
  bool activeAfterRelease = true;
  whenOpen([&](QDialog& d) {
    auto* box = child<QLineEdit>(d, "xbox");
    auto* timer = d.findChild<QTimer*>("xuttontimer");
    ASSERT_NE(timer, nullptr);
    auto* second = child<QPushButton>(d, "cmsb2");
    auto note = [&] {
      texts.push_back(box->text().toStdString());
      intervals.push_back(timer->interval());
    };
    // Held: a tick of wait, then a second per tick, and one more on release.
    QTest::mousePress(second, Qt::LeftButton);
    note();
    for (int k = 0; k < 3; ++k) {
      QTimerEvent tick(timer->timerId());
      QApplication::sendEvent(timer, &tick);
      note();
    }
    QTest::mouseRelease(second, Qt::LeftButton);
    activeAfterRelease = timer->isActive();
    note();
    // Enter on a length that doesn't parse does nothing; on a valid one it accepts.
    box->selectAll();
    box->insert("1,0x");
    QTest::keyClick(box, Qt::Key_Return);
    note();
    EXPECT_TRUE(d.isVisible());
    box->backspace();
    child<QComboBox>(d, "ComboFreq")->setCurrentIndex(2);  // 48 kHz
    QTest::keyClick(box, Qt::Key_Return);
    if (d.isVisible()) d.reject();
  });
  const auto result = window.silenceDialog(silenceDialogState(doc, 0, 0, false));
  ASSERT_TRUE(result);
  EXPECT_EQ(texts, (std::vector<std::string>{"0", "0", "0.993", "2.011", "3.004", "1,0x"}));
  EXPECT_EQ(intervals, (std::vector<int>{220, 220, 180, 140, 220, 220}));
  EXPECT_FALSE(activeAfterRelease);
  EXPECT_EQ(std::tuple(result->frames, result->format), std::tuple(42, SilenceFormat{8, 1, 1}));  // 1 s
}

TEST(EditDialogs, TargetDialogsEnableTheirBoxesAndShowTheFullName) {
  MainWindow window;
  // Split at a cursor: no middle part; unchecking a part locks its boxes.
  std::string split;
  whenOpen([&](QDialog& d) {
    child<QGroupBox>(d, "gb1")->setChecked(false);
    for (const char* name : {"gb2", "RiffCheck1", "FileBut1", "FileBut3", "ButOk"})
      split += std::string(child<QWidget>(d, name)->isEnabled() ? "+" : "-") + name + " ";
    EXPECT_TRUE(child<QPushButton>(d, "ExpBut")->isHidden());
    d.reject();
  });
  EXPECT_FALSE(window.splitDialog(splitDialogState(false, 10, 10, 100)));
  EXPECT_EQ(split, "-gb2 -RiffCheck1 -FileBut1 +FileBut3 -ButOk ");
  // Saving the selection: a box for each block the file has, all unchecked.
  // The full-name box the dialog opens does not count as leaving it.
  SaveSelectionDialogState state;
  state.available = {true, false, false, true, false, false, true};
  std::string boxes;
  std::string fullName;
  bool openAfterBox = false;
  whenOpen([&](QDialog& d) {
    for (auto* box : d.findChildren<QCheckBox*>())
      boxes += box->objectName().toStdString() + (box->isEnabled() ? "+" : "-") + (box->isChecked() ? "x " : " ");
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      fullName = box->windowTitle().toStdString() + box->text().toStdString();
      box->accept();
    });
    QTest::mouseDClick(child<QLabel>(d, "FileLab"), Qt::LeftButton);
    QApplication::processEvents();
    openAfterBox = d.isVisible();
    child<QPushButton>(d, "ButCancel")->click();
  });
  EXPECT_FALSE(window.saveSelectionDialog(state));
  EXPECT_EQ(boxes, "RiffCheck+ HeadTagCheck- UheadCheck- UfootCheck+ ApeCheck- Lyrics3Check- FootTagCheck+ ");
  EXPECT_EQ(fullName, "full filename: not specified yet ");
  EXPECT_TRUE(openAfterBox);
}

}  // namespace
