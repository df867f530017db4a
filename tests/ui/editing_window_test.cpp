// The editor window end to end, as a user drives it; the rules behind each control are tested in the core.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QUrl>
#include <filesystem>
#include <sstream>

#include "app/headless_host.h"
#include "editing/frame_view.h"
#include "settings/configuration.h"
#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/frame_view_widget.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

class EditingWindow : public ::testing::Test {
 protected:
  TempDir dir;
  EnvScope home{"KAVREL_HOME", dir.file("home")};
  EnvScope runtime{"XDG_RUNTIME_DIR", dir.path()};
  MainWindow window;
  FrameViewWidget* canvas = window.frameView();
  Editor& editor = window.editor();
  // Starts the window as `kavrel path` does, with a stored configuration
  // (no start-up notice), and waits for the load.
  void start(const std::string& path) {
    std::filesystem::create_directories(dir.file("home"));
    std::ostringstream messages;
    HeadlessHost host(messages);
    Editor settings(host);
    settings.configurationPath = dir.file("home") + "/" + kConfigurationFileName;
    settings.saveConfiguration();
    window.start({path});
    window.show();
    ASSERT_TRUE(waitFor([&] { return editor.document().documentLoaded; }));
  }
  template <class W = QPushButton>
  W* child(const char* name) {
    W* w = window.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // A point on the strip in front of position p.
  QPoint strip(int32_t p) const { return {positionX(p, editor.viewOffset) + 1, kStripTop + 10}; }
  std::string selection() const {
    return std::to_string(editor.selection[0]) + ".." + std::to_string(editor.selection[1]) +
           (editor.multipleSelected ? " sel" : "");
  }
  void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &window, Qt::Key(k), m);
  }
};

// The controls other programs' users and scripts of this window know by
// name, with the captions and hints they are known by.
TEST_F(EditingWindow, ControlsCarryTheirNamesCaptionsAndHints) {
  const std::tuple<const char*, const char*, const char*> controls[] = {
      {"ButQuickSave", "&Save", nullptr}, {"ButSaveAs", "Save &As", nullptr}, {"TrimBut", "Tri&m", nullptr},
      {"Reloadbut", "&Reload", nullptr}, {"Amplifybut", "&Vol./bal.", nullptr},
      {"FadeBut", "Fa&de in/out", nullptr},
      {"Emptybut", "add S&il.", "Insert empty frames (silence)"}, {"ButFind", "fi&nd", nullptr},
      {"SplitBut", "Split", "Split the file into 2 or 3 smaller files"},
      {"cmsb1", nullptr, "Increase by one frame"}, {"cmsb6", nullptr, "Increase by one second"},
      {"cmsb7", nullptr, "Decrease by one frame"}, {"cmsb4", nullptr, "Decrease by one second"},
      {"SleftBit", nullptr, "move the displayed area one page to the left (up)"},
      {"SrightBit", nullptr, "move the displayed area one page to the right (down)"},
      {"vl3button", nullptr, "view lyrics3 tag (lyrics only)"},
      {"vuhbut", nullptr, "view unknown header tag"}, {"vufbut", nullptr, "view unknown footer tag"},
      {"vftbut", nullptr, "edit id3v1 tag"}, {"LabSelLen", nullptr, "Length of selection in seconds"},
      {"LabelWhc", "on screen", "Where is the cursor?"},
      {"kbpsbox", nullptr, "Right click to switch between input and edited stats"},
      {"FileInLabel", nullptr,
       "Path to source (opened) file\r\nDouble-click to display full path, if it's too large to be visible"},
      {"FileOutLabel", nullptr,
       "Path to target (saved) file\r\nDouble-click to display full path, if it's too large to be visible"}};
  for (const auto& [name, caption, hint] : controls) {
    QWidget* w = child<QWidget>(name);
    if (!w) continue;
    if (caption) {
      const auto* b = qobject_cast<QAbstractButton*>(w);
      const auto* l = qobject_cast<QLabel*>(w);
      EXPECT_EQ((b ? b->text() : l ? l->text() : QString()).toStdString(), caption) << name;
    }
    if (hint) {
      EXPECT_EQ(w->toolTip().toStdString(), hint) << name;
    }
  }
  for (const char* name : {"teditbox1", "teditbox2", "SelAllBut", "Unselbut", "SelClrBut", "DelBut", "CutBut",
                           "Copybut", "Pastebut", "UndoBut", "InsertBut", "ButPselect", "vhtbut", "LabInput",
                           "LabOutput", "LabInfoInput", "LabInfoOutput", "Glabelleft", "Glabelmid", "Glabelright"})
    child<QWidget>(name);
  // Without a document nothing can be edited.
  for (const char* name : {"ButQuickSave", "DelBut", "Pastebut", "UndoBut", "cmsb1", "SelAllBut", "teditbox1"})
    EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
  EXPECT_EQ(child<QLabel>("LabInfoInput")->text().toStdString(), "No file loaded");
}

TEST_F(EditingWindow, OpenSelectDeleteUndoAmplifyAndSave) {
  const std::string path = dir.file("song.mp3");
  writeFile(path, Mp3Builder().frames(200).bytes());
  start(path);
  EXPECT_EQ(child<QLabel>("FileInLabel")->text().toStdString(), path);
  // A left drag on the strip selects from the press to the release.
  QTest::mousePress(canvas, Qt::LeftButton, {}, strip(10));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, strip(30));
  EXPECT_EQ(selection(), "10..30 sel");
  EXPECT_EQ(child<QLineEdit>("teditbox2")->text().toStdString(), editor.positionText[1]);
  EXPECT_TRUE(child<QLabel>("LabSelLen")->isVisible() && child("DelBut")->isEnabled());
  // Ctrl+Delete deletes, Ctrl+Z brings the frames and the selection back.
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(std::to_string(editor.document().documentFrameCount()) + " " + selection(), "180 10..10");
  EXPECT_TRUE(!child("DelBut")->isEnabled() && child("UndoBut")->isEnabled());
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(std::to_string(editor.document().documentFrameCount()) + " " + selection(), "200 10..30 sel");
  // +6 dB through the volume dialog; while it is open the window's commands wait.
  bool disabledMeanwhile = false;
  onNextDialog([&](QWidget* dialog) {
    disabledMeanwhile = !child("DelBut")->isEnabled() && !window.action("MenuCut")->isEnabled();
    dialog->findChild<QSlider*>("Slider1")->setValue(24);
    QTest::mouseClick(dialog->findChild<QPushButton*>("ButOk"), Qt::LeftButton);
  });
  QTest::mouseClick(child("Amplifybut"), Qt::LeftButton);
  EXPECT_TRUE(disabledMeanwhile && child("DelBut")->isEnabled());
  EXPECT_EQ(editor.document().gainList[10].left, 4);
  EXPECT_EQ(editor.document().gainList[30].left, 0);
  // Save writes the gains into the file.
  onNextDialog([](QWidget* box) {
    auto* question = qobject_cast<QMessageBox*>(box);
    if (QAbstractButton* yes = question ? question->button(QMessageBox::Yes) : nullptr) yes->click();
  });
  QTest::mouseClick(child("ButQuickSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return !editor.document().modified; }));
  std::ostringstream messages;
  HeadlessHost host(messages);
  Editor reread(host);
  ASSERT_TRUE(reread.loadFile(path)) << messages.str();
  const Document& saved = reread.document();
  ASSERT_EQ(saved.documentFrameCount(), 200);
  const uint8_t base = saved.frameTable[0].globalGain[0];
  EXPECT_EQ(std::tuple(saved.frameTable[10].globalGain[0], saved.frameTable[29].globalGain[1],
                       saved.frameTable[30].globalGain[0]), std::tuple(base + 4, base + 4, int(base)));
}

TEST_F(EditingWindow, ViewMovesWithKeysStepButtonsAndTheScrollBar) {
  const std::string path = dir.file("long.mp3");
  writeFile(path, Mp3Builder().frames(1000).bytes());
  start(path);
  ASSERT_EQ(editor.maxViewOffset, 916);
  // Paging keys reach the view even from a position box.
  child<QLineEdit>("teditbox1")->setFocus();
  key(Qt::Key_PageDown);
  EXPECT_EQ(editor.viewOffset, 84);
  key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(editor.viewOffset, 916);
  key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(editor.viewOffset, 0);
  // A press right of the thumb pages, and repeats faster while held.
  const ScrollBarLayout bar = scrollBarLayout(0, 916);
  const QPoint trough(bar.thumbX + bar.thumbWidth + 40, kTroughTop + 5);
  QTest::mousePress(canvas, Qt::LeftButton, {}, trough);
  EXPECT_EQ(editor.viewOffset, 84);
  EXPECT_TRUE(canvas->scrollTimer().isActive() && waitFor([&] { return editor.viewOffset >= 252; }));
  EXPECT_LT(canvas->scrollTimer().interval(), ScrollBarMouse::kFirstInterval);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, trough);
  EXPECT_FALSE(canvas->scrollTimer().isActive());
  // Dragging the thumb to the trough's end shows the last frames.
  const ScrollBarLayout now = scrollBarLayout(editor.viewOffset, 916);
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(now.thumbX + 2, kTroughTop + 5));
  const QPointF end(kTroughRight, kTroughTop + 5);
  QMouseEvent move(QEvent::MouseMove, end, canvas->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(canvas, &move);
  EXPECT_EQ(editor.viewOffset, 916);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(kTroughRight, kTroughTop + 5));
  // A held stepping button steps once per tick after the first, then once more on release.
  QPushButton* plusFrame = child("cmsb1");
  QTest::mousePress(plusFrame, Qt::LeftButton);
  EXPECT_TRUE(waitFor([&] { return editor.selection[0] >= 3; }));
  QTest::mouseRelease(plusFrame, Qt::LeftButton);
  const int32_t released = editor.selection[0];
  QTest::qWait(300);
  EXPECT_EQ(editor.selection[0], released);
  EXPECT_EQ(child<QLineEdit>("teditbox1")->text().toStdString(), editor.positionText[0]);
}

TEST_F(EditingWindow, PositionBoxesStatisticsAndTheFindButton) {
  const std::string path = dir.file("mixed.mp3");
  writeFile(path, Mp3Builder().id3v2(3).frames(100).frames(300, {.bitrateIndex = 14}).id3v1("T").bytes());
  start(path);
  EXPECT_EQ(child<QLabel>("LabInfoInput")->text().toStdString(),
            "44.1 KHz, JOINT STEREO, var.kbps, 10.449 sec");
  // A remove box for each block the file has; checked, it reaches the document.
  EXPECT_TRUE(child<QCheckBox>("FootTagCheck")->isEnabled() && !child<QCheckBox>("RiffCheck")->isEnabled());
  child<QCheckBox>("HeadTagCheck")->setChecked(true);
  EXPECT_TRUE(editor.removeChecked(Block::Id3v2));
  // The densest lines of the list are in view, the commonest one selected.
  auto* list = child<QListWidget>("kbpsbox");
  EXPECT_EQ(list->currentRow(), 14);
  EXPECT_EQ(list->item(9)->text().toStdString() + "|" + list->item(14)->text().toStdString(),
            " 128 kbps frames: 100| 320 kbps frames: 300");
  EXPECT_EQ(list->indexAt(QPoint(4, 4)).row(), editor.statisticsList().top);
  // Text that does not parse turns red and changes nothing.
  auto* cursorBox = child<QLineEdit>("teditbox1");
  cursorBox->setFocus();
  cursorBox->selectAll();
  QTest::keyClicks(cursorBox, "1:75");
  EXPECT_EQ(cursorBox->palette().color(QPalette::Text), QColor(255, 0, 0));
  QTest::keyClick(cursorBox, Qt::Key_Return);
  EXPECT_EQ(editor.selection[0], 0);
  cursorBox->selectAll();
  QTest::keyClicks(cursorBox, "8");
  EXPECT_NE(cursorBox->palette().color(QPalette::Text), QColor(255, 0, 0));
  QTest::keyClick(cursorBox, Qt::Key_Return);
  EXPECT_EQ(editor.selection[0], 306);  // 8 s / 26.12 ms
  EXPECT_EQ(cursorBox->text().toStdString(), editor.positionText[0]);
  // Off screen: the find button brings the cursor 42 frames from the left edge.
  auto* find = child("ButFind");
  EXPECT_TRUE(find->isVisible() && !child<QLabel>("LabelWhc")->isVisible());
  QTest::mouseClick(find, Qt::LeftButton);
  EXPECT_TRUE(editor.viewOffset == 306 - 42 && child<QLabel>("LabelWhc")->isVisible());
}

TEST_F(EditingWindow, EscCancelsALongLoad) {
  const std::string path = dir.file("long.mp3");
  writeFile(path, Mp3Builder().frames(60000).bytes());
  window.show();
  // The load lets the window's events run: a key pressed meanwhile arrives.
  bool progressShown = false;
  bool menusShut = false;
  QTimer::singleShot(0, &window, [&] {
    progressShown = !child<QLabel>("FileInLabel")->isVisible();
    menusShut = !child<QMenu>("filemenu")->menuAction()->isEnabled() &&
                !child<QMenu>("MenuScripts")->menuAction()->isEnabled() &&
                child<QMenu>("editmenu")->menuAction()->isEnabled();
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  window.openFile(QString::fromStdString(path));
  EXPECT_TRUE(progressShown && menusShut);
  EXPECT_TRUE(child<QMenu>("filemenu")->menuAction()->isEnabled() && !editor.document().documentLoaded);
  EXPECT_FALSE(editor.document().busy);
  EXPECT_EQ(child<QLabel>("LabInfoInput")->text().toStdString(), "No file loaded");
}

TEST_F(EditingWindow, DroppedFileOpensAndBoxesShowEightBitText) {
  const std::string path = dir.file("dropped.mp3");
  writeFile(path, Mp3Builder().frames(50).bytes());
  window.show();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  EXPECT_TRUE(drop.isAccepted());
  ASSERT_TRUE(waitFor([&] { return editor.document().documentLoaded; }));
  EXPECT_EQ(editor.document().loadPath, path);
  // Tag text is Windows-1252 bytes; file names and messages are UTF-8.
  for (const auto& [text, shown] : {std::pair<std::string, QString>{"Caf\xe9 \x80", QString::fromUtf8("Caf\u00e9 \u20ac ")},
                                    {"Caf\xc3\xa9", QString::fromUtf8("Caf\u00e9 ")}}) {
    QString seen;
    onNextDialog([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      seen = box->text();
      box->accept();
    });
    window.messageBox(text, "t", MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
    EXPECT_EQ(seen, shown) << text;
  }
}

}  // namespace
