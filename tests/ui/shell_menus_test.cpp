// The menus that reach the configuration and the shell, and the window's ways of closing, driven offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

TEST(ShellMenus, OptionItemsShowAndChangeTheOptions) {
  MainWindow window;
  for (const OptionItemInfo& info : kOptionItems) {
    const std::string name = info.name;
    EXPECT_TRUE(window.action(info.name) || name == "MenuInputStats" || name == "MenuOutputStats") << name;
  }
  QAction* tag41 = window.action("MenuTag41");
  QAction* tag30 = window.action("MenuTag30");
  ASSERT_TRUE(tag41 && tag30);
  EXPECT_TRUE(tag30->isChecked());
  tag41->trigger();
  EXPECT_TRUE(window.editor().options().newTagFormat == 132 && tag41->isChecked() && !tag30->isChecked());
  QAction* reload = window.action("MenuAutoReload");
  ASSERT_TRUE(reload);
  EXPECT_FALSE(reload->isChecked());
  EXPECT_EQ(reload->data().toInt(), 31);
  reload->trigger();
  EXPECT_TRUE(window.editor().options().autoReload);
  EXPECT_EQ(reload->data().toInt(), 32);
  // While a script runs the menus do nothing, and the marks say so.
  window.editor().scriptRunning = true;
  reload->trigger();
  EXPECT_TRUE(window.editor().options().autoReload && reload->isChecked());
  window.editor().scriptRunning = false;
  for (const char* name : {"MenuExit", "MenuExitAll", "MenuHelp1", "MenuHelp2", "MenuSaveOpt", "MenuLoadOpt",
                           "MenuResetOpt", "MenuLockSO", "MenuTry", "MenuLogLoc", "MenuReadLog"})
    EXPECT_NE(window.action(name), nullptr) << name;
  EXPECT_TRUE(window.action("MenuTry")->isChecked() && window.action("MenuSilentIgnore")->isChecked());
}

TEST(ShellMenus, RecentFilesShowTheirNamesAndOpen) {
  TempDir dir;
  writeFile(dir.file("One.MP3"), Mp3Builder().frames(30).bytes());
  MainWindow window;
  window.editor().options().recentFiles = {dir.file("One.MP3"), dir.file("gone.mp3"), "", "", ""};
  window.editor().chooseOption(OptionItem::AutoSelect);  // any change refreshes the menus
  QAction* first = window.action("MenuFileOp1");
  QAction* second = window.action("MenuFileOp2");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->text().toStdString(), " &1. One");
  EXPECT_TRUE(first->isEnabled() && !second->isEnabled());
  first->trigger();
  EXPECT_TRUE(window.editor().document().documentLoaded);
}

TEST(ShellMenus, CloseQuestionCanKeepTheWindow) {
  TempDir dir;
  writeFile(dir.file("a.mp3"), Mp3Builder().frames(30).bytes());
  MainWindow window;
  window.show();
  window.openFile(QString::fromStdString(dir.file("a.mp3")));
  window.editor().options().promptToSaveChanges = true;
  window.editor().setRemoveChecked(Block::Riff, true);
  std::string asked;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    asked = box->text().toStdString();
    box->button(QMessageBox::Cancel)->click();
  });
  window.close();
  EXPECT_EQ(asked, "Do you wish to save the changes? ");
  EXPECT_TRUE(window.isVisible());
  // A close request from another copy asks nothing, even with a question
  // open: that box is not answered Yes, and the window goes once its turn comes.
  QTimer::singleShot(0, [&] { window.closeFromOutside(); });
  EXPECT_NE(window.messageBox("Overwrite the existing file?", "The file exists!", MessageIcon::Exclamation,
                              MessageButtons::YesNo, MessageResult::No),
            MessageResult::Yes);
  EXPECT_TRUE(waitFor([&] { return !window.isVisible(); }));
}

}  // namespace
