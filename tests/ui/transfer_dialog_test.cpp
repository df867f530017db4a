// The transfer dialog: the word it shows and stores, and the direction switch.

#include "ui/dialogs/transfer_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/ui_support.h"

namespace kavrel::test {
namespace {

TEST(TransferDialog, ShowsStoresAndTurnsRound) {
  std::array<uint16_t, 2> stored{kTransferDefault, uint16_t(0x41 | kTransferRemember)};
  bool show = true;
  WindowPosition place;
  std::string titleBefore, titleAfter;
  bool trackChecked = false;
  onNextDialog([&](QWidget* d) {
    titleBefore = d->findChild<QLabel*>("LabTit")->text().toStdString();
    // Turn round: the remembered word of the other direction shows.
    onNextDialog([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
    QTest::mouseDClick(d->findChild<QLabel*>("LabTit"), Qt::LeftButton);
    titleAfter = d->findChild<QLabel*>("LabTit")->text().toStdString();
    trackChecked = d->findChild<QCheckBox*>("Chk7")->isChecked();
    d->findChild<QCheckBox*>("Chk2")->setChecked(true);
    d->findChild<QCheckBox*>("CheckOppose")->setChecked(true);
    d->findChild<QCheckBox*>("CheckShow")->setChecked(false);
    d->findChild<QPushButton*>("ButOk")->click();
  });
  const auto choice = showTransferDialog(nullptr, TransferDirection::V1ToV2, stored, show, place);
  EXPECT_EQ(titleBefore, "data transfer from ID3v1 to ID3v2");
  EXPECT_EQ(titleAfter, "data transfer from ID3v2 to ID3v1");
  EXPECT_TRUE(trackChecked);
  ASSERT_TRUE(choice.has_value());
  const uint16_t word = 0x43 | kTransferRemember | kTransferOpposite;
  EXPECT_EQ(choice->direction, TransferDirection::V2ToV1);
  EXPECT_EQ(choice->word, word);
  EXPECT_EQ(stored, (std::array<uint16_t, 2>{word, word}));
  EXPECT_FALSE(show);

  // "use default settings": nothing stored, and cancel changes nothing.
  stored = {kTransferDefault, kTransferDefault};
  onNextDialog([](QWidget* d) {
    d->findChild<QCheckBox*>("Chk1")->setChecked(false);
    d->findChild<QPushButton*>("ButOk")->click();
  });
  EXPECT_EQ(showTransferDialog(nullptr, TransferDirection::V2ToV1, stored, show, place)->word,
            kTransferDefault & ~1);
  EXPECT_EQ(stored, (std::array<uint16_t, 2>{kTransferDefault, kTransferDefault}));
  onNextDialog([](QWidget* d) { d->findChild<QPushButton*>("ButCancel")->click(); });
  EXPECT_FALSE(showTransferDialog(nullptr, TransferDirection::V2ToV1, stored, show, place).has_value());
}

}  // namespace
}  // namespace kavrel::test
