#pragma once
// The character sets single-byte tag text can be shown in. The choice only
// changes how the stored bytes read; the bytes themselves stay as they are
// until the user types new text.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kavrel {

inline constexpr int kCharsetCount = 18;
inline constexpr int kDefaultCharset = 0;  // the program's own 8-bit code page, Windows-1252

// The lines of the character-set box; the index is the stored choice.
const std::array<std::string_view, kCharsetCount>& charsetNames();

// Bytes in `charset` as UTF-8; a byte or sequence the set does not define
// reads as '?'. An index outside 0..17 means the default set.
std::string charsetToUtf8(int charset, std::string_view bytes);

// UTF-8 text as bytes of `charset`, '?' for a character the set cannot hold
// (and for each byte of a malformed sequence). Stops before the first
// character that would make the result longer than `maxBytes`, so a
// double-byte character is never cut in half.
std::string utf8ToCharset(int charset, std::string_view text, size_t maxBytes = std::string::npos);

}  // namespace kavrel
