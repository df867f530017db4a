// Loudness, normalisation, silence splits and cue sheets judged by programs
// we did not write: ffmpeg's EBU R 128 meter, mpg123, mp3val, mutagen and
// cuetools.
#include <cmath>
#include <filesystem>
#include <set>

#include "interop.h"
#include "audio/analysis.h"
#include "mpeg/frame_header.h"
#include "support/mp3_builder.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

struct Measured {
  double integrated = 0;
  double truePeak = 0;
};

// ffmpeg's integrated loudness and true peak of a file.
Measured ffmpegLoudness(const std::string& path) {
  const auto r = runCommand("ffmpeg -nostats -hide_banner -i " + shellQuote(path) +
                            " -af ebur128=peak=true -f null - 2>&1");
  const std::string summary = r.output.substr(std::min(r.output.size(), r.output.rfind("Summary:")));
  std::smatch i, p;
  if (!std::regex_search(summary, i, std::regex("I:\\s+(-?[0-9.]+) LUFS")) ||
      !std::regex_search(summary, p, std::regex("True peak:\\s+Peak:\\s+(-?[0-9.]+) dBFS"))) {
    ADD_FAILURE() << path << ": " << r.output;
    return {};
  }
  return {std::stod(i[1]), std::stod(p[1])};
}

double kavrelLoudness(const Kavrel& k, const std::string& path) {
  const auto r = k.run("--info --loudness " + shellQuote(path));
  std::smatch m;
  if (r.exitCode != 0 || !std::regex_search(r.output, m, std::regex("Integrated: (-?[0-9.]+) LUFS"))) {
    ADD_FAILURE() << path << ": " << r.output;
    return 0;
  }
  return std::stod(m[1]);
}

// The ID3v2 text fields of a file as mutagen reads them: "TIT2 Title" lines.
std::string mutagenTexts(const std::string& path) {
  const std::string script =
      "import sys, mutagen.id3\nt = mutagen.id3.ID3(sys.argv[1])\n"
      "print('\\n'.join('%s %s' % (k, t[k]) for k in sorted(t.keys())))\n";
  return runCommand("PYTHONIOENCODING=utf-8 " + std::string(kPython) + " -c " + shellQuote(script) + " " +
                    shellQuote(path))
      .output;
}

std::string makeFile(const std::string& name, const std::string& source, const std::string& lame) {
  return encoded(name, "ffmpeg -v error -f lavfi -i '" + source + "' -f wav - | lame --quiet " + lame + " -");
}

TEST(LoudnessInterop, IntegratedLoudnessAgreesWithFfmpeg) {
  REQUIRE_TOOLS("ffmpeg", "lame");
  Kavrel k;
  const std::string files[] = {
      makeFile("sine20.mp3", "sine=frequency=1000:sample_rate=44100:duration=15,volume=-20dB,pan=stereo|c0=c0|c1=c0",
               "-b 128"),
      makeFile("pink.mp3", "anoisesrc=d=15:c=pink:a=0.3:r=44100,pan=stereo|c0=c0|c1=c0", "-V 2"),
      makeFile("white48mono.mp3", "anoisesrc=d=15:c=white:a=0.02:r=48000", "-b 96 -m m"),
      makeFile("quiet32.mp3", "sine=frequency=300:sample_rate=32000:duration=15,volume=-35dB", "-b 64"),
      encoded("in.mp3"),  // a tone over noise, 10 dB louder for 2 s
  };
  for (const std::string& f : files) EXPECT_NEAR(kavrelLoudness(k, f), ffmpegLoudness(f).integrated, 0.2) << f;
}

// The audio frames of an mp3 after its ID3v2 tag: lame's Info frame, which a
// save rebuilds, left out.
std::vector<std::vector<uint8_t>> audioFrames(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path);
  std::vector<std::vector<uint8_t>> frames;
  size_t at = 0;
  if (bytes.size() > 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3')
    at = 10 + (size_t(bytes[6]) << 21 | size_t(bytes[7]) << 14 | size_t(bytes[8]) << 7 | bytes[9]);
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF && (bytes[at + 1] & 0xE0) == 0xE0) {
    const int32_t length = anyMpegFrameLength(&bytes[at]);
    if (length <= 0 || at + size_t(length) > bytes.size()) break;
    frames.emplace_back(bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at) + length);
    at += size_t(length);
  }
  if (!frames.empty()) {
    const std::string head(frames[0].begin(), frames[0].begin() + 48);
    if (head.find("Info") != head.npos || head.find("Xing") != head.npos) frames.erase(frames.begin());
  }
  return frames;
}

TEST(LoudnessInterop, NormalizeReachesTheTargetLosslesslyUnderTheCeiling) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mpg123", "mp3val");
  Kavrel k;
  // With CRCs, so that ffmpeg's CRC check sees the patched side information.
  const std::string quiet =
      makeFile("quiet.mp3", "anoisesrc=d=12:c=pink:a=0.03:r=44100,pan=stereo|c0=c0|c1=c0", "-b 128 -p");
  const std::string loud = makeFile("loud.mp3", "sine=frequency=500:sample_rate=44100:duration=12,volume=-8dB", "-b 128");
  const auto r = k.script("LOAD " + quiet + "\r\nNORMALIZE -16\r\nLOUDNESS\r\nSAVEAS " + k.dir.file("norm.mp3") +
                          "\r\nLOAD " + loud + "\r\nNORMALIZE -6 -3.5\r\nSAVEAS " + k.dir.file("capped.mp3") +
                          "\r\nNORMALIZE -16 -1 REPLAYGAIN\r\nSAVEAS " + k.dir.file("rg.mp3") + "\r\n");
  ASSERT_EQ(r.exitCode, 0) << r.output << k.log();
  EXPECT_TRUE(std::regex_search(
      k.log(), std::regex("NORMALIZE: -[0-9.]+ LUFS -> -1[56]\\.[0-9] LUFS, \\+[0-9]+ steps \\(\\+[0-9.]+ dB\\), "
                          "true peak -[0-9.]+ dBTP\r\n")))
      << k.log();
  EXPECT_NE(k.log().find(" (limited by the ceiling)\r\n"), std::string::npos) << k.log();
  // Measured again before the save: the edited gains are heard.
  EXPECT_TRUE(std::regex_search(k.log(), std::regex("\nLOUDNESS: integrated -1[56]\\.[0-9] LUFS, range [0-9.]+ LU, true peak "
                                                    "-[0-9.]+ dBTP, sample peak -[0-9.]+ dBFS, length 12\\.[0-9]{3}\r\n")))
      << k.log();

  const Measured before = ffmpegLoudness(quiet), after = ffmpegLoudness(k.dir.file("norm.mp3"));
  EXPECT_LT(before.integrated, -25);
  EXPECT_NEAR(after.integrated, -16, 0.75);
  EXPECT_LE(after.truePeak, -1.0);
  // The loud tone stops at its ceiling, short of its target.
  const Measured capped = ffmpegLoudness(k.dir.file("capped.mp3"));
  EXPECT_LE(capped.truePeak, -3.5 + 0.1);  // two meters' true peaks differ by a few hundredths
  EXPECT_GT(capped.truePeak, -3.5 - kGainStepDb);
  for (const std::string name : {"norm.mp3", "capped.mp3", "rg.mp3"}) decodeCleanly(k.dir.file(name), true);

  // Every frame is the source's but for its gain fields and CRC, each field n steps up.
  const auto source = audioFrames(quiet), result = audioFrames(k.dir.file("norm.mp3"));
  ASSERT_EQ(source.size(), result.size());
  ASSERT_GT(source.size(), 400u);
  std::set<int> shifts;
  for (size_t i = 0; i < source.size(); ++i) {
    std::vector<uint8_t> a = source[i], b = result[i];
    ASSERT_EQ(a.size(), b.size());
    const int mode = a[3] >> 6;
    for (int g = 0; g < globalGainCount(kMpeg1, mode); ++g) {
      shifts.insert(readGlobalGain(b.data(), kMpeg1, mode, true, g) -
                    readGlobalGain(a.data(), kMpeg1, mode, true, g));
      writeGlobalGain(a.data(), kMpeg1, mode, true, g, 0);
      writeGlobalGain(b.data(), kMpeg1, mode, true, g, 0);
    }
    a[4] = a[5] = b[4] = b[5] = 0;
    ASSERT_TRUE(a == b) << "frame " << i;
  }
  EXPECT_EQ(shifts.size(), 1u);
  // ReplayGain instead of gains: the frames unchanged, the values in the tag.
  const auto rgFrames = audioFrames(k.dir.file("rg.mp3"));
  EXPECT_EQ(rgFrames.size(), source.size());
  EXPECT_TRUE(rgFrames == audioFrames(k.dir.file("capped.mp3")));
  const std::string tags = mutagenTexts(k.dir.file("rg.mp3"));
  EXPECT_TRUE(std::regex_search(tags, std::regex("TXXX:REPLAYGAIN_TRACK_GAIN -?[0-9]+\\.[0-9]{2} dB\n"
                                                 "TXXX:REPLAYGAIN_TRACK_PEAK 0\\.[0-9]{6}\n")))
      << tags;
}

TEST(LoudnessInterop, ThreeTonesSplitAtTheirSilencesAndAlongTheExportedCue) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mpg123", "mp3val", "mutagen", "cuebreakpoints", "cueconvert");
  Kavrel k;
  // Three tones and 3 s of digital silence, each encoded on its own without an Info frame, then joined.
  std::vector<uint8_t> joined;
  std::vector<int64_t> toneFrames;
  for (const std::string part : {"1", "s", "2", "s", "3"}) {
    const std::string source = part == "s" ? "anullsrc=r=44100:cl=stereo:d=3"
                                           : "sine=frequency=" + part + "00:sample_rate=44100:duration=" +
                                                 std::to_string(3 + std::stoi(part)) + ",pan=stereo|c0=c0|c1=c0";
    const std::string f = makeFile("join" + part + ".mp3", source, "-t -b 128");
    if (part != "s") toneFrames.push_back(decodeCleanly(f).frames);
    const std::vector<uint8_t> bytes = readFile(f);
    joined.insert(joined.end(), bytes.begin(), bytes.end());
  }
  const std::string whole = k.dir.file("joined.mp3");
  writeFile(whole, joined);
  const std::string dir = k.dir.path() + "/";
  const auto r = k.script("LOAD " + whole + "\r\nSPLITSILENCE " + dir + "drop##.mp3 -50 2 DROP+TAG\r\n" +
                          "SPLITSILENCE \"" + dir + "cut #.mp3\"\r\nEXPORTCUE " + dir + "joined.cue\r\n" +
                          "SPLITCUE " + dir + "joined.cue " + dir + "cue#.mp3 NOTAGS\r\n" +
                          "SELECTSILENCE\r\nSELECTSILENCE\r\nEXPORTCUE " + dir + "sel.cue SELECTION\r\n");
  ASSERT_EQ(r.exitCode, 0) << r.output << k.log();
  EXPECT_TRUE(std::regex_search(k.log(), std::regex("SPLITSILENCE: 3 files written, the last [^\r\n]*drop03.mp3\r\n")))
      << k.log();
  EXPECT_FALSE(fs::exists(dir + "drop04.mp3"));
  for (int t = 0; t < 3; ++t) {
    const std::string n = std::to_string(t + 1);
    EXPECT_NEAR(decodeCleanly(dir + "drop0" + n + ".mp3").frames, toneFrames[size_t(t)], 2) << t;
    EXPECT_EQ(readFile(dir + "cut " + n + ".mp3"), readFile(dir + "cue" + n + ".mp3")) << t;
    const std::string tags = mutagenTexts(dir + "drop0" + n + ".mp3");
    EXPECT_NE(tags.find("TRCK " + n + "/3"), std::string::npos) << tags;
  }
  EXPECT_FALSE(fs::exists(dir + "cue4.mp3"));
  // The second silence selected: tracks at the start, its start and its end
  // (tone 1 and 2 and 3 s of silence: 4 + 3 + 5 s and a frame or two).
  const std::string sel = readText(dir + "sel.cue");
  EXPECT_TRUE(std::regex_match(sel, std::regex("FILE \"joined.mp3\" MP3\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                                               "  TRACK 02 AUDIO\r\n    INDEX 01 00:1[23]:[0-9]{2}\r\n"
                                               "  TRACK 03 AUDIO\r\n    INDEX 01 00:1[45]:[0-9]{2}\r\n")))
      << sel;
  // Another reader of our sheet finds the two cuts where the tones begin again.
  const auto points = runCommand("cuebreakpoints " + shellQuote(dir + "joined.cue"));
  EXPECT_TRUE(std::regex_match(points.output, std::regex("0:0[5-7]\\.[0-9]{2}\n0:1[3-5]\\.[0-9]{2}\n"))) << points.output;

  // A sheet written by cueconvert: titles and performers into the parts' tags.
  writeFile(dir + "hand.cue",
            toBytes("PERFORMER \"Test Band\"\nTITLE \"Three Tones\"\nFILE \"joined.mp3\" MP3\n  TRACK 01 AUDIO\n"
                    "    TITLE \"Low\"\n    PERFORMER \"Alpha\"\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                    "    TITLE \"Middle\"\n    INDEX 00 00:04:00\n    INDEX 01 00:05:42\n  TRACK 03 AUDIO\n"
                    "    TITLE \"High\"\n    INDEX 01 00:13:48\n"));
  ASSERT_EQ(runCommand("cueconvert -i cue -o cue " + shellQuote(dir + "hand.cue") + " " + shellQuote(dir + "conv.cue"))
                .exitCode,
            0);
  const auto r2 = k.script("LOAD " + whole + "\r\nSPLITCUE " + dir + "conv.cue " + dir + "named#.mp3\r\n" +
                           "SPLITCUE " + dir + "conv.cue " + dir + "named.mp3\r\nSPLITCUE " + dir + "none.cue " +
                           dir + "x#.mp3\r\n");
  EXPECT_NE(k.log().find("SPLITCUE: 3 files written\r\n"
                         "SPLITCUE:\r\nThe file name pattern needs # where the part number goes (e.g. track ##.mp3).\r\n"
                         "SPLITCUE:\r\nCan't read the cue sheet " + dir + "none.cue\r\n"),
            std::string::npos)
      << k.log();
  const std::string tags2 = mutagenTexts(dir + "named2.mp3");
  for (const char* want : {"TIT2 Middle", "TPE1 Test Band", "TALB Three Tones", "TRCK 2/3"})
    EXPECT_NE(tags2.find(want), std::string::npos) << tags2;
  EXPECT_NE(mutagenTexts(dir + "named1.mp3").find("TPE1 Alpha"), std::string::npos);
}

TEST(LoudnessInterop, AlbumModeAndTheCommandsFaults) {
  REQUIRE_TOOLS("ffmpeg", "lame", "mpg123", "mp3val");
  Kavrel k;
  // Two tracks 8 dB apart: one step count for both keeps them 8 dB apart.
  const std::string a = k.dir.file("a.mp3"), b = k.dir.file("b.mp3");
  writeFile(a, readFile(makeFile("albumA.mp3", "anoisesrc=d=8:c=pink:a=0.02:r=44100", "-b 128")));
  writeFile(b, readFile(makeFile("albumB.mp3", "anoisesrc=d=8:c=pink:a=0.05:r=44100", "-b 128")));
  const Measured a0 = ffmpegLoudness(a), b0 = ffmpegLoudness(b);
  const std::string lines[][2] = {
      {"LOUDNESS", "LOUDNESS: No file loaded."},
      {"ALBUMNORMALIZE -16", "ALBUMNORMALIZE: no ALBUMFILE lines before it."},
      {"LOAD " + a, ""},
      {"NORMALIZE", "NORMALIZE: missing parameter(s)."},
      {"NORMALIZE loud", "NORMALIZE target parameter invalid (LUFS, -70 to 0):\r\nloud"},
      {"NORMALIZE -16 5", "NORMALIZE ceiling parameter invalid:\r\n5"},
      {"NORMALIZE -16 -1 LOUDER", "NORMALIZE option parameter invalid:\r\nLOUDER"},
      {"LOUDNESS 1", "LOUDNESS: must have 0 or 2 parameters."},
      {"SPLITSILENCE /tmp/x.mp3", "SPLITSILENCE file name pattern invalid (# for the part number):\r\n/tmp/x.mp3"},
      {"SPLITSILENCE x#.mp3 -5", "SPLITSILENCE threshold parameter invalid (dBFS, -120 to -10):\r\n-5"},
      {"SPLITSILENCE x#.mp3 -50 2 KEEP", "SPLITSILENCE option parameter invalid (DROP, TAG):\r\nKEEP"},
      {"SPLITSILENCE " + k.dir.file("x#.mp3"), "SPLITSILENCE: no silence found (threshold -50 dBFS)."},
      // A silence only at the end cuts nothing.
      {"LOAD " + makeFile("tail.mp3", "anoisesrc=d=4:c=pink:a=0.05:r=44100,apad=pad_dur=3", "-b 128"), ""},
      {"SPLITSILENCE " + k.dir.file("y#.mp3"), "SPLITSILENCE:\r\nNothing to split: the whole file is one part."},
      {"SELECTSILENCE -50 abc", "SELECTSILENCE length parameter invalid:\r\nabc"},
      {"EXPORTCUE x.cue EVERYWHERE", "EXPORTCUE 2nd parameter invalid (SILENCES, SELECTION):\r\nEVERYWHERE"},
      {"SPLITCUE a.cue", "SPLITCUE: must have 2 or 3 parameters."},
      {"ALBUMFILE " + a, ""},
      {"ALBUMFILE " + b, ""},
      {"ALBUMNORMALIZE -20 -1", ""},
  };
  std::string script, log;
  for (const auto& [line, error] : lines) {
    script += line + "\r\n";
    if (!error.empty()) log += error + "\r\n";
  }
  const auto r = k.script(script);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(k.log().find(log), std::string::npos) << k.log();
  std::smatch m;
  const std::string logged = k.log();
  ASSERT_TRUE(std::regex_search(logged, m, std::regex("ALBUMNORMALIZE: album -[0-9.]+ LUFS -> -(19|20|21)\\.[0-9] LUFS, "
                                                       "\\+([0-9]+) steps[^\r]*\r\nALBUMNORMALIZE: saved [^\r]*a\\.mp3\r\n"
                                                       "ALBUMNORMALIZE: saved [^\r]*b\\.mp3\r\n")))
      << k.log();
  const double gain = std::stoi(m[2]) * kGainStepDb;
  EXPECT_NEAR(ffmpegLoudness(a).integrated, a0.integrated + gain, 0.2);
  EXPECT_NEAR(ffmpegLoudness(b).integrated, b0.integrated + gain, 0.2);
  decodeCleanly(a);
  decodeCleanly(b);
}

}  // namespace
}  // namespace kavrel::test
