#include "editing/silence.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/time_text.h"
#include "mpeg/frame_header.h"

namespace kavrel {

int32_t silentFrameEntry(const SilenceFormat& f) {
  const int e =
      1 + std::clamp(f.kbpsItem, 0, 13) + 16 * std::clamp(f.rate, 0, 2) + 64 * std::clamp(f.mode, 0, 3);
  return -e;
}

SilenceFormat recommendedSilence(const Document& doc) {
  SilenceFormat f;
  f.version = doc.mpegVersion;
  const int kbps = doc.editSummary.bitrate;
  f.kbpsItem = kbps == 0 ? 0 : (kbps - 1) % 14;
  f.rate = doc.sourceSummary.rate >= 3 ? 0 : doc.sourceSummary.rate;
  f.mode = doc.sourceSummary.mode >= 4 ? 1 : doc.sourceSummary.mode;
  return f;
}

void insertSilentFrames(Document& doc, int32_t p, int32_t entry, int32_t count) {
  if (count <= 0) return;
  const auto at = std::ptrdiff_t(std::clamp(p, 0, doc.documentFrameCount()));
  const size_t total = doc.frameList.size() + size_t(count);
  // Room in both lists first: when memory runs out, neither has changed.
  auto grow = [total](auto& v) {
    if (v.capacity() < total) v.reserve(std::max(total, v.capacity() + v.capacity() / 2));
  };
  grow(doc.frameList);
  grow(doc.gainList);
  doc.frameList.insert(doc.frameList.begin() + at, size_t(count), entry);
  doc.gainList.insert(doc.gainList.begin() + at, size_t(count), GainPair{-32768, -32768});
}

int rateOfItem(int item) {
  static constexpr int kRates[3] = {2, 0, 1};
  return kRates[std::clamp(item, 0, 2)];
}

int itemOfRate(int rate) {
  static constexpr int kItems[3] = {1, 2, 0};
  return kItems[std::clamp(rate, 0, 2)];
}

std::string silenceLengthText(int32_t frames, int version, int rate) {
  return formatFixed(3, true, double(frames) * frameDuration(version, std::clamp(rate, 0, 2)));
}

namespace {

// A plain decimal number: sign, digits, point, digits, optional exponent.
// Anything else (names such as "inf", hexadecimal, stray characters) is
// not a length.
struct Seconds {
  bool valid = false;
  bool overflow = false;
  double value = 0;
};

Seconds readSeconds(std::string_view text) {
  std::string s;
  for (char c : text) {
    if (c == ' ') continue;
    s += c == ',' ? '.' : c;
  }
  Seconds r;
  if (s.empty()) return r;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) return r;
  const char* first = s.data();
  if (*first == '+') ++first;
  double v = 0;
  const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v, std::chars_format::general);
  if (end != s.data() + s.size()) return r;
  if (ec == std::errc::result_out_of_range) {
    r.valid = true;
    const size_t e = s.find_first_of("eE");
    if (e != std::string::npos && e + 1 < s.size() && s[e + 1] == '-') return r;  // too small: 0 s
    r.overflow = true;
    r.value = *first == '-' ? -1 : 1;
    return r;
  }
  if (ec != std::errc()) return r;
  r.valid = true;
  r.value = v;
  return r;
}

}  // namespace

SilenceLength parseSilenceLength(std::string_view text, int version, int rate) {
  SilenceLength out;
  const Seconds s = readSeconds(text);
  out.valid = s.valid;
  if (!s.valid) return out;
  if (s.overflow && s.value > 0) {
    out.frames = kMaxSilenceFrames;
    return out;
  }
  const double frames = s.value / frameDuration(version, std::clamp(rate, 0, 2));
  if (frames < 0) {
    out.frames = 0;
    out.resetText = true;
  } else if (frames > double(kMaxSilenceFrames)) {
    out.frames = kMaxSilenceFrames;
  } else {
    out.frames = int32_t(roundHalfEven(frames));
  }
  return out;
}

int32_t stepSilenceFrame(int32_t frames, int dir) {
  return std::clamp<int32_t>(frames + (dir > 0 ? 1 : -1), 0, kMaxSilenceFrames);
}

int32_t stepSilenceSecond(std::string_view text, int version, int rate, int dir) {
  const Seconds s = readSeconds(text);
  double t = s.valid ? s.value : 0;
  if (s.overflow) return s.value > 0 ? kMaxSilenceFrames : 0;
  t = std::trunc(dir > 0 ? t + 1.5001 : t - 0.5001);
  if (t < 0) return 0;
  const double duration = frameDuration(version, std::clamp(rate, 0, 2));
  if (t <= double(kMaxSilenceFrames) * duration) return int32_t(std::trunc(t / duration + 0.5));
  return kMaxSilenceFrames;
}

int32_t stepSilence(int code, int32_t frames, std::string_view text, int version, int rate) {
  switch (code) {
    case kSilenceFrameUp: return stepSilenceFrame(frames, 1);
    case kSilenceSecondUp: return stepSilenceSecond(text, version, rate, 1);
    case kSilenceFrameDown: return stepSilenceFrame(frames, -1);
    case kSilenceSecondDown: return stepSilenceSecond(text, version, rate, -1);
    default: return frames;
  }
}

AutoRepeat silenceAutoRepeat() { return AutoRepeat(kSilenceSecondDown, 10); }

SilenceDialogState silenceDialogState(const Document& doc, int32_t presetFrames, double presetSeconds,
                                      bool hasSelection) {
  SilenceDialogState s;
  s.format = recommendedSilence(doc);
  const bool oneBitrate = doc.editSummary.bitrate != 0;
  for (int i = 0; i < 14; ++i) {
    std::string text = bitrateText(s.format.version, i + 1);
    if (!oneBitrate) {
      if (i == 0) text += " (RECOMMENDED)";
    } else {
      text += i == s.format.kbpsItem ? " (RECOMMENDED)" : " (makes file var. kbps)";
    }
    s.kbpsItems[size_t(i)] = text;
  }
  const bool oneRate = doc.editSummary.rate < 3;
  for (int item = 0; item < 3; ++item) {
    std::string text = std::string(sampleRateText(s.format.version, rateOfItem(item))) + " ";
    if (rateOfItem(item) == s.format.rate) {
      text += "(RECOMMENDED)";
    } else if (oneRate) {
      text += "(makes mixed freq.)";
    }
    s.rateItems[size_t(item)] = text;
  }
  const bool oneMode = doc.editSummary.mode < 4;
  for (int m = 0; m < 4; ++m) {
    std::string text(channelModeText(m));
    if (m == s.format.mode) {
      text += " (RECOMMENDED)";
    } else if (oneMode) {
      text += " (makes variable stereo)";
    }
    s.modeItems[size_t(m)] = text;
  }
  s.frames = std::clamp<int32_t>(presetFrames, 0, kMaxSilenceFrames);
  s.lengthText = hasSelection ? formatFixed(3, true, presetSeconds) : "0";
  s.limitLabel = "Max. length is 256K frames";
  s.replacesSelection = hasSelection;
  s.whereLabel = hasSelection ? "SILENCE WILL REPLACE THE SELECTION" : "SILENCE WILL BE INSERTED";
  return s;
}

}  // namespace kavrel
