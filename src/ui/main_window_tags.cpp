// The main window's tag windows and block viewers, opened from the view
// buttons of the remove group.

#include "ui/id3v1_editor.h"
#include "ui/id3v2_editor.h"
#include "ui/main_window.h"
#include "ui/tag_window_parts.h"

namespace kavrel {

void MainWindow::openBlockView(Command command) {
  switch (command) {
    case Command::ViewLyrics3: editor_->viewLyrics3(); break;
    case Command::ViewApe: editor_->viewApe(); break;
    case Command::ViewUnknownHeader: editor_->viewUnknownHeader(); break;
    case Command::ViewUnknownFooter: editor_->viewUnknownFooter(); break;
    // A closed editor is on its way out: a new one reads the tag afresh. The
    // transfer between the editors may have opened one already.
    case Command::ViewId3v1:
      id3v1Editor_ = tagWindow<Id3v1EditorWindow>(this, *editor_);
      id3v1Editor_->open();
      break;
    case Command::ViewId3v2:
      id3v2Editor_ = tagWindow<Id3v2EditorWindow>(this, *editor_);
      id3v2Editor_->open();
      break;
    default: break;
  }
}

}  // namespace kavrel
