// The ID3v2 editor window driven offscreen: what the session says shows in
// the boxes and lists, its questions reach the user and their answers come
// back, and the window follows the document. The rules themselves are
// tested headless (id3v2_session_test).

#include "ui/id3v2_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace kavrel::test {
namespace {

class Id3v2EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir.file("song.mp3"), Mp3Builder()
                                        .id3v2Frames(4, {{"TIT2", "First"}, {"TDRC", "2001"}, {"TIT2", "Second"}}, 64)
                                        .frames(20)
                                        .bytes());
    window.openFile(QString::fromStdString(dir.file("song.mp3")));
    // The first opening after a reset explains the editor, once.
    window.editor().options().record[tag_option_byte::kEditorNote] = 1;
    onNextDialog([this](QWidget* d) {
      note = qobject_cast<QMessageBox*>(d)->text().toStdString();
      qobject_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click();
    });
    window.findChild<QPushButton*>("vhtbut")->click();
    editor = window.findChild<Id3v2EditorWindow*>();
    ASSERT_NE(editor, nullptr);
  }
  template <class T>
  T* get(const char* name) {
    T* c = editor->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QStringList items(const char* list) {
    QStringList out;
    auto* combo = get<QComboBox>(list);
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
  }
  // Chooses a version line, answering the question it asks with `answer`
  // (none: no question is expected).
  std::string chooseVersion(int line, QMessageBox::StandardButton answer = QMessageBox::NoButton) {
    std::string asked;
    if (answer != QMessageBox::NoButton)
      onNextDialog([&](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        asked = box->text().toStdString();
        box->button(answer)->click();
      });
    auto* combo = get<QComboBox>("ComboVersion");
    combo->setCurrentIndex(line);
    Q_EMIT combo->activated(line);
    return asked;
  }

  TempDir dir;
  MainWindow window;
  QPointer<Id3v2EditorWindow> editor;
  std::string note;
};

TEST_F(Id3v2EditorTest, ShowsFieldsDuplicatesAndTheVersionQuestion) {
  EXPECT_EQ(note.rfind("LISTEN CAREFULLY, I SHALL SAY THIS ONLY ONCE:\r\n\n", 0), 0u) << note;
  EXPECT_EQ(window.editor().options().record[tag_option_byte::kEditorNote], 0);
  EXPECT_EQ(editor->windowTitle(), " ID3v2 (header) tag editor");
  EXPECT_EQ(get<QLineEdit>("EditTitle")->text(), "First");
  const QStringList both{"Recording time (TDRC)", "Title (DUPLICATE) (TIT2)"};
  EXPECT_EQ(items("ComboTxt"), both);
  EXPECT_EQ(get<QComboBox>("ComboVersion")->currentIndex(), 2);

  // No keeps 2.4 and the recording time; Yes hides it until 2.4 comes back.
  const std::string question = chooseVersion(0, QMessageBox::No);
  EXPECT_NE(question.find("There is a field in your tag not in use in id3v2.2 standard."), std::string::npos)
      << question;
  EXPECT_EQ(get<QComboBox>("ComboVersion")->currentIndex(), 2);
  EXPECT_EQ(items("ComboTxt"), both);
  chooseVersion(0, QMessageBox::Yes);
  EXPECT_EQ(items("ComboTxt"), QStringList{"Title (DUPLICATE) (TT2)"});
  chooseVersion(2);
  EXPECT_EQ(items("ComboTxt"), both);

  get<QPushButton>("ButRd")->click();
  EXPECT_EQ(items("ComboTxt"), QStringList{"Recording time (TDRC)"});

  // The footer and the padding exclude each other, with a word each time.
  auto* padding = get<QLineEdit>("EditPadding");
  EXPECT_EQ(padding->text(), "64");
  std::string said;
  onNextDialog([&](QWidget* d) {
    said = qobject_cast<QMessageBox*>(d)->text().toStdString();
    qobject_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click();
  });
  get<QCheckBox>("CheckFoot")->click();
  EXPECT_EQ(said, "Padding and footer are mutually exclusive.\r\nSetting padding to zero. ");
  EXPECT_EQ(padding->text(), "0");
}

TEST_F(Id3v2EditorTest, TypingAddsAFieldAndCancelOrUnloadEndsTheEditor) {
  QTest::keyClicks(get<QLineEdit>("EditComposer"), "Bach");
  EXPECT_EQ(window.editor().document().tagFields.fields.size(), 4u);
  get<QPushButton>("ButCancel")->click();
  EXPECT_EQ(window.editor().document().tagFields.fields.size(), 3u);

  note.clear();
  window.findChild<QPushButton*>("vhtbut")->click();
  editor = window.findChild<Id3v2EditorWindow*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(note, "");
  QTest::keyClicks(get<QLineEdit>("EditComposer"), "Bach");
  window.editor().unload(false);
  EXPECT_TRUE(waitFor([&] { return editor.isNull() || !editor->isVisible(); }));
}

}  // namespace
}  // namespace kavrel::test
