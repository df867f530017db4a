// The viewers of the blocks the program keeps whole: the Lyrics3 block, the
// APE tag and the data of unknown origin before and after the audio.

#include <algorithm>
#include <string>

#include "app/editor.h"
#include "base/file_io.h"
#include "document/messages.h"
#include "tags/ape_tag.h"
#include "tags/block_views.h"

namespace kavrel {

void Editor::viewLyrics3() {
  if (isBusy() || scriptRunning || !doc_.layout.lyrics3Found) return;
  const FileLayout& layout = doc_.layout;
  auto fail = [this](const char* text) {
    host_.messageBox(text, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
  };
  const int64_t n = std::min<int64_t>(layout.lyrics3Size - 9, kLyrics3ViewBytes);
  if (n < 1) return fail(kLyrics3UnknownError);
  ReadFile file(doc_.loadPath);
  std::string block(size_t(n), '\0');
  if (!file.isOpen() || file.readAt(layout.lyrics3Pos, block.data(), block.size()) != n)
    return fail(kLyrics3DiskError);
  const Lyrics3View view = lyrics3View(block, layout.lyrics3Version);
  switch (view.kind) {
    case Lyrics3View::NotLyrics3: return fail(kLyrics3UnknownError);
    case Lyrics3View::NoLyrics:
      host_.messageBox(view.text, view.title, MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
      return;
    case Lyrics3View::Text:
      host_.messageBox(view.text, view.title, MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
      return;
  }
}

void Editor::viewApe() {
  if (isBusy() || scriptRunning || !doc_.layout.apeFound) return;
  const FileLayout& layout = doc_.layout;
  auto show = [this](const std::string& text, const std::string& title, MessageIcon icon) {
    host_.messageBox(text, title, icon, MessageButtons::Ok, MessageResult::Ok);
  };
  ReadFile file(doc_.loadPath);
  std::string tag(size_t(layout.apeSize), '\0');
  if (!file.isOpen() || file.readAt(layout.apePos, tag.data(), tag.size()) != layout.apeSize)
    return show(kApeDiskError, msg::kWarningCaption, MessageIcon::Exclamation);
  const ApeTagView view = apeTagView(tag);
  switch (view.kind) {
    // Not the tag that was loaded: the file changed since.
    case ApeTagView::NotApe: return show(kApeDiskError, msg::kWarningCaption, MessageIcon::Exclamation);
    case ApeTagView::NoItems: return show(view.text, view.title, MessageIcon::Exclamation);
    case ApeTagView::Text: return show(view.text, view.title, MessageIcon::Information);
  }
}

void Editor::viewUnknownHeader() {
  if (doc_.layout.unknownHeaderFound)
    showRawData(doc_.layout.audioSearchStart, doc_.layout.unknownHeaderSize, kUnknownHeaderTitle);
}

void Editor::viewUnknownFooter() {
  if (doc_.layout.unknownFooterFound)
    showRawData(doc_.layout.unknownFooterPos, doc_.layout.unknownFooterSize, kUnknownFooterTitle);
}

void Editor::showRawData(int64_t position, int64_t size, const std::string& title) {
  if (isBusy() || scriptRunning) return;
  const int64_t n = std::min(size, kRawDataViewBytes);
  if (n < 1) return;
  ReadFile file(doc_.loadPath);
  std::string bytes(size_t(n), '\0');
  if (!file.isOpen() || file.readAt(position, bytes.data(), bytes.size()) != n) {
    host_.messageBox(kRawDataDiskError, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
                     MessageResult::Ok);
    return;
  }
  host_.messageBox(rawDataText(bytes, size), title, MessageIcon::Information, MessageButtons::Ok,
                   MessageResult::Ok);
}

}  // namespace kavrel
