// The viewers of the blocks the program keeps whole: the Lyrics3 block and
// the data of unknown origin before and after the audio.

#include <algorithm>
#include <string>

#include "app/editor.h"
#include "base/file_io.h"
#include "document/messages.h"
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
