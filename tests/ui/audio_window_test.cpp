// The Audio menu and its dialogs driven offscreen, end to end.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace {

using namespace kavrel;
using namespace kavrel::test;

TEST(AudioWindow, SilencesShownAndASilentFileIsNotNormalised) {
  TempDir dir;
  EnvScope home{"KAVREL_HOME", dir.file("home")};
  EnvScope runtime{"XDG_RUNTIME_DIR", dir.path()};
  MainWindow window;
  const std::string path = dir.file("quiet.mp3");
  writeFile(path, Mp3Builder().frames(200).bytes());  // frames without audio: 5.2 s of silence
  window.openFile(QString::fromStdString(path));
  Editor& editor = window.editor();
  ASSERT_EQ(editor.document().documentFrameCount(), 200);
  window.action("MenuShowSilences")->trigger();
  EXPECT_TRUE(editor.showSilences);
  ASSERT_EQ(editor.knownSilences().size(), 1u);
  EXPECT_EQ(editor.knownSilences()[0].end, 200);
  std::string text;
  onNextDialog([&](QWidget* w) {
    text = static_cast<QMessageBox*>(w)->text().toStdString();
    static_cast<QDialog*>(w)->accept();
  });
  window.action("MenuNormalize")->trigger();
  EXPECT_EQ(text, "Nothing to measure: the audio is silent (below -70 LUFS). ");
  EXPECT_FALSE(editor.enabled(Command::Undo));
}

TEST(AudioWindow, TheDialogsReturnWhatTheUserSet) {
  MainWindow window;
  onNextDialog([](QWidget* w) {
    w->findChild<QDoubleSpinBox*>("TargetBox")->setValue(-14);
    w->findChild<QCheckBox*>("CeilingCheck")->setChecked(false);
    w->findChild<QPushButton*>("ButOk")->click();
  });
  const std::optional<NormalizeRequest> n = window.normalizeDialog(NormalizeDialogState{});
  ASSERT_TRUE(n);
  EXPECT_EQ(n->target, -14);
  EXPECT_FALSE(n->ceiling);

  bool okWithoutNumber = true;
  onNextDialog([&](QWidget* w) {
    auto* pattern = w->findChild<QLineEdit*>("PatternBox");
    pattern->setText("/tmp/part.mp3");
    okWithoutNumber = w->findChild<QPushButton*>("ButOk")->isEnabled();
    pattern->setText("/tmp/part ##.mp3");
    w->findChild<QDoubleSpinBox*>("ThresholdBox")->setValue(-60);
    w->findChild<QCheckBox*>("DropCheck")->setChecked(true);
    w->findChild<QPushButton*>("ButOk")->click();
  });
  const std::optional<PartSplitRequest> s = window.silenceSplitDialog(SilenceSplitDialogState{});
  ASSERT_TRUE(s);
  EXPECT_FALSE(okWithoutNumber);
  EXPECT_EQ(s->pattern, "/tmp/part ##.mp3");
  EXPECT_EQ(s->rules.thresholdDb, -60);
  EXPECT_TRUE(s->dropSilences && !s->tagTracks);
}

}  // namespace
