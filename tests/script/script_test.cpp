// The script engine (most of it in data/script/lines.txt) and script runs.
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

#include "cli/cli.h"
#include "script/line_processor.h"
#include "script/messages.h"
#include "script/runner.h"
#include "support/editor_fixture.h"
#include "support/fake_player.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// 44.1 kHz frames: 1 s is 38.28 frames.
int32_t framesAt(double seconds) { return int32_t(std::nearbyint(seconds / 0.0261224489795918)); }

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

std::string dataFile(const std::string& name) {
  return (fs::path(__FILE__).parent_path() / "../data/script" / name).string();
}

// "0-382 1000-1076": runs of frame-table entries; "~N": N silent frames.
std::string runsOf(const std::vector<int32_t>& list) {
  std::string out;
  for (size_t i = 0, j; i < list.size(); i = j) {
    for (j = i + 1; j < list.size() && (list[i] < 0 ? list[j] < 0 : list[j] == list[j - 1] + 1);) ++j;
    out += list[i] < 0 ? " ~" + std::to_string(j - i) : " " + std::to_string(list[i]);
    if (list[i] >= 0 && j - i > 1) out += "-" + std::to_string(list[j - 1]);
  }
  return out.empty() ? out : out.substr(1);
}

// An editor with the engine on it, as a script run sets it up.
class ScriptEngineTest : public EditorFixture {
 protected:
  ScriptEngineTest() {
    script();
    engine.lineErrorHandler = [](const std::string&) { return false; };
    engine.today = [] { return ScriptDate{2026, 3, 5}; };
  }
  // n frames of 32 kbit/s (104 bytes), 44.1 kHz stereo; with an ID3v2 title
  // "x" in front and an ID3v1 tag behind when `tagged`.
  std::string mp3(const std::string& name, int n, bool tagged = false) {
    Mp3Builder b;
    if (tagged) b.id3v2Frames(3, {{"TIT2", "x"}});
    b.frames(n, {.bitrateIndex = 1});
    return write(name, tagged ? b.id3v1("t") : b);
  }
  void load(int n) {
    path = mp3("base.mp3", n);
    ASSERT_EQ(run("LOAD \"" + path + "\""), "");
  }
  // The line's error text ("" when it succeeded).
  std::string run(const std::string& line) {
    engine.processLine(line);
    return editor.lineError;
  }
  int32_t frames() { return doc().documentFrameCount(); }
  std::array<int32_t, 2> sel() const { return editor.selection; }
  // A script line with the text it must give after " => " (none: it succeeds), or a "?" step.
  void step(std::string text) {
    if (text.rfind('?', 0) != 0) {
      std::string expected;
      if (const size_t arrow = text.find(" => "); arrow != std::string::npos) {
        expected = text.substr(arrow + 4);
        text.erase(arrow);
      }
      EXPECT_EQ(engine.processLine(text), !expected.empty());  // every failed line goes to the handler
      EXPECT_EQ(editor.lineError, expected);
      return;
    }
    const size_t blank = std::min(text.find(' '), text.size());
    const std::string what = text.substr(1, blank - 1), rest = text.substr(std::min(blank + 1, text.size()));
    if (what == "mp3" || what == "tagged") {
      mp3(rest.substr(rest.find(' ') + 1), std::stoi(rest), what == "tagged");
    } else if (what == "enable") {
      for (size_t k = 0; k < kCommandCount; ++k)
        if (rest.substr(0, rest.find(' ')) == commandName(Command(k)))
          editor.setEnabled(Command(k), rest.back() == '1');
    } else if (what == "busy") {
      editor.dialogOpen = rest == "1";
    } else if (what == "vanish") {
      vanish = true;
    } else if (what == "startrun") {
      engine.startRun();
    } else {
      EXPECT_EQ(observe(what, rest), rest);
    }
  }
  // What a "?" check sees, in the words of its expectation.
  std::string observe(const std::string& what, const std::string& rest) {
    const size_t i = std::strtoul(rest.c_str(), nullptr, 10);
    std::string out;
    auto add = [&](const std::string& word) { out += (out.empty() ? "" : " ") + word; };
    if (what == "frames") return std::to_string(frames());
    if (what == "base") return std::to_string(engine.baseOffset());
    if (what == "sel")
      return std::to_string(sel()[0]) + (editor.hasSelection() ? " " + std::to_string(sel()[1]) : "");
    if (what == "runs") return runsOf(doc().frameList);
    if (what == "gain")
      return rest.substr(0, rest.find(' ') + 1) + std::to_string(doc().gainList.at(i).left) + " " +
             std::to_string(doc().gainList.at(i).right);
    if (what == "fade") return (editor.fadeIn ? "in " : "out ") + std::to_string(-editor.fadeSteps);
    if (what == "modified") return doc().modified ? "1" : "0";
    if (what == "tags") {
      for (const TagField& f : doc().tagFields.fields)  // "CODE:content (description)", " + " between
        out += (out.empty() ? "" : " + ") + f.code(doc().tagHeader.majorVersion) + ":" + f.content +
               (f.description.empty() ? "" : " (" + f.description + ")");
    } else if (what == "removed") {
      for (size_t k = 0; k < kBlockCount; ++k)
        if (editor.removeChecked(Block(k))) add(std::string(commandName(removeCommand(Block(k)))));
    } else if (what == "exists" || what == "absent") {
      std::istringstream names(rest);
      for (std::string name; names >> name;)
        if (fs::exists(dir.file(name)) == (what == "exists")) add(name);
    } else {
      ADD_FAILURE() << "unknown check";
    }
    return out;
  }
  ScriptEngine engine{editor};
  std::string path;
  bool vanish = false;  // the document goes while the next line lets events run
};

TEST(TokenizerTest, TokensQuotesAndStarEscapes) {
  const std::pair<std::string, std::string> rows[] = {
      // a line and its tokens, "|" between them
      {"  SELECT   60 ,, 120  ", "SELECT|60|120"}, {"select 1:00, \"2:00\"", "select|1:00|2:00"},
      {"LOAD \"c:\\my music\\a,b.mp3\"", "LOAD|c:\\my music\\a,b.mp3"},
      {"LOAD c:\\my music\\a.mp3", "LOAD|c:\\my|music\\a.mp3"},
      // Quotes inside a word only group; an empty quoted parameter is no token.
      {"a\"b c\"d", "ab cd"}, {"ID3V2.URL \"\", home page", "ID3V2.URL|home|page"}, {"\"\"", ""},
      {"   ,, ,", ""},
      // NUL separates; a tab does not.
      {std::string("A\0B", 3), "A|B"}, {"SELECT\t10", "SELECT\t10"}, {"A 1 2 3 4 5 6", "A|1|2|3|4"},
      // A quote never closed swallows the rest, and its token is never stored.
      {"LOAD x \"c:\\a b, c", "LOAD|x"},
      {"SAVEAS \"c:\\out\\*Y-*M-*D.mp3\"", "SAVEAS|c:\\out\\2026-03-05.mp3"},
      {"SAVEAS out_*y*m*d", "SAVEAS|out_20260305"}, {"x a**b a*,b a* b a*\"b *x*-", "x|a*b|a,b|a b|a\"b"},
      {"x *x*-", "x|x-"},
      // A star at the very end takes the closing separator with it.
      {"LOAD abc*", "LOAD"},
  };
  for (const auto& [line, tokens] : rows) {
    const TokenizedLine t = tokenizeLine(line, ScriptDate{2026, 3, 5});
    std::string joined;
    for (int k = 0; k < t.tokens; ++k) joined += (k ? "|" : "") + t.slots[size_t(k)];
    EXPECT_EQ(joined, tokens) << line;
    for (size_t k = size_t(t.tokens); k < kScriptSlotCount; ++k) EXPECT_EQ(t.slots[k], "") << line;
  }
  EXPECT_EQ(tokenizeLine("x *D *M *Y", ScriptDate{999, 2, 31}).slots,
            (ScriptSlots{"x", "31", "02", "999", ""}));
}

TEST(TokenizerTest, CharacterCounts) {
  EXPECT_EQ(lineCharacterCount("abc"), 3u);
  EXPECT_EQ(lineCharacterCount("\xC3\xA9t\xC3\xA9"), 3u);  // "été" in UTF-8
  EXPECT_EQ(lineCharacterCount("\xE9t\xE9"), 3u);          // the same in Windows-1252
  EXPECT_EQ(lineCharacterCount("\xF0\x9F\x8E\xB5"), 1u);   // one code point, four bytes
  EXPECT_EQ(lineCharacterCount("\xC0\xAF"), 2u);           // overlong: bytes
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));               // surrogate
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));                   // cut short
  EXPECT_EQ(upperAscii("id3v2.comment.end \xC3\xA9"), "ID3V2.COMMENT.END \xC3\xA9");
}

TEST_F(ScriptEngineTest, EachLineGivesItsTextAndLeavesItsDocument) {
  std::ifstream in(dataFile("lines.txt"), std::ios::binary);
  ASSERT_TRUE(in);
  editor.dataFolder = dir.file("missing");  // no ID3v2 tag can be written
  host.onProcessEvents = [&] {
    if (!std::exchange(vanish, false)) return;
    editor.unload(false);
    for (size_t c = 0; c < kCommandCount; ++c) editor.setEnabled(Command(c), true);
  };
  engine.lineErrorHandler = [](const std::string&) { return true; };
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    std::string line = replaceAll(replaceAll(replaceAll(raw, "\\r", "\r"), "\\n", "\n"), "\\t", "\t");
    line = replaceAll(replaceAll(line, "$D", dir.path()), "$NR", msg::kNotReadyTail);
    for (size_t at; (at = line.find("\\x")) != std::string::npos;)
      line.replace(at, 4, 1, char(std::stoi(line.substr(at + 2, 2), nullptr, 16)));
    for (size_t at = 0, end = 0; end != std::string::npos; at = end + 3) {
      end = line.find(" | ", at);
      SCOPED_TRACE("lines.txt:" + std::to_string(number) + ": " + line.substr(at, end - at));
      step(line.substr(at, end - at));
    }
  }
}

TEST_F(ScriptEngineTest, CommentsAndLineLimits) {
  load(100);
  for (char c : std::string("!#$'(./:;<@[\\{")) EXPECT_EQ(run(c + std::string("x")), "") << c;
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

TEST_F(ScriptEngineTest, TheHandlerDecidesWhetherAFailedLineStops) {
  load(100);
  EXPECT_FALSE(engine.processLine("NOSUCH"));  // the fixture's handler goes on
  engine.lineErrorHandler = nullptr;           // no handler: a failed line stops
  EXPECT_TRUE(engine.processLine("NOSUCH"));
  EXPECT_FALSE(engine.processLine("SELECT 1"));
}

// Every file inserted since the load takes a slot of its own (the count is the
// Editor's to keep); when none is left the line says so.
TEST_F(ScriptEngineTest, InsertsRunOutOfSourceSlots) {
  load(20);
  const std::string one = mp3("one.mp3", 3);
  EXPECT_EQ(run("INSERT " + one), "");
  doc().usedSourceSlots = kMaxInsertedFiles;
  EXPECT_EQ(run("INSERT " + one), "INSERT: Maximum number of files already inserted.");
}

TEST_F(ScriptEngineTest, NewTagsTakeTheFormatOfTheOptions) {
  editor.options().newTagFormat = 4 | 0x80;
  editor.options().newTagPadding = 6;
  load(20);
  EXPECT_EQ(run("ID3V2.ALBUM Album"), "");
  EXPECT_EQ(doc().tagHeader.majorVersion, 4);
  EXPECT_TRUE(doc().tagHeader.outputUnsynchronisation);
  EXPECT_EQ(doc().tagHeader.paddingSize, 1024);
  EXPECT_EQ(doc().tagFields.fields.at(0).source, field_source::kAdded | field_source::kEdited);
}

TEST_F(ScriptEngineTest, PicturesTakeTheirFileAndAnExactUpperCaseTypeWord) {
  const std::pair<const char*, int> words[] = {
      {"FRONT_COVER", 3},   {"front_cover", 0},         {"32X32_PNG_ICON", 1}, {"ICON", 2},
      {"ILLUSTRATION", 18}, {"PUBLISHER_LOGOTYPE", 20}, {"FRONT", 0},          {"", 0}};
  for (const auto& [word, type] : words) EXPECT_EQ(pictureTypeFromWord(word), type) << word;
  load(20);
  EXPECT_EQ(run("ID3V2.PICTURE cover.jpg, front_cover"), "");
  EXPECT_EQ(run("ID3V2.PICTURE \"my cover.png\", \"FRONT_COVER\""), "");
  EXPECT_EQ(run("ID3V2.PICTURE"), "");  // an empty name is taken; the save leaves it out
  std::string pictures;                 // code, type, MIME type, file and source of each
  for (const TagField& f : doc().tagFields.fields)
    pictures += f.code(3) + " " + std::to_string(f.layout) + " " + f.content + " '" + f.sourcePath + "' " +
                std::to_string(f.source) + ", ";
  EXPECT_EQ(pictures, "APIC 0 image/jpeg 'cover.jpg' 5, APIC 3 image/png 'my cover.png' 5, APIC 0  '' 5, ");
  EXPECT_EQ(doc().tagFields.pictureIndex, (std::vector<int32_t>{0, 1, 2}));
}

class PlayCommandsTest : public ScriptEngineTest {
 protected:
  PlayCommandsTest() {
    fs::create_directory(bin);
    fs::create_directory(data);
    writeRecorder(dir.file("player"), record);
    editor.dataFolder = data;
  }
  Lines played() {
    const auto lines = waitForRecord(record);
    fs::remove(record);
    return lines ? *lines : Lines{"(the player never ran)"};
  }
  std::string work(bool selection) { return editor.playWorkFile(selection, false); }
  std::string bin = dir.file("bin");
  std::string data = dir.file("data");
  std::string record = dir.file("played");
  EnvScope pathScope{"PATH", bin};
  EnvScope playerScope{"KAVREL_PLAYER", dir.file("player")};
  EnvScope enqueueScope{"KAVREL_ENQUEUE", std::nullopt};
};

TEST_F(PlayCommandsTest, EachCommandPlaysItsFileWhileItExists) {
  load(500);
  EXPECT_EQ(run("PLAYINPUT"), "");
  EXPECT_EQ(played(), Lines{path});
  ASSERT_EQ(run("DELETE 0, 1"), "");
  EXPECT_EQ(run("PLAYPREVIEW"), "");
  EXPECT_EQ(played(), Lines{work(false)});
  EXPECT_EQ(run("PLAYSELECTION 2, 4"), "");
  EXPECT_EQ(sel(), (std::array<int32_t, 2>{framesAt(2), framesAt(4)}));
  EXPECT_EQ(played(), Lines{work(true)});
  EXPECT_EQ(run("PLAYSELECTION"), "");  // the selection as it is
  EXPECT_EQ(played(), Lines{work(true)});
  const std::string saved = dir.file("out.mp3");
  ASSERT_EQ(run("SAVEAS " + saved), "");
  EXPECT_EQ(run("PLAYOUTPUT"), "");
  EXPECT_EQ(played(), Lines{saved});
  // A file deleted by the line before counts at once.
  fs::remove(saved);
  EXPECT_EQ(run("PLAYOUTPUT"), "PLAYOUTPUT: disabled - no file saved? not ready?");
  fs::remove(path);
  EXPECT_EQ(run("PLAYINPUT"), "PLAYINPUT: disabled - no file loaded? not ready?");
  EXPECT_EQ(run("PLAYPREVIEW"), "Command: PLAYPREVIEW" + std::string(msg::kNotReadyTail));
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: disabled - not ready? unknown error?");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PlayCommandsTest, FailuresGiveTheEditorsTextAfterTheKeyword) {
  load(100);
  const std::string extra = mp3("extra.mp3", 10);
  ASSERT_EQ(run("INSERT " + extra), "");  // and selected
  fs::remove(extra);
  const std::string gone = "A file to be inserted from was moved, renamed or deleted in the meantime.";
  EXPECT_EQ(run("PLAYPREVIEW"), "PLAYPREVIEW: " + gone);
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION: " + gone);
  ASSERT_EQ(run("DELETE"), "");
  // Neither work file can be written.
  for (bool selection : {false, true})
    for (bool alternate : {false, true}) fs::create_directory(editor.playWorkFile(selection, alternate));
  const std::string held =
      "You may need to close your mp3 player so that the\r\ntemporary mp3 file can be "
      "overwritten and then played.";
  EXPECT_EQ(run("PLAYPREVIEW"), "PLAYPREVIEW:\r\n" + held);
  ASSERT_EQ(run("SELECT 0, 1"), "");
  EXPECT_EQ(run("PLAYSELECTION"), "PLAYSELECTION:\r\n" + held);
  // No player anywhere.
  fs::remove_all(data);
  fs::create_directory(data);
  editor.setPlayerCommands({});
  for (const char* keyword : {"PLAYINPUT", "PLAYPREVIEW", "PLAYSELECTION"})
    EXPECT_EQ(run(keyword), keyword + std::string(": System error trying to play."));
  EXPECT_TRUE(host.messages().empty());
}

// ------------------------------------------------------------ runs

class RunnerTest : public EditorFixture {
 protected:
  RunnerTest() {
    editor.options().logPath = dir.file("run.log");
    writeFile(dir.file("in.mp3"), Mp3Builder().frames(1000, {.bitrateIndex = 1}).bytes());
  }
  std::string script(const std::string& name, const std::string& body) { return write(name, toBytes(body)); }
  ScriptRunner runner{editor};
};

TEST(ScriptFileReaderTest, LineEndsByteOrderMarkAndOverlongLines) {
  TempDir dir;
  auto linesOf = [&](const std::string& body) {
    writeFile(dir.file("s.txt"), toBytes(body));
    ScriptFileReader reader(dir.file("s.txt"));
    Lines lines;
    std::string line;
    ScriptFileReader::Result r;
    while ((r = reader.next(line)) == ScriptFileReader::Result::Line) lines.push_back(line);
    if (r == ScriptFileReader::Result::Error) lines.push_back("(read error)");
    return lines;
  };
  const std::string bom = "\xEF\xBB\xBF";
  for (const std::string& body :
       Lines{bom + "one\r\ntwo\r\n\r\nthree", "one\ntwo\n\nthree\n", "one\rtwo\r\rthree\r"})
    EXPECT_EQ(linesOf(body), (Lines{"one", "two", "", "three"})) << body;
  EXPECT_EQ(linesOf("a\n" + bom + "b"), (Lines{"a", bom + "b"}));  // only the first
  // An overlong line is cut, but stays over the limit.
  const auto lines = linesOf(std::string(200000, 'x') + "\nnext");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_GT(lines[0].size(), kMaxScriptLine);
  EXPECT_LT(lines[0].size(), 200000u);
  EXPECT_EQ(lines[1], "next");
  EXPECT_FALSE(ScriptFileReader(dir.file("none.txt")).isOpen());
}

TEST_F(RunnerTest, SilentRunsLogTheirFailedLines) {
  const std::string job = script("job.txt", replaceAll(readText(dataFile("job.txt")), "$D", dir.path()));
  EXPECT_EQ(runner.runSilent(job), RunResult::Completed);  // failed lines are ignored by default
  EXPECT_TRUE(fs::exists(dir.file("out.mp3")));
  EXPECT_TRUE(editor.scriptRunning);  // a silent run ends the program
  fs::remove(dir.file("out.mp3"));
  editor.options().silentIgnoreErrors = false;
  EXPECT_EQ(runner.runSilent(job), RunResult::Stopped);
  EXPECT_TRUE(editor.multipleSelected);  // what came before the failed line stays
  EXPECT_EQ(runner.runSilent(dir.file("missing.txt")), RunResult::ScriptMissing);
  EXPECT_EQ(runner.runSilent(dir.path()), RunResult::ReadError);  // a folder is no readable script
  const std::regex time("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
  EXPECT_EQ(std::regex_replace(readText(dir.file("run.log")), time, "YYYY-MM-DD hh:mm:ss"),
            replaceAll(replaceAll(readText(dataFile("job.log")), "$D", dir.path()), "\n", "\r\n"));
  EXPECT_TRUE(!fs::exists(dir.file("out.mp3")) && host.messages().empty());
  EXPECT_EQ(editor.options().recentScripts[0], "");  // silent runs leave the list alone
  // A log that cannot be written loses its entries, never the run.
  editor.options().logPath = dir.file("no/such/folder/run.log");
  editor.options().silentIgnoreErrors = true;
  EXPECT_EQ(runner.runSilent(job), RunResult::Completed);
  EXPECT_TRUE(fs::exists(dir.file("out.mp3")));
}

TEST_F(RunnerTest, InteractiveRunsAskWhetherToGoOn) {
  const std::string s =
      script("job.txt", "LOAD " + dir.file("in.mp3") + "\nBOGUS\nSELECT 1, 2\nNOPE\nDELETE\n");
  host.answer({MessageResult::Ok, MessageResult::Cancel});
  EXPECT_EQ(runner.batchExecute(s), RunResult::Stopped);
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::OkCancel);
  EXPECT_EQ(boxes(),
            "!script processing error: Syntax error: BOGUS\r\n\nIgnore and continue? / "
            "!script processing error: Syntax error: NOPE\r\n\nIgnore and continue?");
  EXPECT_EQ(editor.document().documentFrameCount(), 1000);  // DELETE never ran
  EXPECT_TRUE(editor.multipleSelected && !editor.scriptRunning);
  EXPECT_FALSE(fs::exists(dir.file("run.log")));  // no log outside silent runs
  EXPECT_EQ(runner.batchExecute(dir.file("none.txt")), RunResult::ScriptMissing);
  EXPECT_EQ(boxes(), "!Warning: The script you specified doesn't exist.");
}

TEST_F(RunnerTest, RecentScriptsTheirLockAndTheBoxAfterARun) {
  const std::string a = script("a.txt", "; nothing\n");
  const std::string b = script("b.mp3", "; nothing\n");
  editor.options().showMessageBoxAfterRun = true;
  EXPECT_EQ(runner.batchExecute(a), RunResult::Completed);
  editor.options().showMessageBoxAfterRun = false;
  runner.batchExecute(b);
  EXPECT_EQ(boxes(), "iKavrel: Script executed:\r\na.txt");
  auto& recent = editor.options().recentScripts;
  EXPECT_EQ(recent, (std::array<std::string, 5>{b, a, "", "", ""}));
  EXPECT_EQ(runner.recentScriptCaption(1), " &2. a.txt");  // (the list's own rules: shell_test)
  EXPECT_EQ(runner.recentScriptCaption(2), std::nullopt);
  runner.toggleLockScriptsOrder();  // locked: runs keep the order
  EXPECT_TRUE(boxes().starts_with("iscripts order locked:"));
  runner.runRecentScript(1);
  EXPECT_EQ(recent[0], b);
  runner.toggleLockScriptsOrder();
  runner.runRecentScript(1);
  EXPECT_EQ(recent[0], a);
  recent = {};
  runner.toggleLockScriptsOrder();
  EXPECT_FALSE(editor.options().lockScriptsOrder);
  EXPECT_EQ(boxes(), "! not allowed: " + std::string(msg::kLockEmptyList));
}

TEST_F(RunnerTest, MenuCommands) {
  int saves = 0;
  runner.saveConfiguration = [&] { ++saves; };
  const std::string s = script("job.txt", "LOAD " + dir.file("in.mp3") + "\n");
  host.answerOpenFile(s);
  runner.scriptLoadCommand();
  EXPECT_EQ(std::tuple(host.requests.at(0).title, editor.options().lastScriptFolder,
                       editor.document().documentFrameCount(), editor.options().recentScripts[0]),
            std::tuple(" - choose the script - ", dir.path(), 1000, s));
  EXPECT_EQ(saves, 2);  // the folder, then the recent list
  // Menu commands do nothing while a script runs.
  editor.scriptRunning = true;
  runner.setProcessingErrorPolicy(ProcessingErrorPolicy::Fail);
  runner.toggleSilentIgnore();
  runner.toggleShowMessageBox();
  EXPECT_EQ(editor.options().processingErrorPolicy, ProcessingErrorPolicy::TryToContinue);
  EXPECT_TRUE(editor.options().silentIgnoreErrors && !editor.options().showMessageBoxAfterRun);
  editor.scriptRunning = false;
  runner.setProcessingErrorPolicy(ProcessingErrorPolicy::Prompt);
  EXPECT_EQ(editor.options().processingErrorPolicy, ProcessingErrorPolicy::Prompt);
  runner.toggleSilentIgnore();
  EXPECT_TRUE(!editor.options().silentIgnoreErrors && boxes().starts_with("isilent mode info:"));
  runner.toggleShowMessageBox();
  runner.toggleShowMessageBox();  // a box only when switched on
  EXPECT_EQ(boxes(),
            "imessagebox on: Note that this setting doesn't apply\r\nif you run the script in silent mode.");
  // The log may not go into the program's folder; the dialog opens again.
  editor.dataFolder = dir.file("program");
  host.answerSaveFile(dir.file("program/x.log"));
  host.answerSaveFile(dir.file("elsewhere.log"));
  runner.chooseLogLocation();
  EXPECT_EQ(host.requests.size(), 3u);  // the script's, then the log's twice
  EXPECT_EQ(editor.options().logPath, dir.file("elsewhere.log"));
  EXPECT_TRUE(
      boxes().starts_with("!Warning: You are not allowed to save to application working folder.\r\n"
                          "Please change the path. / ilog file info:"));
  // The log and a script open with the desktop's program, once they exist.
  std::vector<std::string> opened;
  runner.openWithDesktop = [&](const std::string& p) { opened.push_back(p); };
  runner.readLogCommand();
  host.answerOpenFile(dir.file("gone.txt"));
  runner.editScriptCommand();
  EXPECT_EQ(boxes(), "! error: Log file doesn't exist. / !Warning: The script doesn't exist.");
  host.answerOpenFile(s);
  runner.editScriptCommand();
  runner.readLogCommand();  // (still missing)
  script("elsewhere.log", "");
  runner.readLogCommand();
  EXPECT_EQ(opened, (std::vector<std::string>{s, dir.file("elsewhere.log")}));
}

// The command line: exit status and the default log in the home folder.
TEST(ScriptCommandLineTest, ExitStatus) {
  TempDir dir;
  EnvScope home{"HOME", dir.path()};
  EnvScope data{"KAVREL_HOME", dir.file("data")};  // kavrel.ini here, not beside the test program
  writeFile(dir.file("in.mp3"), Mp3Builder().frames(500, {.bitrateIndex = 1}).bytes());
  const std::string body = "LOAD " + dir.file("in.mp3") + "\nBOGUS\nSAVEAS " + dir.file("o.mp3");
  writeFile(dir.file("good.txt"), toBytes(body));
  std::ostringstream out, err;
  EXPECT_EQ(runCommandLine({"--script=" + dir.file("good.txt")}, out, err), 0);
  EXPECT_TRUE(fs::exists(dir.file("o.mp3")));
  EXPECT_NE(readText(dir.file("kavrel.log")).find("Syntax error: BOGUS\r\n"), std::string::npos);
  EXPECT_EQ(runCommandLine({"--script", dir.file("none.txt")}, out, err), 3);
  EXPECT_EQ(runCommandLine({"--script="}, out, err), 2);
}

}  // namespace
}  // namespace kavrel::test
