// The ID3v1 editor end to end with other programs: a file lame encoded, the
// editor window driven offscreen (typed fields, OK), a save through the
// Editor, and mutagen reading the ID3v1 tag that came out.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "interop.h"
#include "ui/id3v1_editor.h"
#include "ui/main_window.h"

namespace kavrel::test {
namespace {

TEST(Id3v1EditorInterop, TypedFieldsReachMutagenAfterOkAndSave) {
  REQUIRE_TOOLS("lame", "ffmpeg", "mutagen");
  TempDir dir;
  std::filesystem::copy_file(encoded("in.mp3"), dir.file("tagged.mp3"));
  std::filesystem::copy_file(encoded("ins.mp3"), dir.file("plain.mp3"));
  // file, what to type (empty: clear), genre line, the tag mutagen reads after the save
  const std::tuple<const char*, std::vector<std::pair<const char*, std::string>>, int, const char*> rows[] = {
      {"tagged.mp3",
       {{"EditTitle", "Caf\u00e9 Song"},
        {"EditArtist", "The Band"},
        {"EditAlbum", "First"},
        {"EditComment", "made by hand"},
        {"EditYear", "2001"},
        {"EditTrack", "5"}},
       17,
       "COMM made by hand\nTALB First\nTCON ['Rock']\nTDRC 2001\nTIT2 Caf\u00e9 Song\nTPE1 The Band\nTRCK "
       "5\n"},
      {"plain.mp3", {{"EditTitle", "New"}}, 150, "TIT2 New\n"},
      {"tagged.mp3",
       {{"EditTitle", ""},
        {"EditArtist", ""},
        {"EditAlbum", ""},
        {"EditComment", ""},
        {"EditYear", ""},
        {"EditTrack", ""}},
       149,
       "no tag\n"},
  };
  int n = 0;
  for (const auto& [file, typed, genre, tag] : rows) {
    MainWindow window;
    window.openFile(QString::fromStdString(dir.file(file)));
    window.findChild<QPushButton*>("vftbut")->click();
    auto* editor = window.findChild<Id3v1EditorWindow*>();
    ASSERT_NE(editor, nullptr) << file;
    if (n == 0) {
      EXPECT_EQ(editor->findChild<QLineEdit*>("EditTitle")->text().toStdString(), "Test Tone");
    }
    for (const auto& [name, text] : typed) {
      auto* box = editor->findChild<QLineEdit*>(name);
      box->selectAll();
      QTest::keyClick(box, Qt::Key_Delete);
      // Typed as a user types, é and all.
      for (const QChar c : QString::fromStdString(text)) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
      }
    }
    if (genre < 150) Q_EMIT editor->findChild<QComboBox*>("ComboGenre")->activated(genre);
    editor->findChild<QPushButton*>("ButOk")->click();
    // The remove box follows the tag's content.
    EXPECT_EQ(window.findChild<QCheckBox*>("FootTagCheck")->isEnabled(), std::string(tag) != "no tag\n")
        << file;
    const std::string out = dir.file("out" + std::to_string(n++) + ".mp3");
    ASSERT_TRUE(window.editor().saveAs(Sender::User, out)) << file;
    EXPECT_EQ(mutagenId3v1(out), tag) << file;
  }
}

}  // namespace
}  // namespace kavrel::test
