// Reading a tag's fields, the load that runs both tag readers, and --info.
#include "tags/id3v2/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "document/messages.h"
#include "support/editor_fixture.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/tag_bytes.h"
#include "tags/id3v2/writer.h"

namespace kavrel::test {
namespace {

std::string shorten(const std::string& s) {
  return s.size() <= 24 ? s : s.substr(0, 8) + "...(" + std::to_string(s.size()) + ")";
}

// One line per field: code, kind, position+size, then what was decoded;
// "!" marks originals, source path or index list out of step.
std::string describe(const TagFieldList& list, int32_t i, int major) {
  const TagField& f = list.fields[size_t(i)];
  std::string s = (f.tableRow == kExtendedHeaderRow ? "ext" : f.code(major)) + ' ' + "BTMPU"[int(f.kind)] +
                  " @" + std::to_string(f.headerPosition) + "+" + std::to_string(f.totalSize);
  if (!f.language.empty()) s += " [" + f.language + "]";
  if (f.kind == FieldKind::Picture) s += " type " + std::to_string(f.layout);
  if (!f.description.empty()) s += " d\"" + shorten(f.description) + "\"";
  if (!f.content.empty() && f.kind != FieldKind::Unknown) s += " \"" + shorten(f.content) + "\"";
  if (f.encoding != 0) s += " e" + std::to_string(f.encoding);
  if (f.status != 0) s += " s" + std::to_string(f.status);
  if (f.frameFlags != 0) s += " f" + std::to_string(f.frameFlags);
  for (const auto& [note, mark] : {std::pair{msg::kUnicodeNote, " +unicode"},
                                   {msg::kBadEncodingNote, " +badenc"},
                                   {msg::kMissingLanguageNote, " +nolang"}})
    if (f.info.find(std::string("\r\n") + note) != std::string::npos) s += mark;
  const bool text = f.kind == FieldKind::Text;
  const std::vector<int32_t>* index[] = {&list.binaryIndex, &list.textIndex, &list.mixedIndex,
                                         &list.pictureIndex, nullptr};
  if (f.sourcePath != "/music/song.mp3" || (text && f.originalContent != f.content) ||
      (text && f.originalLanguage != f.language) || (f.originalDescription != f.description) ||
      (index[int(f.kind)] && !std::binary_search(index[int(f.kind)]->begin(), index[int(f.kind)]->end(), i)))
    s += " !";
  return s;
}

struct ReadTag {
  TagHeaderState header;
  TagFieldList list;
  std::vector<std::string> lines;
  std::string head;  // padding and header state after reading
};

ReadTag readTag(const Bytes& bytes) {
  ReadTag r;
  EXPECT_TRUE(parseTagHeader(bytes.data(), bytes.size(), 0, r.header));
  readId3v2Tag(MemoryTagInput(bytes.data(), bytes.size()), "/music/song.mp3", r.header, r.list);
  size_t known = 0;
  for (int32_t i = 0; i < r.list.count(); ++i) {
    r.lines.push_back(describe(r.list, i, r.header.majorVersion));
    known += r.list.fields[size_t(i)].kind != FieldKind::Unknown;
  }
  const size_t indexed = r.list.binaryIndex.size() + r.list.textIndex.size() + r.list.mixedIndex.size() +
                         r.list.pictureIndex.size();
  r.head = "pad " + std::to_string(r.header.paddingSize) + (r.header.tagError ? " error" : "") +
           (r.header.footer ? " footer" : "") + (r.header.unsynchronisation ? " unsync" : "") +
           (indexed != known ? " !index" : "");
  return r;
}

TEST(Id3v2Reader, Table) {
  Bytes truncated = tag(3, 0, {{"TIT2", "00'hello'"}, {"TPE1", "00'world'"}});
  truncated.erase(truncated.end() - 3, truncated.end());
  // Plain big-endian sizes (the 2.3 form) in a 2.4 tag: 300 reads as 172
  // when taken as syncsafe, which ends inside the picture.
  const auto sized = [](int major, uint8_t fill) {
    return tagField(major, "TIT2", "00't'") +
           tagField(major, "APIC", h("00'image/png'00 0300") + Bytes(287, fill)) +
           tagField(major, "TPE1", "00'Artist'");
  };
  const std::vector<std::string> sizedLines = {"TIT2 T @10+12 \"t\"", "APIC P @22+310 type 3 \"image/png\"",
                                               "TPE1 T @332+17 \"Artist\""};
  const Bytes jpeg = h("00'image/jpeg'00 11");
  const std::vector<std::string> a = {"TIT2 T @10+12 \"a\""};
  const std::vector<std::string> ext = {"ext B @10+10", "TIT2 T @20+12 \"t\""};
  struct Row {
    const char* what;
    Bytes tag;
    std::vector<std::string> lines;
    const char* head;
    const char* firstInfo = nullptr;
  };
  const Row rows[] = {
      {"2.3: every kind, in order",
       tagBytes(3, 0,
                tagField(3, "XYZW", "'zz'", 0, 0x40) +
                    fields(3, {{"TIT2", "00'Song'"}, {"COMM", "00'deu' 'desc'00 'text'"},
                               {"APIC", "00'image/png'00 03'cover'00 89'PNG'"}, {"PRIV", "'owner'"},
                               {"MCDI", "'toc'"}})),
       {"XYZW U @10+12 s128 f16384", "TIT2 T @22+15 \"Song\"", "COMM T @37+23 [deu] d\"desc\" \"text\"",
        "APIC P @60+32 type 3 d\"cover\" \"image/png\"", "PRIV M @92+15", "MCDI B @107+13"},
       "pad 0",
       "code: XYZW\r\noriginal header position: 10\r\noriginal content size: 2\r\nflags: 0,64 (00h,40h)"},
      {"2.2: 3-character codes, 3-byte sizes, 3-letter image format",
       tag(2, 0, {{"TT2", "00'Two'"}, {"COM", "00'eng'00'c'"}, {"PIC", "00'JPG'04'b'00"}}),
       {"TT2 T @10+10 \"Two\"", "COM T @20+12 [eng] \"c\"", "PIC P @32+13 type 4 d\"b\" \"JPG\""}, "pad 0",
       "code: TT2\r\noriginal header position: 10\r\noriginal content size: 4"},
      {"2.4: syncsafe sizes, 2.4-only codes",
       tagBytes(4, 0, tagField(4, "TDRC", latin1(std::string(199, '9'))) + tagField(4, "EQU2", "'e'")),
       {"TDRC T @10+210 \"99999999...(199)\"", "EQU2 B @220+11"}, "pad 0",
       "code: TDRC\r\noriginal header position: 10\r\noriginal content size: 200\r\nflags: 0,0"},
      {"major version 6: syncsafe sizes, every code unknown",
       tagBytes(6, 0, tagField(6, "TIT2", latin1(std::string(150, 'x'))) + tagField(6, "TPE1", "00'a'")),
       {"TIT2 U @10+161 s128", "TPE1 U @171+12 s128"}, "pad 0"},
      // "TIT" and size bytes '2', 0, 0: far past the tag end, so the loop ends there.
      {"4-character code in a 2.2 tag", tagBytes(2, 0, fields(3, {{"TIT2", "00'x'"}})),
       {"TIT U @10+3276806 s128"}, "pad 0"},
      {"100 zeros of padding", tag(4, 0, {{"TIT2", "00'a'"}}, zeros(100)), a, "pad 100"},
      {"no padding", tag(3, 0, {{"TIT2", "00'a'"}}), a, "pad 0"},
      {"zeros, then data", tag(3, 0, {{"TIT2", "00'a'"}}, h("000000 0700")), a, "pad 3"},
      {"MP3e ends the fields", tag(3, 0, {{"TIT2", "00'a'"}}, h("'MP3e' 0000")), a, "pad 0"},
      {"a footer ends the fields", tagBytes(4, 0x10, fields(4, {{"TIT2", "00'a'"}}), true), a,
       "pad 0 footer"},
      {"a footer of another version is no footer",
       tag(4, 0, {{"TIT2", "00'a'"}}, h("'3DI'03 0000 00000000")), a, "pad 0 error"},
      {"2.3 ignores the footer flag", tag(3, 0x10, {{"TIT2", "00'a'"}}, zeros(4)), a, "pad 4"},
      {"major version 1 is not read", tagBytes(1, 0, fields(3, {{"TIT2", "00'a'"}})), {}, "pad 0 error"},
      {"2.2 ignores the extended header flag", tag(2, 0x40, {{"TT2", "00'a'"}}), {"TT2 T @10+8 \"a\""},
       "pad 0"},
      {"lower case and digits pass, a control character stops",
       tagBytes(3, 0, fields(3, {{"xyz9", "'q'"}, {"TPE1", "00'b'"}}) + h("'T'01'T2' 00000002 0000 00'a'") +
                          fields(3, {{"TALB", "00'c'"}})),
       {"xyz9 U @10+11 s128", "TPE1 T @21+12 \"b\""}, "pad 0 error"},
      {"a field claiming more than the tag is kept and ends the loop",
       tagBytes(3, 0, h("'TIT2' 000000C8 0000 00'abc'")) + Bytes(300, 'U'),
       {"TIT2 T @10+210 \"abcUUUUU...(199)\""}, "pad 0"},
      {"the input ends inside a field", truncated, {"TIT2 T @10+16 \"hello\""}, "pad 0 error"},
      {"2.4 with plain sizes", tagBytes(4, 0, sized(3, 0xAB) + Bytes(20, 0)), sizedLines, "pad 20"},
      {"2.4 with plain sizes, zeros where the syncsafe size ends", tagBytes(4, 0, sized(3, 0) + Bytes(20, 0)),
       sizedLines, "pad 20"},
      {"2.4 with syncsafe sizes", tagBytes(4, 0, sized(4, 0xAB)), sizedLines, "pad 0"},
      // Neither reading explains the data after TPE1: stopped where the syncsafe sizes went wrong.
      {"2.4, neither size reading fits", tagBytes(4, 0, sized(3, 0xAB) + h("0102030405060708090A")),
       {"TIT2 T @10+12 \"t\"", "APIC P @22+182 type 3 \"image/png\""}, "pad 0 error"},
      {"comment edge cases",
       tag(3, 0, {{"COMM", "00'eng'"}, {"COMM", "05'eng' 'd'00't'"}, {"COMM", "00'en'"},
                  {"COMM", "00 000000 00'x'"}}),
       {"COMM T @10+14 [eng]", "COMM T @24+17 e5 s1 +badenc", "COMM T @41+13 s2 +nolang",
        "COMM T @54+16 \"x\""},
       "pad 0"},
      {"UTF-16, the decode limit, descriptions, URLs",
       tagBytes(3, 0,
                tagField(3, "TIT2", "01FEFF 00'A'00'B'") +
                    tagField(3, "TALB", latin1(std::string(1024, 'x'))) +
                    tagField(3, "TCON", latin1(std::string(1023, 'y'))) +
                    fields(3, {{"TXXX", "01FFFE'k'00 0000 FFFE'v'00"}, {"WXXX", "00'desc'00'http://x'"},
                               {"WXXX", "01FFFE'd'00 0000 'ht'"}})),
       {"TIT2 T @10+17 \"AB\" e1 +unicode", "TALB T @27+1035 \"- TOO LARGE TO DISPLAY -\" s64",
        "TCON T @1062+1034 \"yyyyyyyy...(1023)\"", "TXXX T @2096+21 d\"k\" \"v\" e1 +unicode",
        "WXXX T @2117+24 d\"desc\" \"http://x\"", "WXXX T @2141+19 d\"d\" \"ht\" e1 +unicode"},
       "pad 0"},
      // The description: none without a zero in the first 1024 bytes or
      // inside the field; it may end exactly at the field end.
      {"picture descriptions",
       tagBytes(3, 0,
                tagField(3, "APIC", jpeg + Bytes(2000, 'd') + h("00")) +
                    tagField(3, "APIC", jpeg + h("'end'00")) + tagField(3, "APIC", jpeg + h("'abc'")) +
                    tagField(3, "TIT2", "00't'")),
       {"APIC P @10+2024 type 17 \"image/jpeg\"", "APIC P @2034+27 type 17 d\"end\" \"image/jpeg\"",
        "APIC P @2061+26 type 17 \"image/jpeg\"", "TIT2 T @2087+12 \"t\""},
       "pad 0"},
      {"a MIME type of 300 characters keeps 255",
       tagBytes(3, 0, tagField(3, "APIC", h("00") + Bytes(300, 'm') + h("0003'd'00")) +
                          tagField(3, "TIT2", "00't'")),
       {"APIC P @10+315 type 3 d\"d\" \"mmmmmmmm...(255)\"", "TIT2 T @325+12 \"t\""}, "pad 0"},
      // 2.3 leaves the size field's own 4 bytes out; the size 0 form of a
      // 10-byte header reads the same; 2.4 counts the whole header.
      {"2.3 extended header", tagBytes(3, 0x40, h("00000006 0000 00000000") + fields(3, {{"TIT2", "00't'"}})),
       ext, "pad 0"},
      {"2.3 extended header, size 0", tagBytes(3, 0x40, zeros(10) + fields(3, {{"TIT2", "00't'"}})), ext,
       "pad 0"},
      {"2.4 extended header", tagBytes(4, 0x40, h("00000006 0100") + fields(4, {{"TIT2", "00'u'"}})),
       {"ext B @10+6", "TIT2 T @16+12 \"u\""}, "pad 0"},
      {"unsynchronised extended header: FF 00 in the size reads as FF",
       tagBytes(3, 0xC0, h("000000FF 00 0000") + Bytes(252, 0) + fields(3, {{"TIT2", "00's'"}})),
       {"ext B @10+259", "TIT2 T @269+12 \"s\""}, "pad 0 unsync"},
      // FF FE unsynchronised is FF 00 FE; the size counts the inserted zero.
      {"unsynchronised text, sizes as stored", tag(3, 0x80, {{"TIT2", "01FF00FE 'O'00'K'00"}}),
       {"TIT2 T @10+18 \"OK\" e1 +unicode"}, "pad 0 unsync"},
      // A 2.4 field may be unsynchronised by its own flag, the tag's not set.
      {"2.4 field unsynchronised on its own", tagBytes(4, 0, tagField(4, "TIT2", "01FF00FE 'O'00'K'00", 0, 0x02)),
       {"TIT2 T @10+18 \"OK\" e1 f512 +unicode"}, "pad 0"},
      {"whole body unsynchronised, sizes before it",
       tagBytes(3, 0x80,
                unsync(fields(3, {{"TIT2", "01FFFE'H'00'i'00"}, {"TPE1", "01FFFE FF00"}, {"TALB", "00'al'"}}))
                    + zeros(6)),
       {"TIT2 T @10+18 \"Hi\" e1 +unicode", "TPE1 T @28+17 \"\xFF\" e1 +unicode", "TALB T @45+13 \"al\""},
       "pad 6 unsync"},
      // A code of other characters after a field that grew in its content or
      // in its header: the usual reading still reaches it.
      {"unsynchronised, grown content before an odd code",
       tagBytes(3, 0x80, unsync(fields(3, {{"TXXX", "01FFFE'A'00'B'C3"}, {"TPE:", "0200"}}))),
       {"TXXX T @10+18 d\"A?\" e1 +unicode", "TPE: U @28+12 s128"}, "pad 0 unsync"},
      {"unsynchronised, grown header before an odd code",
       tagBytes(3, 0x80, unsync(tagField(3, "TXXX", "00'k'00'v'", 0, 0xFF) + fields(3, {{"TPE:", "0200"}}))),
       {"TXXX T @11+14 d\"k\" \"v\" f65280", "TPE: U @25+12 s128"}, "pad 0 unsync"},
  };
  for (const Row& row : rows) {
    const ReadTag r = readTag(row.tag);
    EXPECT_EQ(r.lines, row.lines) << row.what;
    EXPECT_EQ(r.head, row.head) << row.what;
    if (row.firstInfo != nullptr && !r.list.fields.empty()) {
      EXPECT_EQ(r.list.fields[0].info, row.firstInfo) << row.what;
    }
  }
  // More fields than any real tag holds: the list stops growing, with the error flag.
  Bytes many;
  for (int i = 0; i <= kMaxTagFields; ++i) many.insert(many.end(), {'T', 'T', '2', 0, 0, 0});
  const ReadTag m = readTag(tagBytes(2, 0, many));
  EXPECT_EQ(std::tuple(m.list.count(), m.head), std::tuple(kMaxTagFields, std::string("pad 0 error")));
}

// The load runs both tag readers (what --info prints of them is compared
// with a golden text); a broken ID3v2 tag shows the loader's message.
class TagLoad : public EditorFixture {
 protected:
  // A file with this ID3v2 tag, frames and (when asked) an ID3v1 tag.
  std::string mp3(const std::string& name, const Bytes& tag, bool v1 = true) {
    Mp3Builder b;
    b.raw(tag).frames(20);
    return write(name, v1 ? b.id3v1("Caf\xE9", "Artist", "Album", "2004", "Note", 3, 79) : b);
  }
};

TEST_F(TagLoad, FillsTheDocument) {
  const std::string path =
      mp3("a.mp3", tag(3, 0,
                       {{"TIT2", "01FFFE E900"}, {"COMM", "00'eng' 'd'00 'line1'0A'line2'"},
                        {"APIC", "00'image/png'00 03 'c'00"}, {"COMM", "07'eng' 'x'"}, {"COMM", "00'e'"},
                        {"ABCD", "'zz'"}},
                       zeros(5)));
  const auto check = [&] {
    ASSERT_EQ(doc().tagFields.count(), 6);
    EXPECT_EQ(std::tuple(doc().tagFields.fields[5].sourcePath, doc().tagHeader.paddingSize),
              std::tuple(path, 5));
    EXPECT_FALSE(doc().tagHeader.outputUnsynchronisation);
    EXPECT_TRUE(doc().id3v1Record.track() == 3 && doc().loadedId3v1Record == doc().id3v1Record);
  };
  ASSERT_TRUE(editor.loadFile(path));
  check();
  EXPECT_TRUE(on(Command::RemoveId3v1) && host.messages().empty());
  ASSERT_TRUE(editor.loadFile(path));
  check();  // a second load starts from empty lists
  editor.unload(false);
  EXPECT_EQ(doc().tagFields.count(), 0);
  std::ostringstream out, err;
  ASSERT_EQ(printFileInfo(path, out, err), 0) << err.str();
  std::ifstream golden(std::filesystem::path(__FILE__).parent_path() / "../../data/tags/info_tags.txt");
  ASSERT_TRUE(golden) << "golden file missing";
  const std::string text = out.str(), expected{std::istreambuf_iterator<char>(golden), {}};
  EXPECT_EQ(text.substr(std::min(text.size(), text.find("ID3v1 tag (version"))), expected) << text;
  // Without an ID3v1 tag the record is reset; the output unsynchronisation starts from the file's.
  ASSERT_TRUE(editor.loadFile(mp3("b.mp3", tag(3, 0x80, {{"TIT2", "00'u'"}}), false)));
  EXPECT_TRUE(doc().tagHeader.outputUnsynchronisation && !on(Command::RemoveId3v1));
  EXPECT_EQ(doc().id3v1Record, Id3v1Record{});
  // A broken tag: the fields before the fault, and a box unless a silent script runs.
  const std::string broken = mp3("c.mp3", tag(4, 0, {{"TIT2", "00'ok'"}, {"T\x05" "E1", "00'x'"}}));
  for (const int mode : {0, 1, 2}) {  // the window, a script, a silent script
    const bool silent = mode == 2;
    editor.scriptRunning = mode > 0;
    editor.silentMode = silent;
    clear();
    ASSERT_TRUE(editor.loadFile(broken));
    EXPECT_TRUE(doc().tagHeader.tagError);
    EXPECT_EQ(doc().tagFields.count(), 1);
    EXPECT_EQ(boxes(), silent ? "" : "!Warning: " + std::string(msg::kId3v2Error));
  }
}

}  // namespace
}  // namespace kavrel::test
