// The line processor: limits, comments, keywords, positions and blocks.
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script_fixture.h"

namespace kavrel::test {
namespace {

using LineProcessorTest = ScriptFixture;

TEST_F(LineProcessorTest, CommentsBlankLinesAndUnknownKeywords) {
  load(100);
  for (const char* line : {"; comment", "// comment", "# comment", "{comment}", "\"; quoted\"", "!x", "$x",
                           "'x", "(x", ".x", ":x", "<x", "@x", "[x", "\\x", "", "   ", " , ,, "}) {
    EXPECT_EQ(run(line), "") << line;
  }
  EXPECT_EQ(run("REM comment"), "Syntax error: REM");
  EXPECT_EQ(run("frobnicate 1"), "Syntax error: FROBNICATE");
  EXPECT_EQ(run("SELECT\t10"), "Syntax error: SELECT\t10");
  EXPECT_EQ(run("ID3V2.COMMENT.END"), "Syntax error: ID3V2.COMMENT.END");
  EXPECT_EQ(errors.size(), 4u);
}

TEST_F(LineProcessorTest, LineLengthLimits) {
  load(100);
  EXPECT_EQ(run(";" + std::string(1023, 'x')), "");
  EXPECT_EQ(run(";" + std::string(1024, 'x')), msg::kLineTooLong1K);
  // Characters, not bytes: 1024 two-byte letters are within the limit.
  std::string accents = ";";
  for (int i = 0; i < 1023; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(run(accents), "");
  EXPECT_EQ(run(accents + "\xC3\xA9"), msg::kLineTooLong1K);
  EXPECT_EQ(run(std::string(32767, ' ')), msg::kLineTooLong1K);
  EXPECT_EQ(run(std::string(32768, ' ')), msg::kLineTooLong32K);
  // Inside a block only the 32K limit holds.
  EXPECT_EQ(run("ID3V2.LYRICS.START"), "");
  EXPECT_EQ(run(std::string(2000, 'a')), "");
  EXPECT_EQ(run(std::string(32768, 'a')), msg::kLineTooLong32K);
}

TEST_F(LineProcessorTest, HandlerAnswerStopsTheRun) {
  load(100);
  engine.lineErrorHandler = [](const std::string&) { return true; };
  EXPECT_TRUE(engine.processLine("NOSUCH"));
  EXPECT_FALSE(engine.processLine("SELECT 1"));
  EXPECT_FALSE(engine.processLine("; fine"));
  engine.lineErrorHandler = nullptr;  // no handler: a failed line stops
  EXPECT_TRUE(engine.processLine("NOSUCH"));
}

TEST_F(LineProcessorTest, TimesAndPositions) {
  load(5000);
  EXPECT_EQ(run("select 1:00, \"2:00\""), "");
  const auto a = sel();
  EXPECT_EQ(a, (std::array<int32_t, 2>{framesAt(60), framesAt(120)}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(run("SELECT 60,120"), "");
  EXPECT_EQ(sel(), a);
  EXPECT_EQ(run("  SELECT   60 ,, 120  "), "");
  EXPECT_EQ(sel(), a);
  EXPECT_EQ(run("SELECT 0:1:15"), "");
  EXPECT_EQ(sel()[0], framesAt(75));
  EXPECT_FALSE(editor.multipleSelected);
  // Ends given backwards are put in order.
  EXPECT_EQ(run("SELECT 20, 10"), "");
  EXPECT_EQ(sel(), (std::array<int32_t, 2>{framesAt(10), framesAt(20)}));

  // Valid as a time, entered as its first 13 characters.
  EXPECT_EQ(run("SELECT 00000000000000005"), "");
  EXPECT_EQ(sel()[0], 0);
  EXPECT_EQ(run("SELECT 0000000000005"), "");
  EXPECT_EQ(sel()[0], framesAt(5));

  EXPECT_EQ(run("SELECT 10, eof"), "");
  EXPECT_EQ(sel(), (std::array<int32_t, 2>{framesAt(10), frames()}));
  EXPECT_EQ(run("SELECT 1:75"), "1st SELECT parameter invalid:\r\n1:75");
  EXPECT_EQ(run("SELECT 1, 25:00:00"), "2nd SELECT parameter invalid:\r\n25:00:00");
  EXPECT_EQ(run("SELECT 1:2:3:4"), "1st SELECT parameter invalid:\r\n1:2:3:4");
  EXPECT_EQ(run("SELECT R+EOF"), "1st SELECT parameter invalid:\r\nEOF");
}

TEST_F(LineProcessorTest, RelativePositionsCountFromTheCursorTheCommandStartedFrom) {
  load(5000);
  ASSERT_EQ(run("SELECT 10"), "");
  EXPECT_EQ(run("SELECT R+5"), "");
  EXPECT_EQ(sel()[0], framesAt(framesAt(10) * 0.0261224489795918 + 5));
  ASSERT_EQ(run("SELECT 70"), "");
  EXPECT_EQ(run("CURSOR r-1:00"), "");
  EXPECT_EQ(sel()[0], framesAt(framesAt(70) * 0.0261224489795918 - 60));
  // Both ends from the start of the selection, not from the new cursor.
  ASSERT_EQ(run("SELECT 30, 40"), "");
  EXPECT_EQ(run("SELECT R+5, R+10"), "");
  // From the boundary the selection started at, not from the typed 30 s.
  const double start = framesAt(30) * 0.0261224489795918;
  EXPECT_EQ(sel(), (std::array<int32_t, 2>{framesAt(start + 5), framesAt(start + 10)}));
  EXPECT_EQ(run("SELECT R-100"), "");
  EXPECT_EQ(sel()[0], 0);
  // A relative mode prepared by a failed line does not leak into the next.
  ASSERT_EQ(run("SELECT 30"), "");
  EXPECT_NE(run("SELECT R+5, nonsense"), "");
  EXPECT_EQ(run("TRIM 10, 20"), "");
  EXPECT_EQ(frames(), framesAt(20) - framesAt(10));
}

TEST_F(LineProcessorTest, TrimTakesNoPreparedPositions) {
  load(1000);
  EXPECT_EQ(run("TRIM 10, EOF"), "2nd TRIM parameter invalid:\r\nEOF");
  EXPECT_EQ(run("TRIM R+1, 5"), "1st TRIM parameter invalid:\r\nR+1");
  EXPECT_EQ(frames(), 1000);
}

TEST_F(LineProcessorTest, CommentBlockIsCollectedAndCommitted) {
  editor.options().autoSelectAll = false;
  load(100);
  const auto& fields = doc().tagFields.fields;
  EXPECT_EQ(run("ID3V2.COMMENT.START \"my notes\""), "");
  EXPECT_EQ(engine.blockMode(), BlockKind::Comment);
  for (const char* line : {"first", "", " ", "SELECTALL", "DELETE", "  id3v2.comment.end", "ID3V2.LYRICS.END",
                           "second, with \"quotes\" *Y"})
    EXPECT_EQ(run(line), "") << line;
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_EQ(frames(), 100);
  EXPECT_TRUE(fields.empty());
  EXPECT_EQ(run("id3v2.comment.end"), "");
  EXPECT_EQ(engine.blockMode(), BlockKind::None);
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields[0].tableRow, kCommentRow);
  EXPECT_EQ(fields[0].description, "my notes");
  EXPECT_EQ(fields[0].language, "eng");
  EXPECT_EQ(fields[0].content,
            "first\r\n \r\nSELECTALL\r\nDELETE\r\n  id3v2.comment.end\r\nID3V2.LYRICS.END\r\nsecond, with "
            "\"quotes\" *Y");
  // An empty block adds a field with an empty text.
  EXPECT_EQ(run("ID3V2.LYRICS.START"), "");
  EXPECT_EQ(run("ID3V2.LYRICS.END"), "");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[1].code(3), "USLT");
  EXPECT_EQ(fields[1].content, "");
  // A new run does not inherit an open block.
  EXPECT_EQ(run("ID3V2.LYRICS.START"), "");
  engine.startRun();
  EXPECT_EQ(engine.blockMode(), BlockKind::None);
  EXPECT_EQ(run("SELECTALL"), "");
  EXPECT_TRUE(editor.multipleSelected);
}

}  // namespace
}  // namespace kavrel::test
