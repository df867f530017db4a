// Gapless saves judged by the decoders: lame's files saved unchanged decode
// with ffmpeg and mpg123 to the very samples of the original; with the
// first 10 s cut, to the count the written delay and padding give, with the
// rest of the audio where it was; with the option to drop the information,
// to whole frames again.

#include <filesystem>

#include "app/editor.h"
#include "interop.h"
#include "mpeg/lame_tag.h"
#include "support/recording_host.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

std::string pcm(const std::string& decoder, const std::string& path) {
  const auto r = runCommand(decoder == "ffmpeg" ? "ffmpeg -v error -i " + shellQuote(path) + " -f s16le -"
                                                : "mpg123 -q -s " + shellQuote(path));
  EXPECT_EQ(r.exitCode, 0) << decoder << " " << path;
  return r.output;
}

// The file's tag as our loader reads it, and the first frame's bytes.
struct Loaded {
  GaplessInfo gapless;
  int32_t audioFrames = 0;
  std::vector<uint8_t> firstFrame;
};
Loaded loaded(const std::string& path) {
  RecordingHost host;
  Editor editor(host);
  EXPECT_TRUE(editor.loadFile(path)) << path;
  const Document& doc = editor.document();
  const FrameInfo& f = doc.frameTable[0];
  const auto bytes = readFile(path);
  return {doc.gapless,
          doc.frameTable.count() - 1,
          {bytes.begin() + f.filePosition, bytes.begin() + f.filePosition + f.computedLength}};
}

TEST(GaplessInterop, SavesDecodeToTheSamplesTheirDelayAndPaddingSay) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mpg123", "mp3val");
  for (const char* name : {"in.mp3", "vbr.mp3"}) {
    SCOPED_TRACE(name);
    Kavrel k;
    const std::string in = encoded(name);
    const std::string same = k.dir.file(std::string("same-") + name),
                      cut = k.dir.file(std::string("cut-") + name);
    const auto r =
        k.script("LOAD " + in + "\r\nSAVEAS " + same + "\r\nSELECT 0, 10\r\nDELETE\r\nSAVEAS " + cut);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ASSERT_TRUE(k.cleanLog()) << k.log();

    // lame's own tag: our CRCs of its unchanged bytes are the ones it stored.
    const Loaded original = loaded(in);
    ASSERT_TRUE(original.gapless.found);
    const LameTag& lame = original.gapless.tag;
    const auto& ext = lame.extension;
    EXPECT_EQ(lameCrc16(original.firstFrame.data(), 190), ext[kLameTagCrcAt] << 8 | ext[kLameTagCrcAt + 1]);
    const int delay = lame.encoderDelay(), padding = lame.padding();
    EXPECT_EQ(delay, 576);
    const int64_t inputSamples = int64_t(original.audioFrames) * 1152 - delay - padding;

    // Unchanged: the same samples, from both decoders, and the same music CRC.
    const Loaded saved = loaded(same);
    ASSERT_TRUE(saved.gapless.found);
    EXPECT_EQ(
        saved.gapless.tag.extension[kLameMusicCrcAt] << 8 | saved.gapless.tag.extension[kLameMusicCrcAt + 1],
        ext[kLameMusicCrcAt] << 8 | ext[kLameMusicCrcAt + 1]);
    decodeCleanly(same);
    for (const char* decoder : {"ffmpeg", "mpg123"}) {
      const std::string a = pcm(decoder, in), b = pcm(decoder, same);
      EXPECT_EQ(int64_t(a.size()) / 4, inputSamples) << decoder;
      EXPECT_TRUE(a == b) << decoder << ": " << a.size() << " against " << b.size() << " bytes";
    }

    // Cut: the encoder's leading samples went with the first frames, so the
    // tag says delay 0 and keeps the padding; the decoders skip only their
    // own 529 samples. Samples = frames x 1152 - padding, which is the
    // input's minus the frames cut plus the 576 samples of delay they held.
    // 0..10 s is 383 positions, the tag frame and 382 audio frames: lame's
    // 20 s CBR file then decodes to 882,000 - 440,064 + 576 = 442,512.
    const Loaded after = loaded(cut);
    ASSERT_TRUE(after.gapless.found);
    EXPECT_EQ(after.gapless.tag.encoderDelay(), 0);
    EXPECT_EQ(after.gapless.tag.padding(), padding);
    const int64_t framesCut = original.audioFrames - after.audioFrames;
    const int64_t expected = int64_t(after.audioFrames) * 1152 - padding;
    EXPECT_EQ(expected, inputSamples - (framesCut * 1152 - delay));
    EXPECT_EQ(framesCut, 382);
    EXPECT_LE(std::abs(expected - (inputSamples - framesCut * 1152)), 1152);
    if (std::string(name) == "in.mp3") {
      EXPECT_EQ(expected, 442512);
    }
    decodeCleanly(cut);
    for (const char* decoder : {"ffmpeg", "mpg123"}) {
      const std::string a = pcm(decoder, in), c = pcm(decoder, cut);
      EXPECT_EQ(int64_t(c.size()) / 4, expected) << decoder;
      // The last 5 s are the original's, sample for sample: nothing shifted.
      const size_t tail = 5 * 44100 * 4;
      ASSERT_GT(c.size(), tail);
      EXPECT_TRUE(a.compare(a.size() - tail, tail, c, c.size() - tail, tail) == 0) << decoder;
    }
  }

  // The option off: no encoder tag, whole frames as before.
  Kavrel k;
  RecordingHost host;
  Editor editor(host);
  editor.options().dropGaplessInfo = true;
  ASSERT_TRUE(editor.loadFile(encoded("in.mp3")));
  const std::string dropped = k.dir.file("dropped.mp3");
  editor.scriptRunning = true;
  ASSERT_TRUE(editor.saveAs(Sender::ScriptMarker, dropped));
  EXPECT_FALSE(loaded(dropped).gapless.found);
  EXPECT_EQ(int64_t(pcm("ffmpeg", dropped).size()) / 4,
            int64_t(loaded(encoded("in.mp3")).audioFrames) * 1152);
}

}  // namespace
}  // namespace kavrel::test
