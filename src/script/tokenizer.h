#pragma once
// Cutting a script line into a keyword and up to four parameters.

#include <array>
#include <string>
#include <string_view>

namespace kavrel {

inline constexpr size_t kScriptSlotCount = 5;
using ScriptSlots = std::array<std::string, kScriptSlotCount>;

// Today's date as `*D`, `*M` and `*Y` expand it.
struct ScriptDate {
  int year = 1970;
  int month = 1;
  int day = 1;
};
ScriptDate todayLocal();

struct TokenizedLine {
  ScriptSlots slots;
  int tokens = 0;  // non-empty tokens stored, 0..5
};

// Blanks, NULs and commas outside quotes separate tokens; quotes group and
// are dropped; `*D`, `*M`, `*Y` give the date and `*x` the character x
// literally. A quote never closed swallows the rest of the line.
TokenizedLine tokenizeLine(std::string_view line, const ScriptDate& date);

// Characters of a line: code points when it is valid UTF-8, else bytes.
size_t lineCharacterCount(std::string_view line);
bool isValidUtf8(std::string_view text);

// ASCII letters only; other bytes stay as they are.
std::string upperAscii(std::string_view text);

}  // namespace kavrel
