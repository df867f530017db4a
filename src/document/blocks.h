#pragma once
// The blocks of a loaded file around its frames that a save may leave out.

#include <cstddef>

namespace kavrel {

enum class Block : int { Riff, Id3v2, UnknownHeader, UnknownFooter, Ape, Lyrics3, Id3v1, Count };
inline constexpr size_t kBlockCount = size_t(Block::Count);

}  // namespace kavrel
