// The editor window driven offscreen: it loads through Editor and shows what
// the loader found in its named widgets.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

TEST(MainWindow, LoadShowsInfoStatisticsAndRemoveBoxes) {
  TempDir dir;
  const std::string path = dir.file("song.mp3");
  writeFile(path, Mp3Builder().id3v2(3).frames(100).id3v1("Title").bytes());

  MainWindow window;
  window.openFile(QString::fromStdString(path));

  const auto* info = window.findChild<QLabel*>("LabInfoInput");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->text().toStdString(), "44.1 KHz, JOINT STEREO, 128 kbps, 2.612 sec");

  const auto* list = window.findChild<QListWidget*>("kbpsbox");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 15);
  EXPECT_EQ(list->currentRow(), 9);
  EXPECT_EQ(list->item(9)->text().toStdString(), " 128 kbps frames: 100");

  const auto* tagBox = window.findChild<QCheckBox*>("HeadTagCheck");
  const auto* riffBox = window.findChild<QCheckBox*>("RiffCheck");
  const auto* footBox = window.findChild<QCheckBox*>("FootTagCheck");
  ASSERT_TRUE(tagBox && riffBox && footBox);
  EXPECT_TRUE(tagBox->isEnabled());
  EXPECT_TRUE(footBox->isEnabled());
  EXPECT_FALSE(riffBox->isEnabled());

  // Checking a box reaches the document's remove flags.
  const_cast<QCheckBox*>(tagBox)->setChecked(true);
  EXPECT_TRUE(window.editor().removeChecked(Block::Id3v2));
}

TEST(MainWindow, FailedLoadLeavesEmptyDocument) {
  TempDir dir;
  const std::string path = dir.file("small.mp3");
  writeFile(path, std::vector<uint8_t>(100, 0));

  // A host that answers boxes itself would block here; the window's own
  // boxes are modal, so drive the editor as a script would.
  MainWindow window;
  window.editor().scriptRunning = true;
  window.openFile(QString::fromStdString(path));
  EXPECT_EQ(window.editor().operationStatus, 201);
  EXPECT_EQ(window.editor().lineError, "Can't process files smaller than 0.25 KB!");
  EXPECT_EQ(window.findChild<QLabel*>("LabInfoInput")->text().toStdString(), "No file loaded");
}

}  // namespace
