// The tag a save writes: a round-trip table and the failures around it.
#include "tags/id3v2/writer.h"

#include <unistd.h>

#include "support/editor_fixture.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/tag_bytes.h"

namespace kavrel::test {
namespace {

Bytes framesOnly() { return Mp3Builder().frames(12).bytes(); }

uint32_t syncsafeAt(const Bytes& b, size_t at) {
  return uint32_t(b.at(at)) << 21 | uint32_t(b.at(at + 1)) << 14 | uint32_t(b.at(at + 2)) << 7 | b.at(at + 3);
}

// The tag at the start of a file (header, body, footer), or nothing.
Bytes tagOf(const Bytes& file) {
  if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return {};
  const size_t size = 10 + syncsafeAt(file, 6) + ((file[5] & 0x10) ? 10 : 0);
  return slice(file, 0, std::min(size, file.size()));
}

TEST(TagWriterBytes, UnsyncVersionAndWorkFile) {
  // A zero goes in after 0xFF before 0x00 or 0xE0 and up, and after a final 0xFF.
  for (const auto& [in, out] : {std::pair{"FF", "FF00"}, {"FF00", "FF0000"}, {"FFE0", "FF00E0"},
                                {"FFFF", "FF00FF00"}, {"FFDF'a'", "FFDF'a'"}, {"", ""}})
    EXPECT_EQ(unsync(h(in)), h(out)) << in;
  // A tag's own version when 2..4, else the new-tag option's (unsync bit aside) or 3, revision 0.
  for (const auto& [major, option, result] : {std::tuple{4, 2, 41}, {6, 0x82, 20}, {6, 9, 30}, {1, 4, 40}}) {
    TagHeaderState hd;
    hd.majorVersion = uint8_t(major);
    hd.revision = 1;
    const OutputVersion v = outputVersion(hd, uint8_t(option));
    EXPECT_EQ(v.major * 10 + v.revision, result) << major << " " << option;
  }
  EXPECT_EQ(tagWorkFilePath("/data"), "/data/kavrel.tag.file." + std::to_string(::getpid()));
}

class TagWriteTest : public EditorFixture {
 protected:
  void SetUp() override { editor.dataFolder = dir.path(); }
  TagField& field(int i) { return doc().tagFields.fields.at(size_t(i)); }
  // Adds a field as the editor does, with a text or from a file.
  TagField& add(int row, uint8_t source) {
    TagField& f = field(doc().tagFields.addIndexedField(row, doc().tagHeader.majorVersion));
    f.source = uint8_t(field_source::kAdded | source);
    return f;
  }
  TagField& addText(int row, const std::string& text) {
    TagField& f = add(row, field_source::kEdited);
    f.content = text;
    return f;
  }
  TagField& addFile(int row, const std::string& name) {
    TagField& f = add(row, field_source::kFromFile);
    f.sourcePath = dir.file(name);
    return f;
  }
  void edit(int i, const std::string& text) {
    field(i).content = text;
    field(i).source = field_source::kEdited;
  }
  std::function<void()> toVersion(int v) { return [this, v] { doc().tagHeader.majorVersion = uint8_t(v); }; }
  bool workFileLeft() const {
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind("kavrel.tag.file", 0) == 0) return true;
    return false;
  }
};

TEST_F(TagWriteTest, RoundTrips) {
  const Bytes jpeg = h("FFD8FFE0 0102");
  for (const char* name : {"cover.JPEG", "scan.tif", "noext"}) writeFile(dir.file(name), jpeg);
  writeFile(dir.file("buffer.bin"), h("0102030405060708090A"));
  writeFile(dir.file("object.bin"), h("'ob'"));
  writeFile(dir.file("ext6.bin"), zeros(6));
  writeFile(dir.file("ext5.bin"), zeros(5));
  writeFile(dir.file("empty.bin"), {});
  writeFile(dir.file("short.mp3"), h("010203"));
  const Bytes unchanged23 =
      tagBytes(3, 0,
               tagField(3, "TIT2", "00'Title'", 0x40) + tagField(3, "TIT3", latin1(std::string(1024, 'x'))) +
                   fields(3, {{"COMM", "01'deu' FFFE'd'00 0000 FFFE'x'00"}, {"PRIV", "'owner'00010203"},
                              {"APIC", "00'image/png'00 03'cover'00 89'PNG'FF00FF"}, {"XKVR", "'abc'"}}) +
                   zeros(100));
  const Bytes from22 = tag(2, 0, {{"TT2", "00'Two'"}, {"PIC", "00'JPG'03'd'00 FFD8FF"},
                                  {"PIC", "00'PNG'0000 89"}, {"TP1", "00'Me'"}}, zeros(10));
  const Bytes to22 = tag(3, 0, {{"TIT2", "00'T'"}, {"XKVR", "'abc'"}, {"APIC", "00'image/JPEG'00 04'b'00D8"},
                                {"APIC", "00'-->'00 00'http://x'"}, {"APIC", "00'image/gif'00 050001"},
                                {"PRIV", "'o'0001"}});
  const Bytes footer = tagBytes(4, 0x10, fields(4, {{"TIT2", "00'with footer'"}}), true);
  const Bytes tit2 = fields(3, {{"TIT2", "00't'"}}), tt2 = fields(2, {{"TT2", "00't'"}});
  const Bytes ext23 = tagBytes(3, 0x40, h("00000006 0000 00000000") + tit2);
  const Bytes t23 = tagBytes(3, 0, tit2), t22 = tagBytes(2, 0, tt2);
  const Bytes bad = tag(3, 0, {{"TIT2", "07'x'"}, {"COMM", "00'e'"}, {"TPE1", "00'ok'"}});
  const Bytes empties = fields(3, {{"TIT2", "00"}, {"COMM", "00'eng'"}, {"COMM", "00'eng'00"},
                                   {"COMM", "00'deu'00"}, {"TPE1", "00'A'"}, {"PRIV", "'a'00"},
                                   {"TALB", ""}});
  // 2.4 unsynchronises each field's content on its own, with the field's flag, sizes counting the stored
  // bytes; 2.3 is one stream with sizes before it (255 content bytes put FF 00 into the field header).
  const Bytes plain24 = tag(4, 0, {{"PRIV", "'o'00 FF00 FFE3 FF"}}, zeros(4));
  const Bytes unsync24 = tagBytes(4, 0x80, tagField(4, "PRIV", "'o'00 FF0000 FF00E3 FF00", 0, 2) + zeros(4));
  const Bytes fields23 =
      tagField(3, "TIT2", latin1(std::string(254, 'a'))) + tagField(3, "PRIV", "'o'00 FFE3 FF");
  const Bytes plain23 = tagBytes(3, 0, fields23 + zeros(8));
  const Bytes longText = latin1(std::string(1024, 'd')) + latin1(std::string(kMaxWrittenTextLength, 'c'));
  const Bytes unsync23 = tagBytes(3, 0x80, unsync(fields23) + zeros(8));
  const auto unsyncOut = [&](bool on) {
    return [this, on] { doc().tagHeader.outputUnsynchronisation = on; };
  };
  const auto extended = [&](const char* name) { return [this, name] { addFile(kExtendedHeaderRow, name); }; };
  const auto emptyOption = [&](bool on, const std::string& title) {
    return [this, on, title] {
      editor.options().dontWriteEmptyTagFields = on;
      if (doc().tagFields.count() == 0) createTagIfNone(doc().tagFields, doc().tagHeader, {0x03, 6});
      addText(44, title);
    };
  };
  const auto left = [](const std::string& reason, const char* name) {
    return "!writing id3v2: " + reason + "\r\n" + name + "\r\nNot saving the field.";
  };
  const std::string unknown = "!Warning: Can't copy unknown fields when changing version from ";
  struct Row {
    std::string what;
    Bytes tag;  // empty: a file without a tag
    std::function<void()> change;
    Bytes expected;  // empty: no tag written
    std::vector<std::string> messages = {};  // as boxes() shows them
  };
  std::vector<Row> rows = {
      {"unchanged 2.3 tag: byte for byte, padding kept", unchanged23, {}, unchanged23},
      {"2.2 to 2.3: codes renamed, picture formats as MIME types", from22, toVersion(3),
       tag(3, 0, {{"TIT2", "00'Two'"}, {"APIC", "00'image/jpeg'00 03'd'00 FFD8FF"},
                  {"APIC", "00'image/png'00 0000 89"}, {"TPE1", "00'Me'"}}, zeros(10))},
      {"2.3 to 2.2: unknown fields and fields 2.2 lacks left out", to22, toVersion(2),
       tag(2, 0, {{"TT2", "00'T'"}, {"PIC", "00'JPG'04'b'00D8"}, {"PIC", "00'-->'00'http://x'"},
                  {"PIC", "00'GIF'050001"}}),
       {unknown + "higher down to v2.2.\r\nField coded \"XKVR\" removed."}},
      {"2.2 unknown field cannot go up", tag(2, 0, {{"XYZ", "'q'"}, {"TT2", "00'T'"}}), toVersion(4),
       tag(4, 0, {{"TIT2", "00'T'"}}), {unknown + "v2.2 to higher.\r\nField coded \"XYZ\" removed."}},
      {"2.3 to 2.4: flags kept, syncsafe sizes",
       tagBytes(3, 0, tagField(3, "PRIV", Bytes(200, 'b'), 0x40, 0x20)), toVersion(4),
       tagBytes(4, 0, tagField(4, "PRIV", Bytes(200, 'b'), 0x40, 0x20))},
      {"a footer replaces the padding", footer, [&] { doc().tagHeader.paddingSize = 64; }, footer},
      {"without the footer the padding returns", footer,
       [&] { doc().tagHeader.footer = false; doc().tagHeader.paddingSize = 64; },
       tag(4, 0, {{"TIT2", "00'with footer'"}}, zeros(64))},
      {"the experimental flag stays from 2.3 on", tag(3, 0x20, {{"TIT2", "00't'"}}), {},
       tag(3, 0x20, {{"TIT2", "00't'"}})},
      {"2.2 has no experimental flag", tag(2, 0x20, {{"TT2", "00't'"}}), {}, t22},
      {"erroneous fields go with the tag", bad, {}, bad},
      {"erroneous fields left out with the box checked", bad, [&] { editor.removeErroneousTagFields = true; },
       tag(3, 0, {{"TPE1", "00'ok'"}})},

      {"2.4 unsynchronised", plain24, unsyncOut(true), unsync24},
      {"2.4 unsynchronisation off: the original bytes", unsync24, unsyncOut(false), plain24},
      {"2.4 unsynchronised in and out: the stored bytes stay", unsync24, {}, unsync24},
      {"2.4 field written as 2.3 loses its unsynchronisation flag", unsync24, toVersion(3),
       tagBytes(3, 0x80, unsync(fields(3, {{"PRIV", "'o'00 FF00 FFE3 FF"}})) + zeros(4))},
      {"2.3 unsynchronised", plain23, unsyncOut(true), unsync23},
      {"2.3 unsynchronisation off", unsync23, unsyncOut(false), plain23},
      {"2.3 unsynchronised in and out", unsync23, {}, unsync23},
      {"2.2 edited text unsynchronised", tag(2, 0, {{"TT2", "00'a'FF"}}),
       [&] { unsyncOut(true)(); edit(0, "b\xFF\xE9"); },
       tagBytes(2, 0x80, unsync(fields(2, {{"TT2", "00'b'FFE9"}})))},
      {"a new tag takes the options' version and unsynchronisation", {},
       [&] { createTagIfNone(doc().tagFields, doc().tagHeader, {0x84, 1}); addText(58, "\xFF"); },
       tagBytes(4, 0x80, tagField(4, "TPE1", "00FF00", 0, 0x02) + zeros(2))},

      // Unchanged 2.4 fields in UTF-8 or UTF-16 without a mark, written as
      // 2.3: their text becomes UTF-16 with marks (a character beyond 16 bits
      // as a surrogate pair); the rest of the field stays, and so does malformed text.
      {"2.4 Unicode forms recoded for 2.3",
       tag(4, 0, {{"TIT2", "03'C'C3A9 F09F8EB5 00"}, {"COMM", "02'deu'20AC 0000 00'a'"},
                  {"WXXX", "03E282AC 00'u'"}, {"APIC", "03'image/png'00 03E282AC 00FF00"},
                  {"TPE1", "03C328"}}),
       toVersion(3),
       tag(3, 0, {{"TIT2", "01FFFE'C'00E900 3CD8B5DF 0000"}, {"COMM", "01'deu' FFFEAC20 0000 FFFE'a'00"},
                  {"WXXX", "01FFFEAC20 0000'u'"}, {"APIC", "01'image/png'00 03FFFEAC20 0000FF00"},
                  {"TPE1", "03C328"}})},
      {"an edited UTF-16 comment is written as Latin-1; the unchanged title keeps its bytes",
       tag(3, 0, {{"COMM", "01'deu' FEFF00'd'0000 FEFF00'A'00'B'"}, {"TIT2", "01FEFF00'x'"}}),
       [&] { edit(0, "Neu"); },
       tag(3, 0, {{"COMM", "00'deud'00'Neu'"}, {"TIT2", "01FEFF00'x'"}})},
      // Genres typed with " CR" / " RX" refinements get them as separate
      // values; a language that is not three letters becomes "eng"; trailing zeros go.
      {"added texts and the genre rule", t23,
       [&] {
         for (const char* g : {"Pop cr rx", "Rock RX CR", "Jazz CR", "CR", "Soul RXx", "\x80 CR"})
           addText(kGenreRow, g);
         addText(44, "Rock CR");
         TagField& c = addText(kCommentRow, std::string("text\0\0", 6));
         c.description = "desc";
         c.language = "ge";
       },
       tag(3, 0, {{"TIT2", "00't'"}, {"TCON", "00'Pop'00'cr'00'rx'"}, {"TCON", "00'Rock'00'RX'00'CR'"},
                  {"TCON", "00'Jazz'00'CR'"}, {"TCON", "00'CR'"}, {"TCON", "00'Soul RXx'"},
                  {"TCON", "01FFFEAC20 0000 FFFE'C'00'R'00"}, {"TIT2", "00'Rock CR'"},
                  {"COMM", "00'engdesc'00'text'"}})},

      {"empty fields option on: empty fields left out; a German comment and private data kept",
       tagBytes(3, 0, empties), emptyOption(true, ""),
       tag(3, 0, {{"COMM", "00'deu'00"}, {"TPE1", "00'A'"}, {"PRIV", "'a'00"}})},
      {"empty fields option off: all written, the empty new title as its encoding byte",
       tagBytes(3, 0, empties), emptyOption(false, ""),
       tagBytes(3, 0, empties + fields(3, {{"TIT2", "00"}}))},
      {"a created tag whose only field is empty is not written", {}, emptyOption(true, ""), {}},
      {"a removed field alone gives no tag, even with padding", {},
       [&] { emptyOption(false, "gone")(); field(0).source = field_source::kRemoved; }, {}},

      // The extended header: 2.3 counts the bytes after the size field, 2.4
      // the whole header, 2.2 has none; the size 0 form is written as others count it.
      {"2.3 extended header copied", ext23, {}, ext23},
      {"2.3 extended header of size 0", tagBytes(3, 0x40, zeros(10) + tit2), {}, ext23},
      {"removing the extended header clears its flag", ext23,
       [&] { field(0).source = field_source::kRemoved; }, t23},
      {"2.3 extended header from a file", t23, extended("ext6.bin"), ext23},
      {"2.3 extended header file too short", t23, extended("ext5.bin"), t23,
       {left(msg::kExtendedHeaderFileTooShort, "ext5.bin")}},
      {"2.4 extended header from a file", tag(4, 0, {{"TIT2", "00't'"}}), extended("ext5.bin"),
       tagBytes(4, 0x40, h("00000009") + zeros(5) + fields(4, {{"TIT2", "00't'"}}))},
      {"2.2: no extended header", t22, extended("ext6.bin"), t22},
      {"pictures and data from files", t23,
       [&] {
         TagField& p = addFile(kPictureRow, "cover.JPEG");
         p.layout = 3;
         p.description = "front";
         addFile(kPictureRow, "scan.tif");
         addFile(kPictureRow, "noext");
         addFile(19, "buffer.bin");  // RBUF takes 8 bytes
         TagField& c = addFile(kCommentRow, "object.bin");
         c.encoding = 1;
         c.language = "fra";
         c.description = "\xE9";
         addFile(26, "missing.txt");
       },
       tagBytes(3, 0,
                tit2 + tagField(3, "APIC", h("00'image/jpeg'00 03'front'00") + jpeg) +
                    fields(3, {{"RBUF", "0102030405060708"}, {"COMM", "01'fra' FFFEE900 0000 'ob'"}})),
       {left(msg::kUnknownImageType, "scan.tif"), left(msg::kInvalidImageExtension, "noext"),
        left(msg::kExternalFileMissing, "missing.txt")}},
      {"source file moved", t23, [&] { field(0).sourcePath = dir.file("gone.mp3"); }, {},
       {left(msg::kSourceFileMoved, "gone.mp3")}},
      {"source file ends inside the field", t23, [&] { field(0).sourcePath = dir.file("short.mp3"); }, {},
       {left(msg::kErrorReadingSourceFile, "short.mp3")}},
      {"extended header file missing", t23, extended("gone.bin"), t23,
       {left(msg::kExtendedHeaderFileMissing, "gone.bin")}},
      {"empty extended header file", t23, extended("empty.bin"), t23},
      {"a field from no file, or an edited field that is no text, is left out",
       tag(3, 0, {{"PRIV", "'o'"}, {"TIT2", "00't'"}}),
       [&] { field(0).source = field_source::kEdited; add(15, field_source::kFromFile); }, t23},
      {"descriptions are cut to 1024 bytes, texts to kMaxWrittenTextLength", t23,
       [&] { addText(77, std::string(kMaxWrittenTextLength + 9, 'c')).description = std::string(2000, 'd'); },
       tagBytes(3, 0, tit2 + tagField(3, "TXXX", longText))},
      {"a silent script run shows no warnings", tag(3, 0, {{"TIT2", "00't'"}, {"XKVR", "'x'"}}),
       [&] {
         toVersion(2)();
         addFile(kPictureRow, "scan.tif");
         editor.scriptRunning = editor.silentMode = true;
       },
       t22},
      {"a 2.2 picture from a file gets its three-letter format", t22,
       [&] { addFile(kPictureRow, "cover.JPEG").description = "\x80"; },
       tagBytes(2, 0, tt2 + tagField(2, "PIC", h("01'JPG'00 FFFEAC20 0000") + jpeg))},
  };
  // 0x80 is the euro sign (U+20AC) in the program's 8-bit text: UTF-16 with a byte-order mark before 2.4,
  // UTF-8 from 2.4, decided by the version written. Latin-1 text keeps encoding 0; a URL stays single-byte.
  for (const auto& [loaded, w] : {std::pair{2, 2}, {3, 3}, {4, 4}, {4, 3}, {3, 4}}) {
    const auto code = [w = w](const char* c22, const char* c) { return w == 2 ? c22 : c; };
    const auto text = [w = w](const char* utf16, const char* utf8) { return h(w == 4 ? utf8 : utf16); };
    rows.push_back(
        {std::to_string(loaded) + " written as " + std::to_string(w),
         tagBytes(loaded, 0, tagField(loaded, loaded == 2 ? "TT2" : "TIT2", "00't'")),
         [this, w = w] {
           addText(44, "5 \x80");
           addText(kCommentRow, "a").description = "\x80";
           addText(kUrlRow, "u\x80").description = "\x80";
           addText(58, "Caf\xE9");
           doc().tagHeader.majorVersion = uint8_t(w);
         },
         tagBytes(w, 0,
                  tagField(w, code("TT2", "TIT2"), "00't'") +
                      tagField(w, code("TT2", "TIT2"), text("01 FFFE'5'00' '00AC20", "03'5 'E282AC")) +
                      tagField(w, code("COM", "COMM"),
                               text("01'eng' FFFEAC20 0000 FFFE'a'00", "03'eng' E282AC 00 'a'")) +
                      tagField(w, code("WXX", "WXXX"), text("01 FFFEAC20 0000 'u'80", "03 E282AC 00 'u'80")) +
                      tagField(w, code("TP1", "TPE1"), "00'Caf'E9"))});
  }
  const Options defaults = editor.options();
  int saves = 0;
  for (const Row& row : rows) {
    editor.options() = defaults;
    editor.removeErroneousTagFields = false;
    load(row.tag + framesOnly());
    if (row.change) row.change();
    const std::string path = dir.file("out" + std::to_string(++saves) + ".mp3");
    ASSERT_TRUE(editor.saveAs(editor.scriptRunning ? Sender::ScriptMarker : Sender::User, path)) << row.what;
    EXPECT_EQ(editor.operationStatus, kStatusOk) << row.what;
    editor.scriptRunning = editor.silentMode = false;
    const Bytes out = readFile(path), written = tagOf(out);
    EXPECT_EQ(written, row.expected) << row.what;
    EXPECT_EQ(slice(out, written.size(), out.size() - written.size()), framesOnly()) << row.what;
    std::string messages;
    for (const std::string& m : row.messages) messages += (messages.empty() ? "" : " / ") + m;
    EXPECT_EQ(boxes(), messages) << row.what;
  }
  EXPECT_FALSE(workFileLeft());
}

TEST_F(TagWriteTest, FailuresAndCheckpoints) {
  // Another running copy's work files in the same folder are neither used nor touched.
  const Bytes theirs = bytesOf("another copy's tag body"), mine = tag(3, 0, {{"TIT2", "00'mine'"}});
  load(mine + framesOnly());
  for (const char* name : {"kavrel.tag.file.1", "kavrel.tag.file"}) writeFile(dir.file(name), theirs);
  EXPECT_EQ(tagOf(saveAsNew("mine.mp3")), mine);
  for (const char* name : {"kavrel.tag.file.1", "kavrel.tag.file"}) {
    EXPECT_EQ(readFile(dir.file(name)), theirs);
    std::filesystem::remove(dir.file(name));
  }
  // A work file that cannot be made: saved without the tag, with a message.
  editor.dataFolder = dir.file("no such folder");
  EXPECT_EQ(saveAsNew("untagged.mp3"), framesOnly());
  EXPECT_EQ(editor.operationStatus, kStatusTagNotWritten);
  EXPECT_EQ(boxes(), "!writing id3v2: " + std::string(msg::kTagNotWritten));
  editor.dataFolder = dir.path();
  // Esc at the field checkpoint (after the 128th field) stops the save; 127 fields have none.
  Bytes body;
  for (int i = 0; i < 127; ++i) body = body + tagField(3, "TXXX", latin1(std::to_string(i)));
  const Bytes fields127 = tagBytes(3, 0, body);
  body = body + tagField(3, "TXXX", "00'x'");
  load(tagBytes(3, 0, body) + framesOnly(), "long.mp3");
  host.escapeAfterProgress(0);
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("stopped.mp3")) || exists(dir.file("stopped.mp3")));
  EXPECT_FALSE(workFileLeft());
  EXPECT_EQ(host.processEventsCalls(), 1);
  load(fields127 + framesOnly(), "short.mp3");
  host.escapeAfterProgress(0);
  EXPECT_EQ(tagOf(saveAsNew("short-out.mp3")), fields127);
}

}  // namespace
}  // namespace kavrel::test
