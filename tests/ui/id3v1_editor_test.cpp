// The ID3v1 editor window driven offscreen: it opens from the remove
// group's button, carries its controls' names, moves on with Enter, shows
// the session's warnings and highlights, and closes as OK or Cancel. The
// rules behind the boxes are tested in the core (id3v1_session_test).

#include "ui/id3v1_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "settings/window_slots.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

class Id3v1EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir.file("song.mp3"),
              Mp3Builder().frames(20).id3v1("Old", "Art", "Alb", "1999", "c", 4, 17).bytes());
    window.openFile(QString::fromStdString(dir.file("song.mp3")));
  }
  // Clicks the remove group's button and finds the editor it opened.
  Id3v1EditorWindow* open() {
    window.findChild<QPushButton*>("vftbut")->click();
    for (auto* w : window.findChildren<Id3v1EditorWindow*>())
      if (w->isVisible()) return w;
    ADD_FAILURE() << "no editor window";
    return nullptr;
  }
  template <class T>
  T* get(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // Runs `act` on the menu or message box that opens next.
  static void whenShown(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
      QWidget* w = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                     : QApplication::activeModalWidget();
      ASSERT_NE(w, nullptr);
      act(w);
    });
  }
  const Id3v1Record& record() { return window.editor().document().id3v1Record; }

  TempDir dir;
  MainWindow window;
};

TEST_F(Id3v1EditorTest, ControlsEnterOrderAndTrackWarning) {
  Id3v1EditorWindow* ed = open();
  ASSERT_NE(ed, nullptr);
  EXPECT_EQ(ed->windowTitle(), " ID3v1 (footer) tag editor");
  std::string controls;
  for (const char* name : {"ButOk", "ButCancel", "ButReload", "ButScan", "ButImport", "ButExport"}) {
    auto* b = get<QPushButton>(ed, name);
    controls +=
        b->text().toStdString() + (b->isEnabled() ? "" : " (off)") + ": " + b->toolTip().toStdString() + "\n";
  }
  EXPECT_EQ(controls,
            "O&K: Remember changes and close\nCancel: Discard the changes and close\n"
            "&Reload tag: Read the tag from the file again\n&scan: Artist and title from the file name\n"
            "id3v2 i&mport: Copy fields from the ID3v2 tag\nid3v2 e&xport: Copy fields to the ID3v2 tag\n");
  for (const char* name : {"CheckAlbScan", "CheckAlbSplit", "CheckDlgShow"}) get<QCheckBox>(ed, name);
  EXPECT_EQ(get<QComboBox>(ed, "ComboOldChar")->count(), 18);
  EXPECT_EQ(get<QComboBox>(ed, "ComboGenre")->currentText().toStdString(), "Rock");
  EXPECT_EQ(get<QComboBox>(ed, "ComboVersion")->currentText().toStdString(), " ID3v1.1");
  EXPECT_EQ(get<QLabel>(ed, "LabChanges")->text().toStdString(),
            "changes will actually be saved when you use main window's \"save\" function");

  // Enter moves on: title, artist, album, genre, comment, year, track, OK;
  // in version 1.0 the track is passed over.
  for (bool version11 : {true, false}) {
    Q_EMIT get<QComboBox>(ed, "ComboVersion")->activated(version11 ? 1 : 0);
    QWidget* at = get<QLineEdit>(ed, "EditTitle");
    at->setFocus();
    std::string order;
    for (int i = 0; i < 7 && at->objectName() != "ButOk"; ++i) {
      QTest::keyClick(at, Qt::Key_Return);
      at = ed->focusWidget();
      order += at->objectName().toStdString() + " ";
    }
    EXPECT_EQ(order, version11 ? "EditArtist EditAlbum ComboGenre EditComment EditYear EditTrack ButOk "
                               : "EditArtist EditAlbum ComboGenre EditComment EditYear ButOk ");
  }
  Q_EMIT get<QComboBox>(ed, "ComboVersion")->activated(1);
  auto* track = get<QLineEdit>(ed, "EditTrack");
  track->clear();
  QTest::keyClicks(track, "12a");
  EXPECT_EQ(track->palette().color(QPalette::Text), QColor(Qt::red));
  EXPECT_EQ(record().track(), 0);
  track->clear();
  QTest::keyClicks(track, "007");
  EXPECT_NE(track->palette().color(QPalette::Text), QColor(Qt::red));
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(track, &out);
  EXPECT_EQ(track->text().toStdString() + " " + std::to_string(record().track()), "7 7");
}

TEST_F(Id3v1EditorTest, PopupScanAndClosing) {
  Id3v1EditorWindow* ed = open();
  ASSERT_NE(ed, nullptr);
  auto* title = get<QLineEdit>(ed, "EditTitle");
  QTest::keyClicks(title, "er");
  // The popup: view the original title, then put it back.
  QGuiApplication::clipboard()->clear();
  std::string items, shown;
  for (const char* pick : {"PmView", "PmReload"}) {
    whenShown([&, pick](QWidget* menu) {
      for (QAction* a : menu->actions())
        if (!a->isSeparator()) items += a->text().toStdString() + (a->isEnabled() ? "" : " (off)") + "; ";
      if (std::string(pick) == "PmView")
        whenShown([&](QWidget* box) {
          shown = box->windowTitle().toStdString() + static_cast<QMessageBox*>(box)->text().toStdString();
          static_cast<QMessageBox*>(box)->accept();
        });
      static_cast<QMenu*>(menu)->setActiveAction(menu->findChild<QAction*>(pick));
      QTest::keyClick(menu, Qt::Key_Return);
    });
    Q_EMIT title->customContextMenuRequested(QPoint(2, 2));
  }
  EXPECT_EQ(items.substr(0, items.size() / 2),
            "&View original content; &Reload original content; &Copy  (Ctrl+C); &Paste  (Ctrl+V) (off); "
            "Cu&t  (Ctrl+X); ");
  EXPECT_EQ(shown, "Title Old ");
  EXPECT_EQ(title->text().toStdString(), "Old");

  // The scan fills and highlights, until the colour timer runs out.
  get<QPushButton>(ed, "ButScan")->click();
  auto* artist = get<QLineEdit>(ed, "EditArtist");
  EXPECT_EQ(title->text().toStdString() + "|" + artist->text().toStdString(), "song|");
  EXPECT_EQ(title->palette().color(QPalette::Base), QColor(128, 0, 0));
  auto* timer = ed->findChild<QTimer*>("TimerColor");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !timer->isActive(); }));
  EXPECT_NE(title->palette().color(QPalette::Base), QColor(128, 0, 0));

  // Closing the document's windows is Cancel: the record as it was.
  const Id3v1Record before = window.editor().document().loadedId3v1Record;
  window.closeDocumentWindows();
  EXPECT_EQ(record(), before);
  // OK keeps the changes, Esc drops them; the place is remembered.
  ed = open();
  ed->move(ed->pos() + QPoint(5, 7));
  const QPoint place = ed->pos();
  QTest::keyClicks(get<QLineEdit>(ed, "EditArtist"), "ist");
  QPointer<Id3v1EditorWindow> gone = ed;
  get<QPushButton>(ed, "ButOk")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }));
  EXPECT_EQ(record().text(Id3v1Field::Artist), "Artist");
  EXPECT_EQ(window.editor().options().windowPositions[slotIndex(WindowSlot::Id3v1Editor)],
            (WindowPosition{place.x(), place.y()}));
  ed = open();
  EXPECT_EQ(ed->pos(), place);
  // A script takes the window's input away while it runs.
  window.editor().scriptRunning = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ed->isEnabled(); }));
  window.editor().scriptRunning = false;
  EXPECT_TRUE(QTest::qWaitFor([&] { return ed->isEnabled(); }));
  QTest::keyClicks(get<QLineEdit>(ed, "EditYear"), "x");
  QTest::keyClick(get<QLineEdit>(ed, "EditYear"), Qt::Key_Escape);
  EXPECT_EQ(record().text(Id3v1Field::Year), "1999");
  EXPECT_FALSE(ed->isVisible());
}

}  // namespace
