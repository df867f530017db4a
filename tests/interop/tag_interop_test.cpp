// ID3v2 tags between Kavrel and mutagen, eyeD3 and id3v2 (id3lib), both ways.
#include <string>
#include <vector>

#include "app/editor.h"
#include "interop.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"

namespace kavrel::test {
namespace {

std::string plainMp3(const TempDir& dir, const std::string& name) {
  writeFile(dir.file(name), Mp3Builder().frames(40).bytes());
  return dir.file(name);
}

// The tag part of `kavrel --info`: its version, then its fields without
// their byte counts and picture descriptions.
std::string tagView(const std::string& info) {
  std::string out;
  std::istringstream in(info);
  bool fields = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("  ID3v2 tag at ")) out += line.substr(line.find('(')) + "\n";
    fields = line.starts_with("ID3v2 fields") || (fields && line.starts_with("  "));
    if (!fields) continue;
    line = std::regex_replace(line, std::regex(R"(^(  .*?\)), \d+ bytes)"), "$1");
    if (line.find("picture (") != std::string::npos) line.erase(line.rfind(", \""));
    out += line + "\n";
  }
  return out;
}

struct Foreign {
  std::string name;
  std::string make;  // "make MODE" for tags.py, else a shell command with $F for the file
  std::string view;  // tagView of `kavrel --info`
};

// Each file shows as expected; a script saves them all, and mutagen finds
// every saved tag as it was, frame for frame.
void checkForeignTags(const Kavrel& k, const std::vector<Foreign>& rows) {
  std::string script;
  for (const Foreign& row : rows) {
    const std::string path = k.dir.file(row.name);
    if (row.make.starts_with("make ")) {
      tagsPy(row.make + " " + shellQuote(plainMp3(k.dir, row.name)));
    } else if (!row.make.empty()) {
      const auto made = runCommand("F=" + shellQuote(plainMp3(k.dir, row.name)) + "; " + row.make);
      ASSERT_EQ(made.exitCode, 0) << row.name << ": " << made.output;
    }
    const std::string info = k.run("--info " + shellQuote(path)).output;
    EXPECT_EQ(tagView(info), row.view) << row.name;
    EXPECT_EQ(info.find("\nNotes:\n"), std::string::npos) << info;
    script += "LOAD " + path + "\r\nSAVEAS " + path + ".out\r\n";
  }
  const auto r = k.script(script);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(k.cleanLog()) << k.log();
  for (const Foreign& row : rows) {
    const std::string before = tagsPy("dump " + shellQuote(k.dir.file(row.name)));
    EXPECT_GT(std::count(before.begin(), before.end(), '\n'), 3) << before;
    EXPECT_EQ(tagsPy("dump " + shellQuote(k.dir.file(row.name) + ".out")), before) << row.name;
  }
}

std::string mutagenView(const std::string& mode) {
  const bool v4 = mode[0] == '4';
  return std::string("(version 2.") + mode[0] + ".0" + (mode.ends_with('u') ? ", unsynchronised)\n" : ")\n") +
         "ID3v2 fields (" + (v4 ? "12" : "11") + ", padding 64 bytes):\n  Title (TIT2): \"Café € ?\"\n" +
         "  Performer (TPE1): \"Artist\"\n  Album (TALB): \"Ålbum\"\n  Genre (TCON): \"" +
         (v4 ? "Rock" : "Rock/Pop") +  // of 2.4's values, the first
         "\"\n  undefined (XKVR)\n  Private frame (PRIV)\n" + (v4 ? "  Band (TPE2): \"Band\"\n" : "") +
         "  User-defined text information frame (TXXX): \"key\" \"value\"\n"
         "  User defined URL link frame (WXXX): \"site\" \"http://example.org/\"\n"
         "  Comment (COMM): [deu] \"d\" \"Kommentar\"\n"
         "  Attached picture (APIC): image/png, front cover\n"
         "  Subtitle (TIT3): \"- TOO LARGE TO DISPLAY -\"\n";  // more than 1024 bytes
}

TEST(TagInterop, MutagenTagsInBothVersionsUnsynchronisedOrNot) {
  REQUIRE_TOOLS("mutagen");
  std::vector<Foreign> rows;
  for (const std::string mode : {"3", "4", "3u", "4u", "4p"})
    rows.push_back({"m" + mode + ".mp3", "make " + mode, mutagenView(mode)});
  // A 2.2 tag from the builder, which mutagen reads as meant.
  Kavrel k;
  Mp3Builder v22;
  v22.id3v2Frames(2, {{"TT2", "Two two"}, {"TP1", "Singer"}, {"TAL", "Record"}}, 20).frames(30);
  writeFile(k.dir.file("v22.mp3"), v22.bytes());
  EXPECT_EQ(tagsPy("show " + shellQuote(k.dir.file("v22.mp3"))),
            "version 2.2 unsync False\nTIT2 'Two two'\nTPE1 'Singer'\nTALB 'Record'\n");
  rows.push_back({"v22.mp3", "",
                  "(version 2.2.0)\nID3v2 fields (3, padding 20 bytes):\n  Title (TT2): \"Two two\"\n"
                  "  Performer (TP1): \"Singer\"\n  Album (TAL): \"Record\"\n"});
  checkForeignTags(k, rows);
}

TEST(TagInterop, EyeD3Tags) {
  REQUIRE_TOOLS("mutagen", "eyeD3");
  std::vector<Foreign> rows;
  for (const std::string version : {"2.3", "2.4"}) {
    for (const std::string encoding : {"latin1", "utf16", "utf16-be", "utf8"}) {
      if (version == "2.3" && (encoding == "utf8" || encoding == "utf16-be")) continue;  // 2.4 only
      rows.push_back(
          {"e" + version + encoding + ".mp3",
           "printf '\\211PNG\\377\\340\\001\\002' > \"$F.png\" && eyeD3 --no-color -Q --to-v" + version +
               " --encoding " + encoding +
               " -t Straße -a Artist -A Album -n 12 -Y 1999 -G Jazz -c note --user-text-frame who:me"
               " --add-image \"$F.png:FRONT_COVER:cover\" \"$F\"",
           "(version " + version + ".0)\nID3v2 fields (" + (version == "2.3" ? "8" : "9") +
               ", padding 256 bytes):\n"
               "  Attached picture (APIC): image/png, front cover\n"
               "  Comment (COMM): [eng] \"\" \"note\"\n"
               "  Album (TALB): \"Album\"\n"
               "  Genre (TCON): \"Jazz\"\n" +
               (version == "2.4" ? "  Release time (TDRL): \"1999\"\n" : "") +
               "  Title (TIT2): \"Straße\"\n"
               "  Performer (TPE1): \"Artist\"\n"
               "  Track number (TRCK): \"12\"\n"
               "  User-defined text information frame (TXXX): \"who\" \"me\"\n"});
    }
  }
  checkForeignTags(Kavrel(), rows);
}

TEST(TagInterop, Id3libTags) {
  REQUIRE_TOOLS("mutagen", "id3v2");
  checkForeignTags(
      Kavrel(),
      {{"id3lib.mp3",
        "id3v2 -t 'A title' -a Band -A 'The album' -c remark -y 1987 -T 3/9 -g 17 --TXXX key:value \"$F\"",
        "(version 2.3.0)\nID3v2 fields (8, padding 1604 bytes):\n"
        "  Title (TIT2): \"A title\"\n"
        "  Performer (TPE1): \"Band\"\n"
        "  Album (TALB): \"The album\"\n"
        "  Comment (COMM): \"\" \"remark\"\n"
        "  Year (TYER): \"1987\"\n"
        "  Track number (TRCK): \"3/9\"\n"
        "  Genre (TCON): \"(17)\"\n"
        "  User-defined text information frame (TXXX): \"key\" \"value\"\n"}});
}

// A field added as the ID3v2 editor adds one: typed, or (`source` kFromFile) from a file.
TagField& addField(Document& doc, int row, const std::string& content, const std::string& description = "",
                   uint8_t source = field_source::kEdited) {
  TagField& f = doc.tagFields.fields[size_t(doc.tagFields.addIndexedField(row, doc.tagHeader.majorVersion))];
  f.content = content, f.description = description, f.source = uint8_t(field_source::kAdded | source);
  return f;
}

// In each version, unsynchronised or not: a tag Kavrel makes, and mutagen's
// 2.3 and 2.4 tags saved in that version, read back by mutagen as meant.
TEST(TagInterop, KavrelTagsInEveryVersion) {
  REQUIRE_TOOLS("mutagen");
  TempDir dir;
  writeFile(dir.file("cover.png"), {0x89, 'P', 'N', 'G', 0xFF, 0x00, 0xFF, 0xE0, 0xFF});
  for (const std::string from : {"3", "4"})
    tagsPy("make " + from + " " + shellQuote(plainMp3(dir, "src" + from + ".mp3")));
  for (const int version : {2, 3, 4}) {
    for (const bool unsync : {false, true}) {
      const std::string name = std::to_string(version) + (unsync ? "u" : "");
      const std::string head =
          "version 2." + std::to_string(version) + " unsync " + (unsync ? "True" : "False");
      RecordingHost host;
      Editor editor(host);
      editor.dataFolder = dir.path();
      ASSERT_TRUE(editor.loadFile(plainMp3(dir, name + ".mp3")));
      Document& doc = editor.document();
      editor.options().newTagFormat = uint8_t(version | (unsync ? 0x80 : 0));
      createTagIfNone(doc.tagFields, doc.tagHeader, {editor.options().newTagFormat, 4});
      addField(doc, 44, "Caf\xE9 \xFF\xE0");     // false syncs in the text
      addField(doc, 45, std::string(254, 'a'));  // 255 bytes: 0xFF in the size
      addField(doc, 58, "Artist \x80");          // the euro sign: not in Latin-1
      addField(doc, kGenreRow, "Rock CR RX");
      addField(doc, kCommentRow, "Kommentar", "d\x96").language = "deu";
      addField(doc, 77, "value", "key");
      addField(doc, kUrlRow, "http://example.org/", "home page \x80");
      TagField& pic = addField(doc, kPictureRow, "", "front", field_source::kFromFile);
      pic.sourcePath = dir.file("cover.png"), pic.layout = 3;
      ASSERT_TRUE(editor.saveAs(Sender::User, dir.file(name + "-new.mp3")));
      EXPECT_TRUE(host.messages().empty()) << name;
      EXPECT_EQ(tagsPy("show " + shellQuote(dir.file(name + "-new.mp3"))),
                head + "\nTIT2 'Café ÿà'\nTIT3 '" + std::string(254, 'a') +
                    "'\nTPE1 'Artist €'\n"
                    "TCON ['Rock', 'Cover', 'Remix']\n"  // the refinements CR and RX
                    "COMM deu 'd–' 'Kommentar'\nTXXX 'key' ['value']\n"
                    "WXXX 'home page €' http://example.org/\n"
                    "APIC image/png 3 'front' 89504e47ff00ffe0ff\n")
          << name;
      for (const std::string from : {"3", "4"}) {
        RecordingHost copyHost;
        Editor copier(copyHost);
        copier.dataFolder = dir.path();
        ASSERT_TRUE(copier.loadFile(dir.file("src" + from + ".mp3")));
        copier.document().tagHeader.majorVersion = uint8_t(version);
        copier.document().tagHeader.outputUnsynchronisation = unsync;
        const std::string out = dir.file(name + "-from" + from + ".mp3");
        ASSERT_TRUE(copier.saveAs(Sender::User, out));
        // 2.2 has no private frames and no place for a field of 4-letter code.
        std::string expected = tagsPy("show " + shellQuote(dir.file("src" + from + ".mp3")));
        expected = std::regex_replace(expected, std::regex("version 2.. unsync False"), head);
        if (version == 2) expected = std::regex_replace(expected, std::regex("PRIV [^\n]*\n"), "");
        EXPECT_EQ(copyHost.messages().size(), version == 2 ? 1u : 0u) << name << " from 2." << from;
        EXPECT_EQ(tagsPy("show " + shellQuote(out)), expected) << name << " from 2." << from;
      }
    }
  }
}

}  // namespace
}  // namespace kavrel::test
