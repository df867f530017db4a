// Each command routine: its check order, its texts, and what it hands on to
// the editor (positions, BaseOffset, gains, silence, inserted files).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "script/messages.h"
#include "script_fixture.h"

namespace kavrel::test {
namespace {

using CommandsTest = ScriptFixture;

const std::string kNotReadyTail = "\r\nCondition: not ready.\r\nPlease restart the script or the program.";

std::vector<int32_t> range(int32_t a, int32_t b) {
  std::vector<int32_t> v;
  for (int32_t i = a; i < b; ++i) v.push_back(i);
  return v;
}

TEST_F(CommandsTest, NoFileLoaded) {
  for (const char* line : {"SELECT 1",
                           "CURSOR 1",
                           "TRIM",
                           "FADEIN 3",
                           "FADEOUT 3",
                           "DELETE",
                           "BASEDELETE 1, 2",
                           "SAVEAS x.mp3",
                           "SAVE",
                           "INSERT x.mp3",
                           "SPLIT a, b",
                           "COPY",
                           "CUT",
                           "PASTE",
                           "SELECTALL",
                           "UNSELECT",
                           "VOLUME 3",
                           "SAVESELECTION x",
                           "NOID3V2",
                           "REMOVEOTHER",
                           "SILENCE 5"}) {
    const std::string keyword = upperAscii(std::string(line).substr(0, std::string(line).find(' ')));
    EXPECT_EQ(run(line), keyword + ": No file loaded.") << line;
  }
  // Parameter checks that come first.
  EXPECT_EQ(run("SELECT"), "SELECT: missing parameter(s).");
  EXPECT_EQ(run("VOLUME"), "VOLUME: missing parameter(s).");
  EXPECT_EQ(run("SAVEAS"), "SAVEAS: no parameter.");
  EXPECT_EQ(run("SPLIT a"), "SPLIT: at least two parameters required.");
  EXPECT_EQ(run("SILENCE abc"), "SILENCE length parameter invalid:\r\nabc");
  EXPECT_EQ(run("SILENCE 1, 2"), "SILENCE: must have 1 or 3 parameters.");
  EXPECT_EQ(run("LOAD"), "LOAD: no parameter.");
  // CLOSE without a document is no error.
  EXPECT_EQ(run("CLOSE"), "");
}

TEST_F(CommandsTest, ParameterMessages) {
  load(2000);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"CURSOR", "SELECT: missing parameter(s)."},
      {"CURSOR x", "1st SELECT parameter invalid:\r\nx"},
      {"SELECT 1, y", "2nd SELECT parameter invalid:\r\ny"},
      {"TRIM 5", "TRIM: must have 0 or 2 parameters."},
      {"TRIM x, 5", "1st TRIM parameter invalid:\r\nx"},
      {"FADEIN", "FADEIN: missing parameter(s)."},
      {"FADEOUT 1, 2", "FADEOUT: must have 1 or 3 parameters."},
      {"FADEOUT 0.5", "FADEOUT magnitude parameter invalid:\r\n0.5"},
      {"FADEIN 60.6", "FADEIN magnitude parameter invalid:\r\n60.6"},
      {"FADEIN 1,5", "FADEIN: must have 1 or 3 parameters."},
      {"FADEIN \"1,5\"", "FADEIN magnitude parameter invalid:\r\n1,5"},
      {"FADEOUT x, 2, 3", "FADEOUT start time invalid:\r\nx"},
      {"FADEOUT 1, y, 3", "FADEOUT end time invalid:\r\ny"},
      {"FADEOUT 1, 2, loud", "FADEOUT magnitude parameter invalid:\r\nloud"},
      {"DELETE 10", "DELETE: must have 0 or 2 parameters."},
      {"DELETE 1, x", "2nd DELETE parameter invalid:\r\nx"},
      {"BASEDELETE 10", "BASEDELETE: must have 2 parameters."},
      {"BASEDELETE R+1, 5", "1st BASEDELETE parameter invalid:\r\nR+1"},
      {"BASEDELETE 1, x", "2nd BASEDELETE parameter invalid:\r\nx"},
      {"SILENCE 0.01", "SILENCE to insert must be at least one frame long."},
      {"SILENCE x, 2, 3", "SILENCE start time invalid:\r\nx"},
      {"SILENCE 1, y, 3", "SILENCE end time invalid:\r\ny"},
      {"SILENCE", "SILENCE length parameter invalid:\r\n"},
      {"INSERT", "INSERT: no parameter."},
      {"INSERT x, f.mp3", "1st INSERT parameter invalid:\r\nx"},
      {"INSERT 1, y, f.mp3", "2nd INSERT parameter invalid:\r\ny"},
      {"COPY 5", "COPY: must have 0 or 2 parameters."},
      {"COPY x, 5", "1st COPY parameter invalid:\r\nx"},
      {"CUT 5", "CUT: must have 0 or 2 parameters."},
      {"CUT 1, x", "2nd CUT parameter invalid:\r\nx"},
      {"PASTE x", "1st PASTE parameter invalid:\r\nx"},
      {"PASTE 1, y", "2nd PASTE parameter invalid:\r\ny"},
      {"VOLUME 61", "VOLUME magnitude parameter invalid:\r\n61"},
      {"VOLUME -60.6", "VOLUME magnitude parameter invalid:\r\n-60.6"},
      {"VOLUME 3, centre", "VOLUME channel parameter invalid:\r\ncentre"},
      {"VOLUME x, 1, 3", "VOLUME start time invalid:\r\nx"},
      {"VOLUME 1, y, 3", "VOLUME end time invalid:\r\ny"},
      {"SAVESELECTION 1, 2", "SAVESELECTION: must have 1 or 3 parameters."},
      {"SAVESELECTION x, 2, f", "1st SAVESELECTION parameter invalid:\r\nx"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(run(line), expected) << line;
  EXPECT_EQ(frames(), 2000);
}

TEST_F(CommandsTest, SelectionMessages) {
  load(2000);
  // Without a selection.
  const std::vector<std::pair<std::string, std::string>> none = {
      {"TRIM", "TRIM: multiple frames not selected."},
      {"FADEIN 30", "FADEIN: multiple frames not selected."},
      {"DELETE", "DELETE: multiple frames not selected."},
      {"COPY", "COPY: you must select some frames first."},
      {"CUT", "CUT: multiple frames not selected."},
      {"PASTE", "PASTE: clipboard is empty."},
      {"PASTE 5", "PASTE: clipboard is empty."},
      {"VOLUME 3", "VOLUME: multiple frames not selected."},
      {"VOLUME 0.7", "VOLUME: multiple frames not selected."},
      {"SAVESELECTION " + dir.file("f.mp3"), "SAVESELECTION: no multiple frames selection."},
      {"UNSELECT", ""},
      {"CURSOR 0", ""},
      {"SPLIT " + dir.file("a.mp3") + ", " + dir.file("b.mp3"),
       "SPLIT: no selection, cursor at an end, use SAVE[AS] instead."},
      {"CURSOR EOF", ""},
      {"SPLIT " + dir.file("a.mp3") + ", " + dir.file("b.mp3"),
       "SPLIT: no selection, cursor at an end, use SAVE[AS] instead."},
      {"BASEDELETE 5, 5", "BASEDELETE: multiple frames not selected."},
  };
  for (const auto& [line, expected] : none) EXPECT_EQ(run(line), expected) << line;
  // With everything selected.
  ASSERT_EQ(run("SELECTALL"), "");
  const std::vector<std::pair<std::string, std::string>> all = {
      {"TRIM", "TRIM: multiple frames not selected."},
      {"DELETE", "DELETE: at least one frame must be left."},
      {"CUT", "CUT: at least one frame must be left."},
      {"SPLIT a.mp3, b.mp3", "SPLIT: 3rd parameter missing (multiple frames selection exists)."},
      {"SPLIT " + dir.file("a.mp3") + ", " + dir.file("b.mp3") + ", " + dir.file("c.mp3"),
       "SPLIT: all is selected, use SAVE[AS] instead."},
      {"SAVESELECTION " + dir.file("f.mp3"), "SAVESELECTION: all is selected, use SAVE[AS] command instead."},
      {"INSERT " + mp3("ins.mp3", 10), "INSERT: all is selected, use LOAD instead to replace the file."},
  };
  for (const auto& [line, expected] : all) EXPECT_EQ(run(line), expected) << line;
  // One frame: a fade needs two.
  ASSERT_EQ(run("SELECT 10, 10.03"), "");
  ASSERT_EQ(sel()[1] - sel()[0], 1);
  EXPECT_EQ(run("FADEOUT 30"), "FADEOUT: only one frame selected (at least two needed).");
  EXPECT_EQ(frames(), 2000);
  for (const char* f : {"a.mp3", "b.mp3", "c.mp3", "f.mp3"})
    EXPECT_FALSE(std::filesystem::exists(dir.file(f)));
}

TEST_F(CommandsTest, NotReadyWhileBusy) {
  load(200);
  editor.dialogOpen = true;
  for (const char* k : {"LOAD x.mp3", "SAVE", "SAVEAS x.mp3", "CLOSE", "RELOAD"}) {
    const std::string keyword = std::string(k).substr(0, std::string(k).find(' '));
    EXPECT_EQ(run(k), "Command: " + keyword + kNotReadyTail) << k;
  }
  EXPECT_EQ(run("SELECT 1"), "Command: SELECT" + kNotReadyTail);
  editor.dialogOpen = false;
  EXPECT_EQ(frames(), 200);
  // Nothing loaded yet: nothing to reload.
  ASSERT_EQ(run("CLOSE"), "");
  doc().loadPath.clear();
  EXPECT_EQ(run("RELOAD"), "Command: RELOAD" + kNotReadyTail);
}

TEST_F(CommandsTest, LoadSaveAndReload) {
  EXPECT_EQ(run("LOAD " + dir.file("missing.mp3")),
            std::string("LOAD:\r\n") +
                " Disk error. Most likely reasons:\r\n - output file in use or read only\r\n"
                " - input file erased, moved or renamed\r\n - disk full or read only\r\n - invalid filename");
  writeFile(dir.file("tiny.mp3"), std::vector<uint8_t>(100, 0xFF));
  EXPECT_EQ(run("LOAD " + dir.file("tiny.mp3")), "LOAD:\r\nCan't process files smaller than 0.25 KB!");
  const std::string odd = dir.file("my music, a.mp3");
  Mp3Builder b;
  b.frames(300, {.bitrateIndex = 1});
  writeFile(odd, b.bytes());
  EXPECT_EQ(run("LOAD \"" + odd + "\""), "");
  EXPECT_EQ(frames(), 300);
  EXPECT_EQ(run("SELECT 1, 2"), "");
  EXPECT_EQ(run("DELETE"), "");
  EXPECT_EQ(run("SAVEAS \"" + dir.file("out *Y-*M-*D.mp3") + "\""), "");
  EXPECT_TRUE(std::filesystem::exists(dir.file("out 2026-03-05.mp3")));
  EXPECT_EQ(run("SAVEAS " + dir.file("no/such/folder/x.mp3")).rfind("SAVEAS:\r\n", 0), 0u);
  EXPECT_EQ(run("SAVE"), "");  // to the name of the last Save As
  EXPECT_EQ(run("RELOAD"), "");
  EXPECT_EQ(frames(), 300);
  EXPECT_EQ(run("CLOSE"), "");
  EXPECT_EQ(frames(), 0);
  EXPECT_EQ(run("UNLOAD"), "");
}

TEST_F(CommandsTest, TrimDeleteAndBaseDeleteKeepTheLoadedTimeline) {
  load(5000);
  const std::vector<int32_t> all = range(0, 5000);
  // SELECT 10, 20 / DELETE / BASEDELETE 30, 40 removes 30..40 s of the file as loaded.
  ASSERT_EQ(run("SELECT 10, 20"), "");
  ASSERT_EQ(run("DELETE"), "");
  EXPECT_EQ(engine.baseOffset(), framesAt(20) - framesAt(10));
  ASSERT_EQ(run("BASEDELETE 30, 40"), "");
  std::vector<int32_t> expected = range(0, framesAt(10));
  for (int32_t i : range(framesAt(20), framesAt(30))) expected.push_back(i);
  for (int32_t i : range(framesAt(40), 5000)) expected.push_back(i);
  EXPECT_EQ(doc().frameList, expected);
  EXPECT_EQ(engine.baseOffset(), framesAt(20) - framesAt(10) + framesAt(40) - framesAt(30));
  // DELETE with positions, then EOF on BASEDELETE.
  ASSERT_EQ(run("BASEDELETE 120, EOF"), "");
  EXPECT_EQ(doc().frameList.back(), framesAt(120) - 1);

  // TRIM counts what went before the selection.
  engine.startRun();
  load(5000);
  ASSERT_EQ(run("TRIM 10, 100"), "");
  EXPECT_EQ(engine.baseOffset(), framesAt(10));
  EXPECT_EQ(doc().frameList.front(), framesAt(10));
  ASSERT_EQ(run("BASEDELETE 20, 30"), "");
  EXPECT_EQ(doc().frameList[size_t(framesAt(20) - framesAt(10))], framesAt(30));
  // A trim to a selection made before.
  ASSERT_EQ(run("SELECT 5, 6"), "");
  ASSERT_EQ(run("TRIM"), "");
  EXPECT_EQ(frames(), framesAt(6) - framesAt(5));
}

TEST_F(CommandsTest, CopyCutPaste) {
  load(2000);
  ASSERT_EQ(run("COPY 1, 2"), "");
  ASSERT_EQ(run("SELECT 10"), "");
  // Five seconds after the cursor, no selection in between.
  ASSERT_EQ(run("PASTE R+5"), "");
  const int32_t at = framesAt(framesAt(10) * 0.0261224489795918 + 5);
  const int32_t n = framesAt(2) - framesAt(1);
  EXPECT_EQ(frames(), 2000 + n);
  EXPECT_EQ(doc().frameList[size_t(at)], framesAt(1));
  EXPECT_EQ(doc().frameList[size_t(at - 1)], at - 1);
  // Into a selection: replaces it.
  ASSERT_EQ(run("PASTE 0, 10"), "");
  EXPECT_EQ(frames(), 2000 + 2 * n - framesAt(10));
  EXPECT_EQ(doc().frameList[0], framesAt(1));
  // CUT leaves BaseOffset alone.
  ASSERT_EQ(run("CUT 0, 1"), "");
  EXPECT_EQ(engine.baseOffset(), 0);
  EXPECT_EQ(frames(), 2000 + 2 * n - framesAt(10) - framesAt(1));
}

TEST_F(CommandsTest, VolumeAndFadeSettings) {
  load(5000);
  ASSERT_EQ(run("SELECT 10, 20"), "");
  // 0.7 dB and half a step either way round to 0 steps: nothing happens.
  for (const char* line : {"VOLUME 0.7", "VOLUME 0.75", "VOLUME -0.75"}) EXPECT_EQ(run(line), "");
  EXPECT_FALSE(doc().modified);
  EXPECT_EQ(run("VOLUME 2.25, left"), "");  // 1.5 steps: the even neighbour
  const auto& g = doc().gainList;
  EXPECT_EQ(g[size_t(framesAt(10))], (GainPair{2, 0}));
  EXPECT_EQ(g[size_t(framesAt(20) - 1)], (GainPair{2, 0}));
  EXPECT_EQ(g[size_t(framesAt(20))], (GainPair{0, 0}));
  EXPECT_EQ(run("VOLUME -4.5, RIGHT"), "");
  EXPECT_EQ(g[size_t(framesAt(15))], (GainPair{2, -3}));
  EXPECT_EQ(run("VOLUME 30, 40, 6, Both"), "");
  EXPECT_EQ(g[size_t(framesAt(35))], (GainPair{4, 4}));
  // 30 dB is 20 steps at the quiet end; 60.5 dB is 40.
  ASSERT_EQ(run("FADEOUT 50, 60, 30"), "");
  auto lowest = [&](int32_t a, int32_t b) {
    int v = 0;
    for (int32_t i = a; i < b; ++i) v = std::min<int>(v, g[size_t(i)].left);
    return v;
  };
  EXPECT_EQ(lowest(framesAt(50), framesAt(60)), -20);
  EXPECT_EQ(g[size_t(framesAt(50))].left, 0);
  ASSERT_EQ(run("FADEIN 0:01:10, 80, 60.5"), "");
  EXPECT_EQ(g[size_t(framesAt(70))].left, -40);
  EXPECT_EQ(lowest(framesAt(70), framesAt(80)), -40);
  ASSERT_EQ(run("SELECT 60.5, 70"), "");
  EXPECT_EQ(run("FADEOUT 1"), "");
  EXPECT_EQ(lowest(framesAt(60.5), framesAt(70)), -1);
}

TEST_F(CommandsTest, SilenceAndInsert) {
  load(2000);
  ASSERT_EQ(run("SELECT 10"), "");
  ASSERT_EQ(run("SILENCE 1:30"), "");
  EXPECT_EQ(frames(), 2000 + framesAt(90));
  EXPECT_LT(doc().frameList[size_t(framesAt(10))], 0);
  EXPECT_LT(doc().frameList[size_t(framesAt(10) + framesAt(90) - 1)], 0);
  EXPECT_EQ(doc().frameList[size_t(framesAt(10) + framesAt(90))], framesAt(10));
  // Replacing a selection.
  ASSERT_EQ(run("SILENCE 0, 1, 2"), "");
  EXPECT_EQ(frames(), 2000 + framesAt(90) - framesAt(1) + framesAt(2));
  // Overlong: 256K frames go in, and the line says so.
  const int32_t before = frames();
  ASSERT_EQ(run("SELECT 0"), "");
  EXPECT_EQ(run("SILENCE 99999"), "SILENCE: warning - maximum of 256K frames have been inserted.");
  EXPECT_EQ(frames(), before + 262144);

  load(1000);
  const std::string other = mp3("other.mp3", 77);
  ASSERT_EQ(run("INSERT 10, " + other), "");
  EXPECT_EQ(frames(), 1077);
  EXPECT_EQ(doc().frameList[size_t(framesAt(10) - 1)], framesAt(10) - 1);
  EXPECT_EQ(doc().frameList[size_t(framesAt(10) + 77)], framesAt(10));
  ASSERT_EQ(run("SELECT 0"), "");
  ASSERT_EQ(run("INSERT \"" + other + "\""), "");
  EXPECT_EQ(frames(), 1154);
  // Replacing 1..2 s.
  ASSERT_EQ(run("INSERT 1, 2, " + other), "");
  EXPECT_EQ(frames(), 1154 + 77 - (framesAt(2) - framesAt(1)));
  EXPECT_EQ(run("INSERT " + dir.file("nothing.mp3")),
            "INSERT: File to insert can't be opened (probably doesn't exist).");
}

TEST_F(CommandsTest, SplitSaveSelectionAndRemoveFlags) {
  Mp3Builder b;
  b.id3v2Frames(3, {{"TIT2", "x"}}).frames(1000, {.bitrateIndex = 1}).id3v1("t");
  path = write("tagged.mp3", b);
  ASSERT_EQ(run("LOAD " + path), "");
  ASSERT_EQ(run("SELECT 10"), "");
  ASSERT_EQ(run("SPLIT " + dir.file("a.mp3") + ", " + dir.file("b.mp3")), "");
  EXPECT_TRUE(std::filesystem::exists(dir.file("a.mp3")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("b.mp3")));
  ASSERT_EQ(run("SAVESELECTION 1, 2, " + dir.file("sel.mp3")), "");
  EXPECT_TRUE(std::filesystem::exists(dir.file("sel.mp3")));
  EXPECT_EQ(run("SAVESELECTION " + dir.file("none/such/sel.mp3")).rfind("SAVESELECTION:\r\n", 0), 0u);

  EXPECT_EQ(run("NOID3V2"), "");
  EXPECT_EQ(run("REMOVEID3V1"), "");
  EXPECT_EQ(run("NOLYRICS"), "");  // absent: no error
  EXPECT_EQ(run("NOOTHER"), "");
  EXPECT_TRUE(editor.removeChecked(Block::Id3v2));
  EXPECT_TRUE(editor.removeChecked(Block::Id3v1));
  EXPECT_FALSE(editor.removeChecked(Block::Lyrics3));
  EXPECT_FALSE(editor.removeChecked(Block::Riff));
}

}  // namespace
}  // namespace kavrel::test
