// APE tags among the blocks after the audio: where the loader finds them and
// what it leaves as unknown data, then what saves, the remove box, the
// script keywords, the viewer and --info make of a tag that was found.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "support/editor_fixture.h"
#include "script/line_processor.h"
#include "support/ape_builder.h"
#include "tags/block_views.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;
using B = t::Mp3Builder;
using Bytes = std::vector<uint8_t>;

// One item: 17 bytes of items, 49 with the footer, 81 with the header too.
const Bytes kTag = t::apeTag({{"Key", "value"}});
const Bytes kBare = t::apeTag({{"Key", "value"}}, 2000, false);
const Bytes kV1 = t::apeTag({{"Key", "value"}}, 1000);
const Bytes kFrames = B().frames(3).bytes();  // 3 x 417 bytes
const std::string kLyrics = "IND00002";       // a Lyrics3 v2 block of 34 bytes

B audio() { return B().raw(kFrames); }

// `tag` with the 32-bit field at `at` of its footer (of its header with
// `header`) set: 8 version, 12 size, 16 item count, 20 flags.
Bytes patched(Bytes tag, size_t at, uint32_t value, bool header = false) {
  for (size_t i = 0; i < 4; ++i) tag[(header ? 0 : tag.size() - 32) + at + i] = uint8_t(value >> (8 * i));
  return tag;
}

class ApeLayout : public t::EditorFixture {
 protected:
  // The blocks after the frames in file order, "name position+size", and
  // the last frame's stored length.
  std::string describe(const B& b) {
    t::writeFile(dir.file("layout.mp3"), b.bytes());
    if (!editor.loadFile(dir.file("layout.mp3"))) return "fail: " + editor.lineError;
    const FileLayout& l = doc().layout;
    std::map<int64_t, std::string> blocks;
    auto add = [&](bool found, int64_t pos, int64_t size, const std::string& name) {
      if (found) blocks[pos] = name + " " + std::to_string(pos) + "+" + std::to_string(size) + ", ";
    };
    add(l.unknownFooterFound, l.unknownFooterPos, l.unknownFooterSize, "foot");
    add(l.apeFound, l.apePos, l.apeSize,
        "ape" + std::to_string(l.apeVersion) + (l.apeHeader ? "h" : "") + "x" +
            std::to_string(l.apeItemCount));
    add(l.lyrics3Found, l.lyrics3Pos, l.lyrics3Size, "lyrics" + std::to_string(l.lyrics3Version));
    add(l.id3v1Found, l.id3v1Pos, l.id3v1Size, "v1");
    std::string s;
    for (const auto& block : blocks) s += block.second;
    const FrameTable& table = doc().frameTable;
    return s + std::to_string(table.count()) + " frames, last " +
           std::to_string(table[table.count() - 1].storedLength);
  }
};

TEST_F(ApeLayout, TagsStandAtTheEndBeforeId3v1AndBesideLyrics3) {
  const std::pair<B, std::string> rows[] = {
      {audio().raw(kTag), "ape2000hx1 1251+81, "},
      {audio().raw(kBare), "ape2000x1 1251+49, "},
      {audio().raw(kV1), "ape1000x1 1251+49, "},
      {audio().raw(kTag).id3v1("T"), "ape2000hx1 1251+81, v1 1332+128, "},
      {audio().raw(kTag).lyrics3v2(kLyrics).id3v1("T"),
       "ape2000hx1 1251+81, lyrics2 1332+34, v1 1366+128, "},
      {audio().lyrics3v2(kLyrics).raw(kTag).id3v1("T"),
       "lyrics2 1251+34, ape2000hx1 1285+81, v1 1366+128, "},
      {audio().raw(kTag).lyrics3v2(kLyrics), "ape2000hx1 1251+81, lyrics2 1332+34, "},
      {audio().lyrics3v2(kLyrics).raw(kBare), "lyrics2 1251+34, ape2000x1 1285+49, "},
      // Appended after an ID3v1 tag, as some tag writers do.
      {audio().id3v1("T").raw(kTag), "v1 1251+128, ape2000hx1 1379+81, "},
      {audio().lyrics3v2(kLyrics).id3v1("T").raw(kTag), "lyrics2 1251+34, v1 1285+128, ape2000hx1 1413+81, "},
      // Data before the tag stays unknown; "TAG" in its items is no ID3v1 tag.
      {audio().zeros(40).raw(kTag), "foot 1251+40, ape2000hx1 1291+81, "},
      {audio().raw(t::apeTag({{"Comment", std::string(130, 'x') + "TAG" + std::string(94, 'x')}})),
       "ape2000hx1 1251+307, "},
  };
  for (const auto& [bytes, layout] : rows) EXPECT_EQ(describe(bytes), layout + "3 frames, last 417");
}

TEST_F(ApeLayout, DamagedOrMisplacedTagsStayUnknownData) {
  // A tag whose one item would hold the end of the ID3v2 tag and every frame.
  Bytes id3v2Body = t::apeItemBytes({{"Key", std::string(20, 'p')}});
  id3v2Body[0] = uint8_t(20 + 1251), id3v2Body[1] = uint8_t((20 + 1251) >> 8);
  // One starting inside the first frame, its item holding the other frames.
  Bytes inFrame = kFrames;
  const Bytes item = patched(t::apeItemBytes({{"Key", ""}}), 0, 1251 - 112, true);
  std::copy(item.begin(), item.end(), inFrame.begin() + 100);
  const std::pair<B, std::string> rows[] = {
      {audio().raw(patched(kTag, 12, 100000)), "foot 1251+81, "},  // before the file start
      {audio().raw(patched(kBare, 12, 48)), "foot 1251+49, "},     // one byte short
      {audio().raw(patched(kTag, 12, 50, true)), "foot 1251+81, "},
      {audio().raw(Bytes(kTag.begin() + 32, kTag.end())), "foot 1251+49, "},  // the header is missing
      {audio().raw(patched(kTag, 16, 2)), "foot 1251+81, "},
      {audio().raw(patched(kTag, 20, 0xA0000000)), "foot 1251+81, "},  // a header at the end
      {audio().raw(Bytes(kTag.begin(), kTag.end() - 1)).id3v1("T"), "foot 1251+80, v1 1331+128, "},
      {B().id3v2(3, 0, 0, id3v2Body).raw(kFrames).raw(t::apeFrame(2000, 12 + 1271 + 32, 1, 0)),
       "foot 1293+32, "},
      {B().raw(inFrame).raw(t::apeFrame(2000, 1251 - 100 + 32, 1, 0)), "foot 1251+32, "},
  };
  for (const auto& [bytes, layout] : rows) EXPECT_EQ(describe(bytes), layout + "3 frames, last 417");
}

TEST_F(ApeLayout, SavesKeepTheTagInItsPlaceUnlessItsBoxIsChecked) {
  editor.options().autoRemoveUnknown = true;  // no business of the tag's
  // The blocks after 4 bytes of unknown data, and where the tag is among them.
  const std::pair<B, size_t> files[] = {{B().raw(kTag).lyrics3v2(kLyrics).id3v1("Title"), 0},
                                        {B().lyrics3v2(kLyrics).raw(kTag).id3v1("Title"), 34},
                                        {B().id3v1("Title").raw(kTag), 128}};
  for (const auto& [blocks, at] : files) {
    const std::string name = "at" + std::to_string(at);
    load(t::cat({kFrames, t::toBytes("junk"), blocks.bytes()}), name + ".mp3");
    EXPECT_TRUE(editor.enabled(Command::RemoveApe) && editor.enabled(Command::ViewApe) &&
                !editor.removeChecked(Block::Ape) && editor.removeChecked(Block::UnknownFooter));
    EXPECT_EQ(saveAsNew(name + "-saved.mp3"), t::cat({kFrames, blocks.bytes()})) << name;
    ASSERT_TRUE(editor.saveproc(SaveMode::Preview, dir.file("preview.mp3")));  // kept like Lyrics3
    EXPECT_EQ(t::readFile(dir.file("preview.mp3")), t::cat({kFrames, blocks.bytes()})) << name;
    editor.setRemoveChecked(Block::Ape, true);
    Bytes without = blocks.bytes();
    without.erase(without.begin() + std::ptrdiff_t(at), without.begin() + std::ptrdiff_t(at + kTag.size()));
    EXPECT_EQ(saveAsNew(name + "-removed.mp3"), t::cat({kFrames, without})) << name;
  }
  // A part saved alone keeps the tag when its attach box says so.
  selectRange(0, 2);
  AttachFlags attach{};
  attach[size_t(Block::Ape)] = true;
  host.answerSaveSelection(SaveSelectionDialogResult{dir.file("part.mp3"), attach});
  editor.saveSelection(Sender::User);
  EXPECT_EQ(t::readFile(dir.file("part.mp3")), t::cat({t::slice(kFrames, 0, 834), kTag}));
  EXPECT_TRUE(editor.removeChecked(Block::Ape));  // as it was
}

TEST_F(ApeLayout, ScriptViewerAndInfo) {
  ScriptEngine engine(editor);
  load(t::cat({kFrames, kTag, t::toBytes("junk")}), "junk.mp3");  // no tag: junk after it
  EXPECT_FALSE(editor.enabled(Command::RemoveApe) || editor.enabled(Command::ViewApe));
  EXPECT_FALSE(engine.processLine("NOAPE") || editor.removeChecked(Block::Ape));  // no error either
  const std::string path = load(audio().lyrics3v2(kLyrics).raw(kTag).id3v1("T").bytes());
  EXPECT_FALSE(engine.processLine("NOOTHER") || engine.processLine("NOLYRICS") ||
               editor.removeChecked(Block::Ape));
  EXPECT_FALSE(engine.processLine("removeape"));
  EXPECT_TRUE(editor.removeChecked(Block::Ape));

  editor.viewApe();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].caption + "|" + host.messages()[0].text, "APEv2 TAG CONTENT|Key: value");
  std::ostringstream out, err;
  ASSERT_EQ(printFileInfo(path, out, err), 0);
  EXPECT_NE(out.str().find("  Lyrics3 v2 block at 1251, 34 bytes\n"
                           "  APEv2 tag at 1285, 81 bytes (version 2000, 1 item, header)\n"
                           "  ID3v1 tag at 1366, 128 bytes\n"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("\nAPEv2 items (1):\n  Key: value\n"), std::string::npos) << out.str();
  // Not during a script; a file changed since the load is a disk error.
  editor.scriptRunning = true;
  editor.viewApe();
  editor.scriptRunning = false;
  Bytes changed = t::readFile(path);
  changed[1285] = 'X';
  t::writeFile(path, changed);
  editor.viewApe();
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[1].text, kApeDiskError);
}

}  // namespace
}  // namespace kavrel
