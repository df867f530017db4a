#include "app/commands.h"

#include <array>

namespace kavrel {

std::string_view commandName(Command c) {
  static constexpr std::array<std::string_view, kCommandCount> kNames = {
      "Save", "SaveAs", "Reload", "Close", "Insert", "SelectAll", "InsertSilence", "Split",
      "SaveSelection", "Unselect", "Volume", "Fade", "PlaySelection", "Delete", "Copy", "Cut",
      "Paste", "Trim", "Undo", "PageLeft", "PageRight",
      "RemoveRiff", "RemoveId3v2", "RemoveUnknownHeader", "RemoveUnknownFooter", "RemoveApe", "RemoveLyrics3",
      "RemoveId3v1",
      "ViewId3v2", "ViewUnknownHeader", "ViewUnknownFooter", "ViewApe", "ViewLyrics3", "ViewId3v1",
      "PlayInput", "PlayOutput", "PlayPreview", "EnqueueInput", "EnqueueOutput", "EnqueuePreview"};
  return kNames[size_t(c)];
}

}  // namespace kavrel
