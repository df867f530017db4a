// APE tags as mp3gain and mutagen write them: a load and a save with the
// default options keep them byte for byte, --info lists them with the items
// mutagen reads, and a script's NOAPE removes them so that neither program
// finds one while the audio still decodes.

#include "interop.h"

namespace kavrel::test {
namespace {

// /usr/bin/python3 with mutagen on `path`: `code` sees it as sys.argv[1].
std::string python(const std::string& code, const std::string& path) {
  const CommandResult r = runCommand(
      "PYTHONIOENCODING=utf-8 " + std::string(kPython) + " -c " +
      shellQuote("import sys\nfrom mutagen.apev2 import APEv2, APENoHeaderError, APEBinaryValue, BINARY\n" +
                 code) +
      " " + shellQuote(path));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  return r.output;
}

// The APE tag as mutagen reads it: "key: value" lines as --info prints them, or "none".
std::string mutagenApe(const std::string& path) {
  return python(
      "try:\n  t = APEv2(sys.argv[1])\nexcept APENoHeaderError:\n  print('none'); sys.exit()\n"
      "for k, v in t.items():\n"
      "  print('  %s: %s' % (k, '(binary, %d bytes)' % len(v.value) if v.kind == BINARY else ' / '.join(v)))",
      path);
}

TEST(ApeInterop, Mp3gainAndMutagenTagsAreKeptListedAndRemovedOnRequest) {
  REQUIRE_TOOLS("lame", "mp3gain", "mpg123", "ffprobe", "mp3val", "mutagen");
  Kavrel k;
  const std::string mutagenTag =
      "t = APEv2()\nt['Title'] = 'Caf\\u00e9 \\u2713'\nt['Artist'] = ['One', 'Two']\n"
      "t['Cover Art (Front)'] = APEBinaryValue(b'cover.jpg\\x00' + bytes(range(256)) * "
      "4)\nt.save(sys.argv[1])\n";
  const struct {
    std::string name, lame, then;  // then: python, or mp3gain's arguments
    int v1;                        // the ID3v1 tag: none (-1), before (0) or after (1) the APE tag
  } rows[] = {
      {"gain.mp3", "", "mp3gain -q -r -k", -1},
      // The APE tag appended after the ID3v1 tag, as mutagen does.
      {"after-v1.mp3", "--tt Title --id3v1-only", mutagenTag, 0},
      // The ID3v1 tag (and an ID3v2 tag) saved by mutagen after it.
      {"before-v1.mp3", "",
       mutagenTag + "from mutagen.id3 import ID3, TIT2\nv = ID3()\nv.add(TIT2(text='Title'))\n"
                    "v.save(sys.argv[1], v1=2, v2_version=3)\n",
       1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string in = k.dir.file(row.name);
    std::filesystem::copy_file(encoded("ape-" + row.name, "lame --quiet -b 128 -t " + row.lame + " high.wav"),
                               in);
    if (row.then.rfind("mp3gain", 0) == 0)
      ASSERT_EQ(runCommand(row.then + " " + shellQuote(in)).exitCode, 0);
    else
      python(row.then, in);
    const std::string items = mutagenApe(in);
    ASSERT_NE(items.find(row.v1 < 0 ? "  REPLAYGAIN_TRACK_GAIN: " : "  Cover Art (Front): (binary, 1034"),
              std::string::npos)
        << items;
    // The tag by its own bytes: from the header's "APETAGEX" to the footer's end.
    const auto bytes = readFile(in);
    const std::string text(bytes.begin(), bytes.end());
    const size_t at = text.find("APETAGEX"), size = text.rfind("APETAGEX") + 32 - at;

    const std::string info = k.run("--info " + shellQuote(in)).output;
    const std::string ape = "  APEv2 tag at " + std::to_string(at) + ", " + std::to_string(size) +
                            " bytes (version 2000, " + (row.v1 < 0 ? "4" : "3") + " items, header)\n";
    const std::string v1 =
        "  ID3v1 tag at " + std::to_string(row.v1 ? at + size : at - 128) + ", 128 bytes\n";
    const std::string layout = row.v1 < 0 ? ape : row.v1 == 0 ? v1 + ape : ape + v1;
    EXPECT_NE(info.find(layout + "Frames: "), std::string::npos) << layout << info;
    std::istringstream lines(items);  // mutagen's items, in its order
    for (std::string line; std::getline(lines, line);)
      EXPECT_NE(info.find("\n" + line + "\n"), std::string::npos) << line << "\n" << info;

    // Saved with the default options, then with NOAPE.
    for (const bool remove : {false, true}) {
      const std::string out = in + (remove ? ".removed.mp3" : ".kept.mp3");
      std::filesystem::remove(k.home() + "/kavrel.log");
      const std::string job =
          "LOAD \"" + in + "\"\r\n" + (remove ? "NOAPE\r\n" : "") + "SAVEAS \"" + out + "\"\r\n";
      EXPECT_EQ(k.script(job).exitCode, 0);
      EXPECT_TRUE(k.cleanLog()) << k.log();
      auto expected = bytes;
      if (remove)
        expected.erase(expected.begin() + std::ptrdiff_t(at), expected.begin() + std::ptrdiff_t(at + size));
      EXPECT_EQ(readFile(out), expected) << out;
      EXPECT_EQ(mutagenApe(out), remove ? "none\n" : items);
      const auto stored = runCommand("mp3gain -s c " + shellQuote(out)).output;
      EXPECT_EQ(stored.find("Recommended \"Track\"") != std::string::npos, row.v1 < 0 && !remove) << stored;
      if (remove) decodeCleanly(out);
    }
    if (row.v1 >= 0) {
      EXPECT_EQ(mutagenId3v1(in + ".removed.mp3"), "TIT2 Title\n");
    }
  }
}

}  // namespace
}  // namespace kavrel::test
