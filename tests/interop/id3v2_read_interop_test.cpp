// Tags written by other programs (mutagen, eyeD3, id3v2/id3lib) load with
// the fields and texts those programs meant. The tags are made here, in a
// temporary folder; mutagen also reads back the unsynchronised tags built
// from its own, so their bytes are known to be valid.

#include <gtest/gtest.h>

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

// Writes a rich tag with mutagen: UTF-16 and UTF-8 texts, a comment, a user
// text, a URL, a picture, private data and a field mutagen does not know.
// `mode`: "3" or "4" for the version, "3u"/"4u" unsynchronised afterwards.
const std::string kMutagenWriter = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TPE2, COMM, TXXX, WXXX, APIC, PRIV, TIT3
from mutagen.id3._frames import Frame
from mutagen.id3._specs import BinaryDataSpec
from mutagen.id3._util import unsynch
class XKVR(Frame):
    _framespec = [BinaryDataSpec('data')]
path, mode = sys.argv[1].split('|')
v = int(mode[0])
t = ID3()
t.add(TIT2(encoding=1, text='Caf\u00e9 \u20ac \u0414'))
t.add(TPE1(encoding=0, text='Artist'))
t.add(TALB(encoding=3 if v == 4 else 1, text='\u00c5lbum'))
if v == 4:
    t.add(TPE2(encoding=2, text='Band'))
t.add(COMM(encoding=1, lang='deu', desc='d', text='Kommentar'))
t.add(TXXX(encoding=0, desc='key', text='value'))
t.add(WXXX(encoding=0, desc='site', url='http://example.org/'))
t.add(APIC(encoding=0, mime='image/png', type=3, desc='cover', data=b'\x89PNG\xff\xe0\xff\x00data'))
t.add(PRIV(owner='kavrel', data=b'\xff\xfe'))
t.add(TIT3(encoding=0, text='x' * 1024))
t.add(XKVR(data=b'abc'))
t.save(path, v2_version=v, padding=lambda info: 64)
)PY" + std::string(kReshapeSavedTag) + R"PY(    t = ID3(path)
    assert t.f_unsynch
    assert str(t['TIT2']) == 'Caf\u00e9 \u20ac \u0414', t['TIT2']
    assert t.getall('APIC')[0].data == b'\x89PNG\xff\xe0\xff\x00data'
print('ok')
)PY";

void expectMutagenFields(const Document& doc, int version, bool unsync) {
  SCOPED_TRACE("version 2." + std::to_string(version) + (unsync ? " unsynchronised" : ""));
  EXPECT_EQ(doc.tagHeader.majorVersion, version);
  EXPECT_EQ(doc.tagHeader.unsynchronisation, unsync);
  EXPECT_FALSE(doc.tagHeader.tagError);
  EXPECT_EQ(doc.tagHeader.paddingSize, 64);
  const TagField* title = findField(doc, "TIT2");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->content, "Caf\xE9 \x80 ?");
  EXPECT_EQ(title->encoding, 1);
  EXPECT_EQ(contentOf(doc, "TPE1"), "Artist");
  EXPECT_EQ(contentOf(doc, "TALB"), "\xC5lbum");
  if (version == 4) {
    EXPECT_EQ(contentOf(doc, "TPE2"), "Band");
  }
  const TagField* comment = findField(doc, "COMM");
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(comment->language, "deu");
  EXPECT_EQ(comment->description, "d");
  EXPECT_EQ(comment->content, "Kommentar");
  const TagField* user = findField(doc, "TXXX");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->description, "key");
  EXPECT_EQ(user->content, "value");
  const TagField* url = findField(doc, "WXXX");
  ASSERT_NE(url, nullptr);
  EXPECT_EQ(url->description, "site");
  EXPECT_EQ(url->content, "http://example.org/");
  const TagField* picture = findField(doc, "APIC");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->kind, FieldKind::Picture);
  EXPECT_EQ(picture->content, "image/png");
  EXPECT_EQ(picture->layout, 3);
  EXPECT_EQ(picture->description, "cover");
  ASSERT_NE(findField(doc, "PRIV"), nullptr);
  EXPECT_EQ(findField(doc, "PRIV")->kind, FieldKind::Mixed);
  const TagField* big = findField(doc, "TIT3");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->status & field_status::kTooLarge, field_status::kTooLarge) << "1025 content bytes";
  EXPECT_EQ(big->content, "- TOO LARGE TO DISPLAY -");
  const TagField* unknown = findField(doc, "XKVR");
  ASSERT_NE(unknown, nullptr) << "a field nobody knows is kept";
  EXPECT_EQ(unknown->kind, FieldKind::Unknown);
  EXPECT_EQ(unknown->totalSize, 10 + 3);
  EXPECT_EQ(doc.tagFields.textIndex.size() + doc.tagFields.pictureIndex.size() +
                doc.tagFields.mixedIndex.size() + doc.tagFields.binaryIndex.size() + 1,
            size_t(doc.tagFields.count()));
}

TEST(Id3v2ReadInterop, MutagenTagsInBothVersionsWithAndWithoutUnsynchronisation) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  for (const std::string mode : {"3", "4", "3u", "4u"}) {
    const std::string path = plainMp3(dir, "m" + mode + ".mp3");
    const auto made = python(kMutagenWriter, path + "|" + mode);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    Session l;
    ASSERT_TRUE(l.editor.loadFile(path));
    EXPECT_TRUE(l.host.messages().empty());
    expectMutagenFields(l.editor.document(), mode[0] - '0', mode.size() == 2);
  }
}

TEST(Id3v2ReadInterop, Version22TagThatMutagenReadsAlike) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  Mp3Builder b;
  b.id3v2Frames(2, {{"TT2", "Two two"}, {"TP1", "Singer"}, {"TAL", "Record"}}, 20).frames(30);
  const std::string path = dir.file("v22.mp3");
  writeFile(path, b.bytes());
  const auto seen = python(
      "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
      "print(t.version[1], t['TIT2'], t['TPE1'], t['TALB'], sep='|')",
      path);
  ASSERT_EQ(seen.exitCode, 0) << seen.output;
  EXPECT_EQ(seen.output, "2|Two two|Singer|Record\n");
  Session l;
  ASSERT_TRUE(l.editor.loadFile(path));
  const Document& doc = l.editor.document();
  EXPECT_EQ(doc.tagHeader.majorVersion, 2);
  ASSERT_EQ(doc.tagFields.count(), 3);
  EXPECT_EQ(doc.tagFields.fields[0].tableRow, 44);
  EXPECT_EQ(doc.tagFields.fields[0].content, "Two two");
  EXPECT_EQ(doc.tagFields.fields[1].content, "Singer");
  EXPECT_EQ(doc.tagFields.fields[2].content, "Record");
  EXPECT_EQ(doc.tagHeader.paddingSize, 20);
}

TEST(Id3v2ReadInterop, EyeD3Tags) {
  if (!toolAvailable("eyeD3")) GTEST_SKIP() << "eyeD3 is not installed";
  TempDir dir;
  for (const std::string version : {"2.3", "2.4"}) {
    for (const std::string encoding : {"latin1", "utf16", "utf16-be", "utf8"}) {
      if (version == "2.3" && (encoding == "utf8" || encoding == "utf16-be")) continue;  // 2.4 only
      SCOPED_TRACE(version + " " + encoding);
      const std::string path = plainMp3(dir, "e" + version + encoding + ".mp3");
      const auto made = runCommand("eyeD3 --no-color -Q --to-v" + version + " --encoding " + encoding +
                                   " -t " + shellQuote("Stra\u00dfe") + " -a Artist -A Album -n 12 -Y 1999" +
                                   " -c " + shellQuote("note") + " --user-text-frame " +
                                   shellQuote("who:me") + " " + shellQuote(path));
      ASSERT_EQ(made.exitCode, 0) << made.output;
      Session l;
      ASSERT_TRUE(l.editor.loadFile(path));
      const Document& doc = l.editor.document();
      EXPECT_EQ(doc.tagHeader.majorVersion, version == "2.3" ? 3 : 4);
      EXPECT_FALSE(doc.tagHeader.tagError);
      EXPECT_EQ(contentOf(doc, "TIT2"),
                "Stra\xDF"
                "e");
      EXPECT_EQ(contentOf(doc, "TPE1"), "Artist");
      EXPECT_EQ(contentOf(doc, "TRCK"), "12");
      EXPECT_EQ(contentOf(doc, "COMM"), "note");
      ASSERT_NE(findField(doc, "TXXX"), nullptr);
      EXPECT_EQ(findField(doc, "TXXX")->description, "who");
      EXPECT_EQ(findField(doc, "TXXX")->content, "me");
    }
  }
}

TEST(Id3v2ReadInterop, Id3libTags) {
  if (!toolAvailable("id3v2")) GTEST_SKIP() << "id3v2 is not installed";
  TempDir dir;
  const std::string path = plainMp3(dir, "id3lib.mp3");
  const auto made =
      runCommand("id3v2 -t " + shellQuote("A title") + " -a Band -A " + shellQuote("The album") + " -c " +
                 shellQuote("remark") + " -y 1987 -T 3/9 -g 17 " + shellQuote(path));
  ASSERT_EQ(made.exitCode, 0) << made.output;
  Session l;
  ASSERT_TRUE(l.editor.loadFile(path));
  const Document& doc = l.editor.document();
  EXPECT_EQ(doc.tagHeader.majorVersion, 3);
  EXPECT_FALSE(doc.tagHeader.tagError);
  EXPECT_EQ(contentOf(doc, "TIT2"), "A title");
  EXPECT_EQ(contentOf(doc, "TALB"), "The album");
  EXPECT_EQ(contentOf(doc, "TYER"), "1987");
  EXPECT_EQ(contentOf(doc, "TRCK"), "3/9");
  EXPECT_EQ(contentOf(doc, "COMM"), "remark");
}

TEST(Id3v2ReadInterop, InfoPrintsTheFieldsOfAMutagenTag) {
  if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
  TempDir dir;
  const std::string path = plainMp3(dir, "info.mp3");
  ASSERT_EQ(python(kMutagenWriter, path + "|4").exitCode, 0);
  const auto info = runCommand(std::string(KAVREL_EXE) + " --info " + shellQuote(path));
  ASSERT_EQ(info.exitCode, 0) << info.output;
  EXPECT_NE(info.output.find("  Title (TIT2), "), std::string::npos) << info.output;
  EXPECT_NE(info.output.find(": \"Caf\u00e9 \u20ac ?\"\n"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("  Comment (COMM), "), std::string::npos);
  EXPECT_NE(info.output.find("[deu] \"d\" \"Kommentar\""), std::string::npos);
  EXPECT_NE(info.output.find("  undefined (XKVR), 3 bytes\n"), std::string::npos);
  EXPECT_NE(info.output.find("image/png, front cover, \"cover\""), std::string::npos);
}

}  // namespace
}  // namespace kavrel::test
