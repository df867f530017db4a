// The main window's tag windows and block viewers, opened from the view
// buttons of the remove group.

#include "ui/id3v1_editor.h"
#include "ui/main_window.h"

namespace kavrel {

void MainWindow::openBlockView(Command command) {
  switch (command) {
    case Command::ViewLyrics3: editor_->viewLyrics3(); break;
    case Command::ViewUnknownHeader: editor_->viewUnknownHeader(); break;
    case Command::ViewUnknownFooter: editor_->viewUnknownFooter(); break;
    case Command::ViewId3v1:
      // A closed editor is on its way out: a new one reads the record afresh.
      if (!id3v1Editor_ || id3v1Editor_->session().closed()) id3v1Editor_ = new Id3v1EditorWindow(this, *editor_);
      id3v1Editor_->open();
      break;
    // The ID3v2 editor comes with the ID3v2 editing work.
    default: break;
  }
}

}  // namespace kavrel
