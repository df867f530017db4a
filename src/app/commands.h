#pragma once
// The commands whose availability the editor tracks. A script command checks
// the same flag the window shows on every button and menu item of that
// command; the window maps each Command to its widgets.

#include <cstddef>
#include <string_view>

#include "document/blocks.h"

namespace kavrel {

enum class Command : int {
  // Available while a document is loaded.
  Save, SaveAs, Reload, Close, Insert, SelectAll, InsertSilence, Split,
  // Available while frames are selected.
  SaveSelection, Unselect, Volume, Fade, PlaySelection, Delete, Copy, Cut,
  // Available after their own preconditions.
  Paste, Trim, Undo, PageLeft, PageRight,
  // The remove check boxes, one per block, in Block order.
  RemoveRiff, RemoveId3v2, RemoveUnknownHeader, RemoveUnknownFooter, RemoveApe, RemoveLyrics3, RemoveId3v1,
  // The viewers of the blocks.
  ViewId3v2, ViewUnknownHeader, ViewUnknownFooter, ViewApe, ViewLyrics3, ViewId3v1,
  // The Play menu.
  PlayInput, PlayOutput, PlayPreview, EnqueueInput, EnqueueOutput, EnqueuePreview,
  Count
};

inline constexpr size_t kCommandCount = size_t(Command::Count);

// An English name for messages and test output.
std::string_view commandName(Command c);

// The remove check box of a block ("checked" = not written when saving).
constexpr Command removeCommand(Block b) { return Command(int(Command::RemoveRiff) + int(b)); }
static_assert(removeCommand(Block::Id3v1) == Command::RemoveId3v1);

}  // namespace kavrel
