// Takes the pictures of the windows for the README: the main window with a
// file loaded, a selection and a gain change, then each editing dialog as
// the user opens it. Run on a display (scripts/screenshots runs it under
// Xvfb); the pictures are real screen grabs of the windows.
//
//   screenshots FILE.mp3 WITH_LYRICS3.mp3 OUT_DIR

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <functional>
#include <iostream>

#include "ui/frame_view_widget.h"
#include "ui/dialogs/field_dialogs.h"
#include "ui/id3v1_editor.h"
#include "ui/id3v2_editor.h"
#include "ui/main_window.h"

namespace {

using namespace kavrel;

void settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
}

bool grab(QWidget* window, const QString& file) {
  settle();
  const QRect frame = window->frameGeometry();
  const QPixmap shot =
      window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (!shot.save(file)) {
    std::cerr << "screenshots: cannot write " << file.toStdString() << "\n";
    return false;
  }
  std::cout << file.toStdString() << "\n";
  return true;
}

// Runs `open`, which shows a dialog or message box and waits for it; the
// new window (not one that was open before) is grabbed once it shows and
// then cancelled.
bool grabDialog(QObject* context, const std::function<void()>& open, const QString& file) {
  bool ok = false;
  QList<QWidget*> before;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) before.append(w);
  QTimer::singleShot(400, context, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(w);
      if (!dialog || !dialog->isVisible() || before.contains(w)) continue;
      ok = grab(dialog, file);
      dialog->reject();
      return;
    }
  });
  open();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: screenshots FILE.mp3 WITH_LYRICS3.mp3 OUT_DIR\n";
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[3]);
  QDir().mkpath(out);
  MainWindow window;
  window.move(20, 20);
  window.show();
  window.openFile(QString::fromLocal8Bit(argv[1]));
  Editor& editor = window.editor();
  if (!editor.document().documentLoaded || editor.document().documentFrameCount() < 400) {
    std::cerr << "screenshots: the file did not load or is shorter than 400 frames\n";
    return 1;
  }
  // A quieter stretch, a fade out after it, and a selection on screen.
  editor.selectSpan(160, 190);
  editor.amplify(Sender::User, Editor::VolumeRequest{-40, true, true});
  editor.selectSpan(196, 232);
  editor.fade(Sender::User, Editor::FadeRequest{false, 40});
  editor.selectSpan(205, 250);
  editor.viewOffset = 150;
  window.frameView()->invalidateLabels();
  editor.host().viewChanged(ViewChange::Document);

  auto click = [&](const char* button) {
    return [&window, button] { window.findChild<QPushButton*>(button)->click(); };
  };
  bool ok = grab(&window, out + "/main-window.png");
  ok = grabDialog(&window, click("Amplifybut"), out + "/volume-dialog.png") && ok;
  ok = grabDialog(&window, click("FadeBut"), out + "/fade-dialog.png") && ok;
  ok = grabDialog(&window, click("Emptybut"), out + "/silence-dialog.png") && ok;
  ok = grabDialog(&window, click("SplitBut"), out + "/split-dialog.png") && ok;
  // Save selection is a menu command (Ctrl+F8).
  ok = grabDialog(&window, [&] { window.action("MenuSaveSel")->trigger(); }, out + "/save-selection-dialog.png") && ok;
  // The Audio menu: the quieter stretch shown as a silence, the loudness box
  // and the normalise and split-at-silences dialogs.
  editor.silenceRules = {-40, 0.5};
  editor.showSilences = editor.detectSilences(Sender::User) != nullptr;
  editor.host().viewChanged(ViewChange::Document);
  ok = grab(&window, out + "/main-window-silences.png") && ok;
  auto menu = [&](const char* name) { return [&window, name] { window.action(name)->trigger(); }; };
  ok = grabDialog(&window, menu("MenuLoudness"), out + "/loudness.png") && ok;
  ok = grabDialog(&window, menu("MenuNormalize"), out + "/normalize-dialog.png") && ok;
  ok = grabDialog(&window, menu("MenuSplitSilences"), out + "/silence-split-dialog.png") && ok;
  editor.showSilences = false;

  // The ID3v1 editor, a window of its own beside the main window.
  window.findChild<QPushButton*>("vftbut")->click();
  if (auto* tags = window.findChild<Id3v1EditorWindow*>()) {
    tags->move(window.x() + 30, window.y() + 60);
    ok = grab(tags, out + "/id3v1-editor.png") && ok;
    tags->reject();
  } else {
    ok = false;
  }

  // The ID3v2 editor, its picture list showing the cover lame stored, and
  // the dialogs it opens: the transfer, the several-lines text and the two
  // dialogs of loading and saving a field.
  editor.options().record[tag_option_byte::kEditorNote] = 0;  // no first-use note in the picture
  window.findChild<QPushButton*>("vhtbut")->click();
  if (auto* tags = window.findChild<Id3v2EditorWindow*>()) {
    tags->move(window.x() + 10, window.y() + 10);
    ok = grab(tags, out + "/id3v2-editor.png") && ok;
    ok = grabDialog(tags, [tags] { tags->findChild<QPushButton*>("ButImport")->click(); },
                    out + "/transfer-dialog.png") && ok;
    ok = grabDialog(tags, [tags] { tags->findChild<QPushButton*>("ButMc")->click(); },
                    out + "/multi-line-dialog.png") && ok;
    WindowPosition place;
    ok = grabDialog(tags, [&] {
      FieldLoadDialogRequest request;
      request.parts = text_layout::kEncoding | text_layout::kLanguage | text_layout::kDescription;
      request.fileSize = 1200;
      showFieldLoadDialog(tags, request, place);
    }, out + "/field-load-dialog.png") && ok;
    ok = grabDialog(tags, [&] {
      FieldSaveDialogRequest request;
      request.parts = text_layout::kEncoding | text_layout::kLanguage | text_layout::kDescription;
      request.headerCaption = "Include field &header (code, length and flags)";
      showFieldSaveDialog(tags, request, place);
    }, out + "/field-save-dialog.png") && ok;
    tags->reject();
  } else {
    ok = false;
  }

  // The lyrics viewer on a file with a Lyrics3 block.
  editor.document().changeCount = 0;
  window.openFile(QString::fromLocal8Bit(argv[2]));
  ok = grabDialog(&window, click("vl3button"), out + "/lyrics3-view.png") && ok;
  editor.document().modified = false;
  editor.document().changeCount = 0;
  return ok ? 0 : 1;
}
