// Cutting lines into keyword and parameters.
#include "script/tokenizer.h"

#include <gtest/gtest.h>

namespace kavrel {
namespace {

const ScriptDate kDate{2026, 3, 5};

ScriptSlots slotsOf(const std::string& line) { return tokenizeLine(line, kDate).slots; }

TEST(TokenizerTest, SeparatorsAndQuotes) {
  EXPECT_EQ(slotsOf("  SELECT   60 ,, 120  "), (ScriptSlots{"SELECT", "60", "120", "", ""}));
  EXPECT_EQ(slotsOf("select 1:00, \"2:00\""), (ScriptSlots{"select", "1:00", "2:00", "", ""}));
  EXPECT_EQ(slotsOf("LOAD \"c:\\my music\\a,b.mp3\""),
            (ScriptSlots{"LOAD", "c:\\my music\\a,b.mp3", "", "", ""}));
  EXPECT_EQ(slotsOf("LOAD c:\\my music\\a.mp3"), (ScriptSlots{"LOAD", "c:\\my", "music\\a.mp3", "", ""}));
  // Quotes inside a word only group; an empty quoted parameter is no token.
  EXPECT_EQ(slotsOf("a\"b c\"d"), (ScriptSlots{"ab cd", "", "", "", ""}));
  EXPECT_EQ(slotsOf("ID3V2.URL \"\", home page"), (ScriptSlots{"ID3V2.URL", "home", "page", "", ""}));
  // NUL separates; a tab does not.
  EXPECT_EQ(slotsOf(std::string("A\0B", 3)), (ScriptSlots{"A", "B", "", "", ""}));
  EXPECT_EQ(slotsOf("SELECT\t10"), (ScriptSlots{"SELECT\t10", "", "", "", ""}));
}

TEST(TokenizerTest, AtMostFiveTokensAndUnclosedQuotes) {
  const TokenizedLine t = tokenizeLine("A 1 2 3 4 5 6", kDate);
  EXPECT_EQ(t.tokens, 5);
  EXPECT_EQ(t.slots, (ScriptSlots{"A", "1", "2", "3", "4"}));
  // The quote swallows the rest and its token is never stored.
  const TokenizedLine open = tokenizeLine("LOAD x \"c:\\a b, c", kDate);
  EXPECT_EQ(open.tokens, 2);
  EXPECT_EQ(open.slots, (ScriptSlots{"LOAD", "x", "", "", ""}));
  EXPECT_EQ(tokenizeLine("   ,, ,", kDate).tokens, 0);
  EXPECT_EQ(tokenizeLine("\"\"", kDate).tokens, 0);
}

TEST(TokenizerTest, StarEscapesAndDates) {
  EXPECT_EQ(slotsOf("SAVEAS \"c:\\out\\*Y-*M-*D.mp3\"")[1], "c:\\out\\2026-03-05.mp3");
  EXPECT_EQ(slotsOf("SAVEAS out_*y*m*d")[1], "out_20260305");
  EXPECT_EQ(tokenizeLine("x *D", ScriptDate{999, 12, 31}).slots[1], "31");
  EXPECT_EQ(tokenizeLine("x *Y", ScriptDate{999, 12, 31}).slots[1], "999");
  EXPECT_EQ(slotsOf("x a**b")[1], "a*b");
  EXPECT_EQ(slotsOf("x a*,b")[1], "a,b");
  EXPECT_EQ(slotsOf("x a* b")[1], "a b");
  EXPECT_EQ(slotsOf("x a*\"b")[1], "a\"b");
  EXPECT_EQ(slotsOf("x *x*-")[1], "x-");
  // A star at the very end takes the closing separator with it.
  EXPECT_EQ(tokenizeLine("LOAD abc*", kDate).tokens, 1);
}

TEST(TokenizerTest, CharacterCounts) {
  EXPECT_EQ(lineCharacterCount("abc"), 3u);
  EXPECT_EQ(lineCharacterCount("\xC3\xA9t\xC3\xA9"), 3u);  // "été" in UTF-8
  EXPECT_EQ(lineCharacterCount("\xE9t\xE9"), 3u);          // the same in Windows-1252
  EXPECT_EQ(lineCharacterCount("\xF0\x9F\x8E\xB5"), 1u);   // one code point, four bytes
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));                   // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));               // surrogate
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));                   // cut short
  EXPECT_EQ(upperAscii("id3v2.comment.end \xC3\xA9"), "ID3V2.COMMENT.END \xC3\xA9");
}

}  // namespace
}  // namespace kavrel
