// Tags Kavrel writes are read by mutagen as meant, in every version with and
// without unsynchronisation; tags written by mutagen, eyeD3 and id3v2
// (id3lib) come through a Kavrel save unchanged as mutagen sees them. All
// tags are made here, at run time, in a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"
#include "tag_interop.h"
#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"

namespace kavrel::test {
namespace {

// Everything mutagen finds in a tag, frames as read (no translation between
// versions), one line each in a stable order.
const char* kDump = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3()
t.load(sys.argv[1], translate=False, load_v1=False)
print('version', t.version[1], 'unsync', bool(t.f_unsynch))
for line in sorted(repr(f) for f in t.values()):
    print(line)
for raw in sorted(t.unknown_frames):
    print('unknown', raw.hex())
)PY";

// The texts of the fields Kavrel writes in the tests below.
const char* kTexts = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
print('version', t.version[1], 'unsync', bool(t.f_unsynch))
print('title', t['TIT2'].text)
print('subtitle', len(t['TIT3'].text[0]), set(t['TIT3'].text[0]))
print('artist', t['TPE1'].text)
print('genre', t['TCON'].genres)
c = t.getall('COMM')[0]
print('comment', c.lang, c.desc, c.text)
u = t.getall('TXXX')[0]
print('user', u.desc, u.text)
p = t.getall('APIC')[0]
print('picture', p.mime, int(p.type), p.desc, p.data.hex())
print('frames', len(t.values()))
)PY";

int addField(Document& doc, int row, const std::string& text) {
  const int at = doc.tagFields.addIndexedField(row, doc.tagHeader.majorVersion);
  TagField& f = doc.tagFields.fields[size_t(at)];
  f.content = text;
  f.source = field_source::kAdded | field_source::kEdited;
  return at;
}

TEST(Id3v2WriteInterop, KavrelTagsReadByMutagenInEveryVersion) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0xFF, 0x00, 0xFF, 0xE0, 0xFF};
  writeFile(dir.file("cover.png"), png);
  for (const int version : {2, 3, 4}) {
    for (const bool unsync : {false, true}) {
      const std::string name = "k" + std::to_string(version) + (unsync ? "u" : "");
      SCOPED_TRACE(name);
      Session s;
      s.editor.dataFolder = dir.path();
      ASSERT_TRUE(s.editor.loadFile(plainMp3(dir, name + ".mp3")));
      const uint8_t format = uint8_t(version | (unsync ? 0x80 : 0));
      s.editor.options().newTagFormat = format;
      createTagIfNone(s.doc().tagFields, s.doc().tagHeader, {format, 4});
      addField(s.doc(), 44, "Caf\xE9 \xFF\xE0");             // false syncs in the text
      addField(s.doc(), 45, std::string(254, 'a'));          // 255 bytes: 0xFF in the size
      addField(s.doc(), 58, "Artist \x80");                  // the euro sign: not in Latin-1
      addField(s.doc(), kGenreRow, "Rock CR");
      TagField& c = s.doc().tagFields.fields[size_t(addField(s.doc(), kCommentRow, "Kommentar"))];
      c.language = "deu";
      c.description = "d\x96";
      TagField& u = s.doc().tagFields.fields[size_t(addField(s.doc(), 77, "value"))];
      u.description = "key";
      const int p = s.doc().tagFields.addIndexedField(kPictureRow, version);
      TagField& pic = s.doc().tagFields.fields[size_t(p)];
      pic.source = field_source::kAdded | field_source::kFromFile;
      pic.sourcePath = dir.file("cover.png");
      pic.layout = 3;
      pic.description = "front";

      const std::string out = dir.file(name + "-out.mp3");
      ASSERT_TRUE(s.editor.saveAs(Sender::User, out));
      EXPECT_TRUE(s.host.messages().empty());
      const auto seen = python(kTexts, out);
      ASSERT_EQ(seen.exitCode, 0) << seen.output;
      EXPECT_EQ(seen.output, "version " + std::to_string(version) + " unsync " + (unsync ? "True" : "False") +
                                 "\n"
                                 "title ['Caf\u00e9 \u00ff\u00e0']\n"
                                 "subtitle 254 {'a'}\n"
                                 "artist ['Artist \u20ac']\n"
                                 "genre ['Rock', 'Cover']\n"
                                 "comment deu d\u2013 ['Kommentar']\n"
                                 "user key ['value']\n"
                                 "picture image/png 3 front 89504e47ff00ffe0ff\n"
                                 "frames 7\n")
          << "the genre's refinement CR reads as Cover";
    }
  }
}

// Kavrel loads `path`, saves it as a new file without changes (optionally
// in another version) and returns the new file.
std::string kavrelSave(const TempDir& dir, const std::string& path, const std::string& outName, int version = 0,
                       int unsync = -1) {
  Session s;
  s.editor.dataFolder = dir.path();
  EXPECT_TRUE(s.editor.loadFile(path));
  EXPECT_TRUE(s.host.messages().empty());
  EXPECT_FALSE(s.doc().tagHeader.tagError);
  if (version != 0) s.doc().tagHeader.majorVersion = uint8_t(version);
  if (unsync >= 0) s.doc().tagHeader.outputUnsynchronisation = unsync != 0;
  const std::string out = dir.file(outName);
  EXPECT_TRUE(s.editor.saveAs(Sender::User, out));
  return out;
}

void expectSameDump(const TempDir& dir, const std::string& path, const std::string& name) {
  const auto before = python(kDump, path);
  ASSERT_EQ(before.exitCode, 0) << before.output;
  ASSERT_GT(std::count(before.output.begin(), before.output.end(), '\n'), 5) << before.output;
  const auto after = python(kDump, kavrelSave(dir, path, name + "-kavrel.mp3"));
  ASSERT_EQ(after.exitCode, 0) << after.output;
  EXPECT_EQ(after.output, before.output);
}

// A rich tag from mutagen; "3u" and "4u" unsynchronise it afterwards the
// way each version does (the whole body in 2.3, each field in 2.4), "4p"
// gives it plain field sizes.
const std::string kMutagenWriter = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, COMM, TXXX, WXXX, APIC, PRIV, TIT3, TCON
from mutagen.id3._util import unsynch
path, mode = sys.argv[1].split('|')
v = int(mode[0])
t = ID3()
t.add(TIT2(encoding=1, text='Caf\u00e9 \u20ac \u0414'))
t.add(TPE1(encoding=0, text='Artist'))
t.add(TALB(encoding=3 if v == 4 else 1, text='\u00c5lbum'))
t.add(TCON(encoding=0, text=['Rock', 'Pop']))
t.add(COMM(encoding=1, lang='deu', desc='d', text='Kommentar'))
t.add(TXXX(encoding=0, desc='key', text='value'))
t.add(WXXX(encoding=0, desc='site', url='http://example.org/'))
t.add(APIC(encoding=0, mime='image/png', type=3, desc='cover', data=b'\x89PNG\xff\xe0\xff\x00data' * 30))
t.add(PRIV(owner='kavrel', data=b'\xff\xfe'))
t.add(TIT3(encoding=0, text='x' * 1100))
t.save(path, v2_version=v, padding=lambda info: 64)
)PY" + std::string(kReshapeSavedTag) + R"PY(print('ok')
)PY";

TEST(Id3v2WriteInterop, MutagenTagsSurviveAKavrelSave) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  for (const std::string mode : {"3", "4", "3u", "4u", "4p"}) {
    SCOPED_TRACE(mode);
    const std::string path = plainMp3(dir, "m" + mode + ".mp3");
    const auto made = python(kMutagenWriter, path + "|" + mode);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    expectSameDump(dir, path, "m" + mode);
  }
}

TEST(Id3v2WriteInterop, VersionChangesOfAMutagenTagReadTheSame) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  const std::string path = plainMp3(dir, "source.mp3");
  ASSERT_EQ(python(kMutagenWriter, path + "|3").exitCode, 0);
  // The fields every version holds, as mutagen shows them after its own
  // translation to 2.4 names.
  const char* kCommon = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
print('unsync', bool(t.f_unsynch))
for k in ['TIT2', 'TPE1', 'TALB', 'TCON', 'TIT3', 'COMM:d:deu', 'TXXX:key', 'WXXX:site']:
    print(k, repr(t[k]))
p = t.getall('APIC')[0]
print(p.mime, p.type, p.desc, len(p.data))
)PY";
  const auto original = python(kCommon, path);
  ASSERT_EQ(original.exitCode, 0) << original.output;
  for (const int version : {2, 3, 4}) {
    for (const int unsync : {0, 1}) {
      SCOPED_TRACE(std::to_string(version) + (unsync ? "u" : ""));
      const std::string out =
          kavrelSave(dir, path, "v" + std::to_string(version) + std::to_string(unsync) + ".mp3", version, unsync);
      const auto seen = python(kCommon, out);
      ASSERT_EQ(seen.exitCode, 0) << seen.output;
      std::string expected = original.output;
      expected.replace(expected.find("unsync False"), 12, unsync ? "unsync True" : "unsync False");
      EXPECT_EQ(seen.output, expected);
    }
  }
}

TEST(Id3v2WriteInterop, EyeD3TagsLoadAndSurviveAKavrelSave) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  if (!toolAvailable("eyeD3")) GTEST_SKIP() << "eyeD3 is not installed";
  TempDir dir;
  writeFile(dir.file("front.png"), std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0xFF, 0xE0, 1, 2, 3});
  for (const std::string version : {"2.3", "2.4"}) {
    for (const std::string encoding : {"latin1", "utf16"}) {
      SCOPED_TRACE(version + " " + encoding);
      const std::string name = "e" + version + encoding;
      const std::string path = plainMp3(dir, name + ".mp3");
      const auto made = runCommand(
          "eyeD3 --no-color -Q --to-v" + version + " --encoding " + encoding + " -t " +
          shellQuote("Stra\u00dfe") + " -a Artist -A Album -n 12 -Y 1999 -G Jazz -c " + shellQuote("note") +
          " --user-text-frame " + shellQuote("who:me") + " --add-image " +
          shellQuote(dir.file("front.png") + ":FRONT_COVER:cover") + " " + shellQuote(path));
      ASSERT_EQ(made.exitCode, 0) << made.output;

      Session s;
      ASSERT_TRUE(s.editor.loadFile(path));
      const TagFieldList& list = s.doc().tagFields;
      ASSERT_FALSE(list.fields.empty());
      bool titleFound = false;
      for (const TagField& f : list.fields)
        if (f.tableRow == 44) titleFound = f.content == "Stra\xDF" "e";
      EXPECT_TRUE(titleFound);
      EXPECT_EQ(list.pictureIndex.size(), 1u);
      expectSameDump(dir, path, name);
    }
  }
}

TEST(Id3v2WriteInterop, Id3libTagsLoadAndSurviveAKavrelSave) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  if (!toolAvailable("id3v2")) GTEST_SKIP() << "id3v2 is not installed";
  TempDir dir;
  const std::string path = plainMp3(dir, "id3lib.mp3");
  const auto made = runCommand("id3v2 -t " + shellQuote("A title") + " -a Band -A " + shellQuote("The album") +
                               " -c " + shellQuote("remark") + " -y 1987 -T 3/9 -g 17 --TXXX " +
                               shellQuote("key:value") + " " + shellQuote(path));
  ASSERT_EQ(made.exitCode, 0) << made.output;
  Session s;
  ASSERT_TRUE(s.editor.loadFile(path));
  EXPECT_EQ(s.doc().tagHeader.majorVersion, 3);
  bool yearFound = false;
  for (const TagField& f : s.doc().tagFields.fields)
    if (f.tableRow == 76) yearFound = f.content == "1987";
  EXPECT_TRUE(yearFound);
  expectSameDump(dir, path, "id3lib");
}

}  // namespace
}  // namespace kavrel::test
