// The main window's tag windows and block viewers, opened from the view
// buttons of the remove group.

#include "ui/main_window.h"

namespace kavrel {

void MainWindow::openBlockView(Command command) {
  switch (command) {
    case Command::ViewLyrics3: editor_->viewLyrics3(); break;
    case Command::ViewUnknownHeader: editor_->viewUnknownHeader(); break;
    case Command::ViewUnknownFooter: editor_->viewUnknownFooter(); break;
    // The ID3v2 editor comes with the ID3v2 editing work.
    default: break;
  }
}

}  // namespace kavrel
