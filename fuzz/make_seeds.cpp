// Writes the seed corpus of fuzz_loader: small synthetic files built with the
// tests' mp3 builder, each covering a part of the loader (tags, RIFF, VBR tag
// frames, free format, refused headers, bad frame sizes, trailing blocks).
// Every file is written with a few control bytes in front (see fuzz_loader.cpp).
//
//   make_seeds DIR

#include <cstdio>
#include <string>
#include <vector>

#include "support/ape_builder.h"
#include "support/mp3_builder.h"

using kavrel::test::apeTag;
using kavrel::test::FrameSpec;
using kavrel::test::Mp3Builder;
using kavrel::test::VbrKind;

namespace {

FrameSpec spec(int bitrate, int rate = 0, int mode = 1, bool padding = false, bool crc = false) {
  FrameSpec s;
  s.bitrateIndex = bitrate;
  s.sampleRateIndex = rate;
  s.channelMode = mode;
  s.padding = padding;
  s.crc = crc;
  return s;
}

bool write(const std::string& dir, const std::string& name, uint8_t control,
           const std::vector<uint8_t>& bytes) {
  const std::string path = dir + "/seed-" + name + "-c" + std::to_string(control);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fputc(control, f) != EOF && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  std::printf("%s %zu bytes\n", path.c_str(), bytes.size() + 1);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Seed> seeds;

  seeds.push_back({"cbr", Mp3Builder().frames(12, spec(9)).bytes()});

  {
    Mp3Builder b;
    b.id3v2Frames(3, {{"TIT2", "Seed"}, {"TPE1", "Kavrel"}}, 16)
        .vbrTag(VbrKind::Xing, spec(9), 12, 5000)
        .frames(4, spec(9))
        .frames(4, spec(11, 0, 1, true))
        .frames(4, spec(5, 0, 0))
        .lyrics3v2("IND0000200ETT00004Seed")
        .id3v1("Seed", "Kavrel", "", "2024", "", 3);
    seeds.push_back({"tagged-vbr", b.bytes()});
  }

  seeds.push_back({"riff", Mp3Builder().riff().frames(10, spec(10, 1, 0)).bytes()});

  {
    Mp3Builder b;
    b.frames(10, spec(9)).lyrics3v2("IND00002").raw(apeTag({{"REPLAYGAIN_TRACK_GAIN", "-6.48 dB"}})).id3v1("Ape");
    seeds.push_back({"ape-tag", b.bytes()});
  }

  {
    Mp3Builder b;
    b.frames(10, spec(1, 2, 3, false, true)).lyrics3v1("seed lyrics").id3v1("Mono", "", "", "", "", -1);
    seeds.push_back({"mono-crc", b.bytes()});
  }

  {
    FrameSpec free = spec(0, 0, 0);
    free.freeFormatLength = 300;
    seeds.push_back({"free-format", Mp3Builder().frames(10, free).bytes()});
  }

  {
    Mp3Builder b;
    b.raw("not audio at all").zeros(100).frames(8, spec(9)).raw(std::string(200, 'x'));
    seeds.push_back({"unknown-blocks", b.bytes()});
  }

  {
    FrameSpec mp2 = spec(9);
    mp2.layerCode = 2;
    FrameSpec mpeg2 = spec(9);
    mpeg2.versionCode = 2;
    Mp3Builder b;
    b.frames(4, spec(9)).frame(mp2).frames(2, spec(9)).frame(mpeg2).frame(spec(15)).frames(3, spec(9));
    seeds.push_back({"refused-headers", b.bytes()});
  }

  {
    Mp3Builder b;
    b.vbrTag(VbrKind::Vbri, spec(9, 1), 8, 3000).frames(8, spec(9, 1, 2));
    std::vector<uint8_t> bytes = b.bytes();
    const std::vector<uint8_t> last = kavrel::test::makeFrame(spec(13, 1, 2));
    bytes.insert(bytes.end(), last.begin(), last.begin() + 100);  // an incomplete last frame
    seeds.push_back({"vbri-truncated", bytes});
  }

  {
    Mp3Builder b;
    b.id3v2Frames(4, {{"TIT2", "Footer"}}, 0);
    b.frames(3, spec(9)).raw("XY").frames(3, spec(9));  // two stray bytes: an improper frame size
    b.vbrTag(VbrKind::Info, spec(9), 1, 1);
    seeds.push_back({"id3v24-bad-size", b.bytes()});
  }

  {
    Mp3Builder b;
    b.id3v2(4, 0, 0x10, std::vector<uint8_t>(20, 0), true).riff(40).frames(6, spec(14, 0, 1, true));
    seeds.push_back({"tag-footer-riff", b.bytes()});
  }

  seeds.push_back({"too-small", Mp3Builder().frame(spec(1, 1, 3)).bytes()});

  bool ok = true;
  for (const Seed& s : seeds) {
    for (uint8_t control : {uint8_t(0), uint8_t(0x80 | 2)}) ok = write(dir, s.name, control, s.bytes) && ok;
  }
  ok = write(dir, "tagged-vbr", 0xFC | 1, seeds[1].bytes) && ok;
  ok = write(dir, "refused-headers", 0x40 | 3, seeds[6].bytes) && ok;
  return ok ? 0 : 1;
}
