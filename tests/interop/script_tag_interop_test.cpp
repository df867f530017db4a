// ID3v2 fields set by a command-line script (--script=) and written at its
// SAVEAS, read back by mutagen.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/mp3_builder.h"
#include "support/test_files.h"
#include "tag_interop.h"

namespace kavrel::test {
namespace {

// One line per frame, in file order, with the parts that matter here.
const char* kDump = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
print('version', t.version[0], t.version[1])
for f in t.values():
    if f.FrameID == 'COMM' or f.FrameID == 'USLT':
        text = f.text if f.FrameID == 'USLT' else '/'.join(f.text)
        print(f.FrameID, f.lang, repr(f.desc), repr(text))
    elif f.FrameID == 'WXXX':
        print('WXXX', repr(f.desc), f.url)
    elif f.FrameID == 'APIC':
        print('APIC', f.mime, int(f.type), repr(f.desc), f.data.hex())
    else:
        print(f.FrameID, repr('/'.join(str(x) for x in f.text)))
)PY";

class ScriptTagInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed (scripts/setup installs it)";
    std::filesystem::create_directories(dir.file("home"));
    std::filesystem::create_directories(dir.file("data"));
  }
  int runScript(const std::string& body) {
    const std::string path = dir.file("job.txt");
    writeFile(path, std::vector<uint8_t>(body.begin(), body.end()));
    const auto r = runCommand("env HOME=" + shellQuote(dir.file("home")) + " KAVREL_HOME=" +
                              shellQuote(dir.file("data")) + " DISPLAY= WAYLAND_DISPLAY= " + shellQuote(KAVREL_EXE) +
                              " --script=" + shellQuote(path));
    output = r.output;
    return r.exitCode;
  }
  std::string dump(const std::string& path) {
    const auto r = python(kDump, path);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return r.output;
  }
  TempDir dir;
  std::string output;
};

TEST_F(ScriptTagInteropTest, FieldsOfAScriptReachTheSavedFile) {
  Mp3Builder in;
  in.id3v2Frames(3, {{"TIT2", "Old"}, {"TPE2", "Old band"}}).frames(60, {.bitrateIndex = 9});
  writeFile(dir.file("in.mp3"), in.bytes());
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0xFF, 0x00, 0xFF, 0xE0, 1, 2, 3};
  writeFile(dir.file("cover.png"), png);
  const std::string out = dir.file("out.mp3");
  const std::string script =
      "LOAD \"" + dir.file("in.mp3") + "\"\r\n"
      "ID3V2.TITLE \"Caf\xC3\xA9 5 \xE2\x82\xAC \xE2\x80\x93 \xE2\x80\x9Clive\xE2\x80\x9D\"\r\n"
      "ID3V2.ARTIST Some, Body\r\n"
      "ID3V2.GENRE \"Rock CR RX\"\r\n"
      "ID3V2.URL http://example.org/, home, page \x80\r\n"  // an 8-bit line: 0x80 is the euro sign
      "ID3V2.PICTURE \"" + dir.file("cover.png") + "\", FRONT_COVER\r\n"
      "ID3V2.COMMENT.START notes\r\n"
      "first line\r\n"
      "SELECTALL\r\n"
      "ID3V2.COMMENT.END\r\n"
      "SAVEAS \"" + out + "\"\r\n";
  ASSERT_EQ(runScript(script), 0) << output;
  const std::string expected =
      "version 2 3\n"
      // Text outside Latin-1 goes into 2.3 as UTF-16.
      "TIT2 'Café 5 € – “live”'\n"
      "TPE1 'Some Body'\n"
      // Three genre values; mutagen names the CR and RX ones.
      "TCON 'Rock/Cover/Remix'\n"
      "WXXX 'home page €' http://example.org/\n"
      "APIC image/png 3 '' 89504e470d0a1a0aff00ffe0010203\n"
      "COMM eng 'notes' 'first line\\r\\nSELECTALL'\n";
  EXPECT_EQ(dump(out), expected);
  // The audio is untouched: mpg123 decodes every frame.
  if (toolAvailable("mpg123")) {
    const auto r = runCommand("mpg123 -t -q " + shellQuote(out));
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }
}

}  // namespace
}  // namespace kavrel::test
