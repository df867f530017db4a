// The ID3v2 editor end to end with other programs: tags written by mutagen
// (2.3 and 2.4, with a picture and a comment) and by Kavrel itself, edited
// through the window driven offscreen, saved, and read back by mutagen.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "interop.h"
#include "ui/id3v2_editor.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace kavrel::test {
namespace {

class Id3v2EditorInterop : public ::testing::Test {
 protected:
  // A lame-encoded file (with lame's ID3v1 tag) given mutagen's rich tag
  // of `version`.
  std::string mutagenFile(const std::string& name, const char* version) {
    const std::string path = dir.file(name);
    std::filesystem::copy_file(encoded("in.mp3"), path);
    tagsPy(std::string("make ") + version + " " + shellQuote(path));
    return path;
  }
  Id3v2EditorWindow* openEditor(MainWindow& window, const std::string& path) {
    window.openFile(QString::fromStdString(path));
    window.editor().options().record[tag_option_byte::kEditorNote] = 0;
    window.findChild<QPushButton*>("vhtbut")->click();
    auto* editor = window.findChild<Id3v2EditorWindow*>();
    EXPECT_NE(editor, nullptr);
    return editor;
  }
  static void type(QWidget* editor, const char* box, const QString& text) {
    auto* edit = editor->findChild<QLineEdit*>(box);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  static void chooseVersion(QWidget* editor, int line) {
    auto* combo = editor->findChild<QComboBox*>("ComboVersion");
    combo->setCurrentIndex(line);
    Q_EMIT combo->activated(line);
  }
  // Adds a picture through the Add button and takes its data from `file`
  // in the open dialog that follows.
  static void addPicture(QWidget* editor, const std::string& file) {
    editor->findChild<QPushButton*>("ButAddPic")->click();
    auto* list = editor->findChild<QComboBox*>("ComboPic");
    const int line = list->findText("(PIC)", Qt::MatchEndsWith) >= 0 ? list->findText("(PIC)", Qt::MatchEndsWith)
                                                                       : list->findText("(APIC)", Qt::MatchEndsWith);
    ASSERT_GE(line, 0) << list->itemText(0).toStdString();
    onNextDialog([file](QWidget* d) {
      auto* files = qobject_cast<QFileDialog*>(d);
      ASSERT_NE(files, nullptr);
      // Typed into the name box, as a user may; a selection made before the
      // folder is read would not stick.
      files->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(file));
      static_cast<QDialog*>(files)->done(QDialog::Accepted);
    });
    Q_EMIT list->activated(line);
  }
  static std::string show(const std::string& path) { return tagsPy("show " + shellQuote(path)); }

  TempDir dir;
};

TEST_F(Id3v2EditorInterop, EditsAPictureAndAVersionChangeReachMutagen) {
  REQUIRE_TOOLS("lame", "ffmpeg", "mutagen");
  const std::string jpeg = dir.file("cover.JPEG");
  writeFile(jpeg, std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 'k', 'v', 0xFF, 0xD9});
  // The same rich tag once more as Kavrel writes it.
  const std::string ours = dir.file("ours.mp3");
  {
    MainWindow window;
    window.openFile(QString::fromStdString(mutagenFile("for-ours.mp3", "4")));
    ASSERT_TRUE(window.editor().saveAs(Sender::User, ours));
  }
  // file, version line chosen (0 = 2.2), answer to the question about fields the version lacks
  const std::tuple<std::string, int, bool> rows[] = {
      {mutagenFile("v23.mp3", "3"), 2, false}, {mutagenFile("v24.mp3", "4"), 1, false}, {ours, 0, true}};
  int n = 0;
  for (const auto& [file, line, asked] : rows) {
    SCOPED_TRACE(file);
    MainWindow window;
    Id3v2EditorWindow* editor = openEditor(window, file);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->findChild<QLineEdit*>("EditComment")->text().toStdString(), "Kommentar");
    type(editor, "EditTitle", "Edited");
    addPicture(editor, jpeg);
    bool questionShown = false;
    if (asked)
      onNextDialog([&](QWidget* d) {
        questionShown = qobject_cast<QMessageBox*>(d)->text().contains("not in use in id3v2.2 standard");
        qobject_cast<QMessageBox*>(d)->button(QMessageBox::Yes)->click();
      });
    chooseVersion(editor, line);
    EXPECT_EQ(questionShown, asked);
    editor->findChild<QPushButton*>("ButOk")->click();
    // 2.2 has no place for a field it does not know: the save says so.
    std::string notice;
    if (asked)
      onNextDialog([&](QWidget* d) {
        notice = qobject_cast<QMessageBox*>(d)->text().toStdString();
        qobject_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click();
      });
    const std::string out = dir.file("out" + std::to_string(n++) + ".mp3");
    ASSERT_TRUE(window.editor().saveAs(Sender::User, out));
    EXPECT_EQ(notice.find("\"XKVR\" removed") != std::string::npos, asked) << notice;
    const std::string tag = show(out);
    EXPECT_NE(tag.find("version 2." + std::to_string(line + 2)), std::string::npos) << tag;
    EXPECT_NE(tag.find("TIT2 'Edited'"), std::string::npos) << tag;
    EXPECT_NE(tag.find("COMM deu 'd' 'Kommentar'"), std::string::npos) << tag;
    // The tag's own cover and the new one, typed by the file's extension.
    EXPECT_NE(tag.find("APIC image/png 3 'cover' 89504e47"), std::string::npos) << tag;
    EXPECT_NE(tag.find("ffd8ffe06b76ffd9"), std::string::npos) << tag;
    // 2.2 has no private fields: the one the question was about is gone.
    EXPECT_EQ(tag.find("PRIV") == std::string::npos, asked) << tag;
  }
}

TEST_F(Id3v2EditorInterop, CancelLeavesTheSavedTagAsItWas) {
  REQUIRE_TOOLS("lame", "ffmpeg", "mutagen");
  const std::string file = mutagenFile("v24.mp3", "4");
  MainWindow window;
  window.openFile(QString::fromStdString(file));
  ASSERT_TRUE(window.editor().saveAs(Sender::User, dir.file("plain.mp3")));
  Id3v2EditorWindow* editor = openEditor(window, file);
  ASSERT_NE(editor, nullptr);
  type(editor, "EditTitle", "Never");
  type(editor, "EditComposer", "Nobody");
  editor->findChild<QPushButton*>("ButRemoveTxt")->click();
  editor->findChild<QPushButton*>("ButRd")->click();
  chooseVersion(editor, 1);
  editor->findChild<QPushButton*>("ButCancel")->click();
  ASSERT_TRUE(window.editor().saveAs(Sender::User, dir.file("cancelled.mp3")));
  EXPECT_EQ(show(dir.file("cancelled.mp3")), show(dir.file("plain.mp3")));
}

TEST_F(Id3v2EditorInterop, ExportToId3v1ReachesBothTags) {
  REQUIRE_TOOLS("lame", "ffmpeg", "mutagen");
  MainWindow window;
  Id3v2EditorWindow* editor = openEditor(window, mutagenFile("v24.mp3", "4"));
  ASSERT_NE(editor, nullptr);
  // The transfer dialog as it first shows: every field, overwriting.
  onNextDialog([](QWidget* d) { d->findChild<QPushButton*>("ButOk")->click(); });
  editor->findChild<QPushButton*>("ButExport")->click();
  auto* v1 = window.findChild<QWidget*>("TagViewForm");
  ASSERT_NE(v1, nullptr);
  v1->findChild<QPushButton*>("ButOk")->click();
  editor->findChild<QPushButton*>("ButOk")->click();
  const std::string out = dir.file("out.mp3");
  ASSERT_TRUE(window.editor().saveAs(Sender::User, out));
  // ID3v1 holds 8-bit text in the display character set (Windows-1252 by
  // default), which mutagen reads as Latin-1: the euro sign is byte 0x80,
  // the Cyrillic letter has no byte. The first of the 2.4 genres is kept.
  EXPECT_EQ(mutagenId3v1(out), "COMM Kommentar\nTALB \u00c5lbum\nTCON ['Rock']\nTIT2 Caf\u00e9 \u0080 ?\nTPE1 Artist\n");
  EXPECT_NE(show(out).find("TIT2 'Caf\u00e9 \u20ac \u0414'"), std::string::npos);
}

}  // namespace
}  // namespace kavrel::test
