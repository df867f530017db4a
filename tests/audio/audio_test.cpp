// The audio layer's rules: decoding the document's frames, the choice of
// normalisation steps, silences and the parts between them, cue sheets and
// part names.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/audio_plan.h"
#include "audio/cue_sheet.h"
#include "support/doc_builder.h"

namespace kavrel::test {
namespace {

TEST(AudioDecode, SilentFramesDecodeToZerosAtTheirOwnRateFromTheSpanOnly) {
  // 10 frames at 44.1 kHz stereo, then 20 at 48 kHz mono (bitrate index 9).
  Document doc = DocBuilder().silent(10, 9, 0, 1).silent(20, 9, 1, 3).build();
  std::vector<std::tuple<int32_t, long, int, int32_t>> seen;
  float loudest = 0;
  int checkpoints = 0;
  const DecodeResult r = decodeDocument(
      doc, {6, 25},
      [&](const DecodedFrame& f) {
        seen.emplace_back(f.index, f.rate, f.channels, f.sampleFrames);
        for (int32_t s = 0; s < f.sampleFrames * f.channels; ++s) loudest = std::max(loudest, std::abs(f.samples[s]));
      },
      [&](int) {
        ++checkpoints;
        return Checkpoint::Continue;
      });
  ASSERT_EQ(r.outcome, DecodeOutcome::Done) << r.message;
  ASSERT_EQ(seen.size(), 19u);
  EXPECT_EQ(seen.front(), std::make_tuple(6, 44100L, 2, 1152));
  EXPECT_EQ(seen[3], std::make_tuple(9, 44100L, 2, 1152));
  EXPECT_EQ(seen[4], std::make_tuple(10, 48000L, 1, 1152));
  EXPECT_EQ(seen.back(), std::make_tuple(24, 48000L, 1, 1152));
  EXPECT_EQ(loudest, 0.0f);
  EXPECT_GE(checkpoints, 2);
  const AudioAnalysis a = analyseDocument(doc, {0, 30}, true, {});
  EXPECT_FALSE(a.loudness.measured);
  EXPECT_NEAR(a.loudness.seconds, 10 * 1152 / 44100.0 + 20 * 0.024, 1e-9);
  // Silence throughout: one stretch, the whole document.
  EXPECT_EQ(findSilences(a.levels, a.durations, 0, {-50, 0.7}).size(), 1u);
  EXPECT_EQ(findSilences(a.levels, a.durations, 0, {-50, 0.8}).size(), 0u);
}

TEST(AudioDecode, EscStopsAndAMissingSourceIsAnError) {
  Document silent = DocBuilder().silent(600, 9, 0, 1).build();
  EXPECT_EQ(decodeDocument(silent, {0, 600}, [](const DecodedFrame&) {}, [](int b) {
              return b > 10 ? Checkpoint::Cancel : Checkpoint::Continue;
            }).outcome,
            DecodeOutcome::Cancelled);
  Document table = DocBuilder().frames(5).build();
  table.sourceNames[0] = "/nonexistent/kavrel-test.mp3";
  const DecodeResult r = decodeDocument(table, {0, 5}, [](const DecodedFrame&) {}, {});
  EXPECT_EQ(r.outcome, DecodeOutcome::Failed);
  EXPECT_EQ(r.message, "Can't open /nonexistent/kavrel-test.mp3");
}

TEST(AudioDecode, PrerollCoversTheReservoirAndOneFrameOfOverlap) {
  // 417-byte frames (128 kbit/s): one for the overlap and two for 511 bytes.
  Document doc = DocBuilder().frames(20).build();
  for (int32_t i = 0; i < 20; ++i) doc.frameTable[i].storedLength = 417;
  EXPECT_EQ(prerollStart(doc, 10), 7);
  EXPECT_EQ(prerollStart(doc, 2), 0);
  EXPECT_EQ(prerollStart(doc, 0), 0);
}

TEST(AudioNormalize, WholeStepsTowardsTheTargetUnderTheCeiling) {
  auto measured = [](double lufs, double peak) {
    Loudness l;
    l.measured = true;
    l.integrated = lufs;
    l.truePeak = peak;
    return l;
  };
  const struct {
    double lufs, peak, target;
    std::optional<double> ceiling;
    int steps;
    bool limited;
  } cases[] = {
      {-30, -20, -16, -1.0, 9, false},      // 14 dB: 9.3 steps
      {-30, -12, -16, -1.0, 7, true},
      {-30, -12, -16, -5.0, 4, true},       // the ceiling allows 4 (6.02 dB)
      {-30, -12, -16, std::nullopt, 9, false},  // no ceiling: above 0 dBTP
      {-10, -0.5, -16, -1.0, -4, false},    // quieter: the ceiling never limits
      {-16.7, -20, -16, -1.0, 0, false},    // under half a step away
      {-17.0, -20, -16, -1.0, 1, false},
      {-30, -1.0, -16, -1.0, 0, true},      // the peak already on the ceiling
      {-100 + 30, -60, 0, std::nullopt, 40, false},  // at most 60 dB
  };
  for (const auto& c : cases) {
    const NormalizePlan p = planNormalize(measured(c.lufs, c.peak), c.target, c.ceiling);
    EXPECT_TRUE(p.possible);
    EXPECT_EQ(p.steps, c.steps) << c.lufs << " " << c.peak;
    EXPECT_EQ(p.limitedByPeak, c.limited) << c.lufs << " " << c.peak;
    EXPECT_NEAR(p.truePeak, c.peak + c.steps * kGainStepDb, 1e-9);
    if (c.ceiling) {
      EXPECT_LE(p.truePeak, *c.ceiling + 1e-6);
    }
  }
  EXPECT_FALSE(planNormalize(Loudness{}, -16, -1.0).possible);
  Loudness rg = measured(-23.456, -6.0206);
  EXPECT_EQ(replayGainText(rg), "5.46 dB");
  EXPECT_EQ(replayPeakText(rg), "0.500000");
}

TEST(AudioSilences, StretchesAndTheParts) {
  // 0.1 s frames; "-" is silent (-60), "#" loud (-10).
  auto levels = [](const std::string& s) {
    std::vector<float> l;
    for (char c : s) l.push_back(c == '-' ? -60.0f : -10.0f);
    return l;
  };
  const std::string pattern = "--###-----####---------##----";
  const std::vector<float> l = levels(pattern);
  const std::vector<float> d(l.size(), 0.1f);
  const std::vector<Span> found = findSilences(l, d, 100, {-50, 0.5});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].start, 105);  // the 2-frame lead is too short
  EXPECT_EQ(found[0].end, 110);
  EXPECT_EQ(found[1].start, 114);
  EXPECT_EQ(found[1].end, 123);  // 4 frames at the end: 0.4 s, too short at 0.5 s
  EXPECT_EQ(findSilences(l, d, 0, {-50, 0.4}).size(), 3u);
  EXPECT_EQ(findSilences(l, d, 0, {-50, 0.2}).size(), 4u);
  EXPECT_TRUE(findSilences(l, d, 0, {-70, 0.1}).empty());

  const std::vector<Span> silences{{0, 3}, {10, 14}, {20, 25}, {40, 50}};
  auto text = [](const std::vector<Span>& parts) {
    std::string s;
    for (const Span& p : parts) s += std::to_string(p.start) + "-" + std::to_string(p.end) + " ";
    return s;
  };
  EXPECT_EQ(text(partsAtSilences(50, silences, false)), "0-12 12-22 22-50 ");
  EXPECT_EQ(text(partsAtSilences(50, silences, true)), "3-10 14-20 25-40 ");
  EXPECT_EQ(text(partsAtSilences(50, {}, true)), "0-50 ");
}

TEST(AudioCue, ReadsWhatOthersWriteAndRefusesWhatItCannotSplit) {
  // After the format's description: disc fields, REM lines, INDEX 00 pregaps,
  // lower case, bare words, LF lines, a byte order mark.
  const std::string hand =
      "\xEF\xBB\xBFREM GENRE Rock\nREM DATE 1999\nPERFORMER \"The Band\"\nTITLE \"Live \xC3\xA0 Paris\"\n"
      "CATALOG 0000000000000\nFILE \"live.mp3\" MP3\n  TRACK 01 AUDIO\n    TITLE \"Intro\"\n"
      "    INDEX 01 00:00:00\n  track 02 audio\n    title Song\n    PERFORMER \"Guest\"\n    FLAGS DCP\n"
      "    INDEX 00 03:58:50\n    INDEX 01 04:00:74\n  TRACK 3 AUDIO\n    ISRC ABCDE1234567\n"
      "    INDEX 01 61:02:01\n";
  const CueParse p = parseCueSheet(hand);
  ASSERT_TRUE(p.sheet) << p.error;
  const CueSheet& s = *p.sheet;
  EXPECT_EQ(s.performer, "The Band");
  EXPECT_EQ(s.title, "Live \xC3\xA0 Paris");
  EXPECT_EQ(s.file, "live.mp3");
  ASSERT_EQ(s.tracks.size(), 3u);
  EXPECT_EQ(s.tracks[0].title, "Intro");
  EXPECT_EQ(s.tracks[1].title, "Song");
  EXPECT_EQ(s.tracks[1].performer, "Guest");
  EXPECT_DOUBLE_EQ(s.tracks[1].start, 240 + 74 / 75.0);
  EXPECT_DOUBLE_EQ(s.tracks[2].start, 61 * 60 + 2 + 1 / 75.0);
  EXPECT_EQ(writeCueSheet(s),
            "PERFORMER \"The Band\"\r\nTITLE \"Live \xC3\xA0 Paris\"\r\nFILE \"live.mp3\" MP3\r\n"
            "  TRACK 01 AUDIO\r\n    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n"
            "  TRACK 02 AUDIO\r\n    TITLE \"Song\"\r\n    PERFORMER \"Guest\"\r\n    INDEX 01 04:00:74\r\n"
            "  TRACK 03 AUDIO\r\n    INDEX 01 61:02:01\r\n");
  EXPECT_EQ(writeCueSheet(*parseCueSheet(writeCueSheet(s)).sheet), writeCueSheet(s));

  const struct {
    std::string text, error;
  } refused[] = {
      {"FILE a.mp3 MP3\n", "no TRACK in the cue sheet"},
      {"FILE a MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b MP3\n",
       "line 4: more than one FILE (one audio file per sheet)"},
      {"TRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n", "line 2: track 1 has no INDEX 01"},
      {"TRACK 01 AUDIO\nINDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:09:00\n",
       "line 4: track 2 starts before the one above it"},
      {"TRACK 01 AUDIO\nINDEX 01 00:60:00\n", "line 2: time invalid: 00:60:00"},
      {"TRACK 01 AUDIO\nINDEX 01 00:00:75\n", "line 2: time invalid: 00:00:75"},
      {"TRACK 01 MODE1/2352\n", "line 1: only AUDIO tracks can be split: MODE1/2352"},
      {"TRACK x AUDIO\n", "line 1: track number invalid: x"},
      {"INDEX 01 00:00:00\n", "line 1: INDEX before the first TRACK"},
      {"TRACK 01 AUDIO\nBOGUS\n", "line 2: unknown command BOGUS"},
      {"TRACK 01 AUDIO\n", "track 1 has no INDEX 01"},
  };
  for (const auto& r : refused) EXPECT_EQ(parseCueSheet(r.text).error, r.error) << r.text;
  EXPECT_EQ(cueTimeText(61 * 60 + 2.5), "61:02:38");
}

TEST(AudioPlan, PartNames) {
  EXPECT_EQ(partFileName("/x/track ##.mp3", 3), "/x/track 03.mp3");
  EXPECT_EQ(partFileName("/x/#.mp3", 12), "/x/12.mp3");
  EXPECT_EQ(partFileName("/x/a###b#.mp3", 1234), "/x/a1234b#.mp3");
  EXPECT_EQ(partFileName("/x/track.mp3", 1), std::nullopt);
}

}  // namespace
}  // namespace kavrel::test
