#include "editing/positions.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "mpeg/frame_header.h"

namespace kavrel {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number: optional sign, digits with an optional "." (one digit at
// least), optional exponent. Read independently of the C locale.
bool readDecimal(std::string_view s, double& out) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  size_t i = 0;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != s.size()) return false;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  out = negative ? -value : value;
  return true;
}

bool readInteger(std::string_view s, int32_t& out) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !isDigit(s[0])) return false;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return false;
  out = int32_t(value);
  return true;
}

double timeOfCounts(int version, const std::array<int64_t, 3>& counts) {
  double t = 0;
  for (int r = 0; r < 3; ++r) t += double(counts[size_t(r)]) * frameDuration(version, r);
  return t;
}

}  // namespace

std::array<int64_t, 3> rateCounts(const Document& doc, int32_t from, int32_t to) {
  std::array<int64_t, 3> counts{};
  if (from < 0) from = 0;
  if (to > doc.documentFrameCount()) to = doc.documentFrameCount();
  if (from >= to) return counts;
  // One rate throughout, as the histogram of the whole list says: no walk.
  const auto& h = doc.rateHistogram;
  if (int64_t(h[0]) + h[1] + h[2] == doc.documentFrameCount()) {
    for (size_t r = 0; r < 3; ++r) {
      if (h[r] == doc.documentFrameCount()) {
        counts[r] = to - from;
        return counts;
      }
    }
  }
  const int32_t* list = doc.frameList.data();
  for (int32_t i = from; i < to; ++i) {
    const int32_t e = list[i];
    const int rate = e >= 0 ? doc.frameTable[e].sampleRateIndex % 3 : decodeSilentFrame(e).sampleRateIndex;
    ++counts[size_t(rate)];
  }
  return counts;
}

double framePositionTime(const Document& doc, int32_t p, bool halfFrame) {
  if (p <= 0) return 0;
  double t = timeOfCounts(doc.mpegVersion, rateCounts(doc, 0, p));
  const int32_t n = doc.documentFrameCount();
  if (halfFrame && n > 0) {
    const int32_t q = p > n - 1 ? n - 1 : p;
    t += 0.5 * frameDuration(doc.mpegVersion, doc.entrySampleRate(q));
  }
  return t;
}

double spanTime(const Document& doc, int32_t p, int32_t q) {
  if (p == q) return 0;
  if (p > q) std::swap(p, q);
  return timeOfCounts(doc.mpegVersion, rateCounts(doc, p, q));
}

int32_t positionAtTime(const Document& doc, double t) {
  if (std::isnan(t) || t < 0.012) return 0;
  const int32_t n = doc.documentFrameCount();
  const int rate = doc.editSummary.rate;
  if (rate >= 0 && rate <= 2) {
    const double frames = t / frameDuration(doc.mpegVersion, rate);
    if (!(frames < double(std::numeric_limits<int32_t>::max()))) return std::numeric_limits<int32_t>::max();
    return int32_t(std::nearbyint(frames));
  }
  // Mixed rates: walk from a position that cannot lie beyond t to the
  // nearest boundary. The end of the document is a boundary too, so a time
  // past the end lands there as it does in a single-rate document.
  // The longest frame (32 kHz and its halves): that many frames never take
  // longer than t, so the walk starts there and only goes forward.
  const double start = t / frameDuration(doc.mpegVersion, 2);
  if (!(start < double(n))) return n;
  int32_t i = int32_t(start);
  double acc = framePositionTime(doc, i);
  double d = std::fabs(acc - t);
  for (;;) {
    if (i >= n) return n;
    acc += frameDuration(doc.mpegVersion, doc.entrySampleRate(i));
    const double next = std::fabs(acc - t);
    if (next >= d) return i;
    d = next;
    ++i;
  }
}

std::string trimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == '\0' || c == ' ' || static_cast<unsigned char>(c) == 0xFF; };
  size_t a = 0;
  size_t b = text.size();
  while (a < b && blank(text[a])) ++a;
  while (b > a && blank(text[b - 1])) --b;
  return std::string(text.substr(a, b - a));
}

ParsedTime parseTime(std::string_view text) {
  const ParsedTime failed;
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\0') s += c;

  const size_t colon = s.rfind(':');
  const std::string_view all(s);
  const std::string_view secondsPart = colon == std::string::npos ? all : all.substr(colon + 1);
  double seconds = 0;
  if (!readDecimal(secondsPart, seconds) || seconds < 0 || seconds > 99999) return failed;
  if (colon == std::string::npos) return {false, seconds};

  std::string_view minutesPart = all.substr(0, colon);
  std::string_view hoursPart;
  bool withHours = false;
  if (const size_t first = minutesPart.find(':'); first != std::string_view::npos) {
    hoursPart = minutesPart.substr(0, first);
    minutesPart = minutesPart.substr(first + 1);
    withHours = true;
  }
  int32_t minutes = 0;
  if (!readInteger(minutesPart, minutes) || minutes >= 1440 || seconds >= 60) return failed;
  int32_t hours = 0;
  if (withHours && (!readInteger(hoursPart, hours) || hours > 24 || minutes > 59)) return failed;
  const double result = double(hours) * 3600 + double(minutes) * 60 + seconds;
  if (result < 0 || result > 99999) return failed;
  return {false, result};
}

int32_t stepFramePosition(const Document& doc, int32_t p, int dir) {
  const int32_t n = doc.documentFrameCount();
  return clampPosition(int64_t(p) + (dir > 0 ? 1 : -1), n);
}

int32_t stepSecondPosition(const Document& doc, int32_t p, int dir) {
  const int32_t n = doc.documentFrameCount();
  const double now = framePositionTime(doc, clampPosition(p, n));
  // Truncation toward zero: the nearest whole second, halves going up.
  const double t = std::trunc(dir > 0 ? now + 1.5 : now - 0.5);
  if (t < 0) return 0;
  if (framePositionTime(doc, n) < t) return n;
  return clampPosition(positionAtTime(doc, t), n);
}

bool AutoRepeat::press(int buttonCode) {
  if (code_ != 0 || buttonCode < 1 || buttonCode > lastCode_) return false;
  code_ = buttonCode;
  interval_ = kInitialInterval;
  return true;
}

int AutoRepeat::tick() {
  if (code_ >= 1 && code_ <= lastCode_) {
    code_ *= delayFactor_;  // one interval of delay before the first repeat
    return 0;
  }
  if (code_ < delayFactor_ || code_ > lastCode_ * delayFactor_ || code_ % delayFactor_ != 0) return 0;
  if (interval_ > 100) {
    interval_ -= 40;
  } else if (interval_ > 20) {
    interval_ -= 20;
  }
  return code_ / delayFactor_;
}

void AutoRepeat::release() {
  code_ = 0;
  interval_ = kInitialInterval;
}

int32_t positionAtColumn(int x, int32_t viewOffset) { return (x - kStripLeft) / kSlotWidth + viewOffset; }

MouseEdit mousePress(int x, MouseButton button, bool shift, int32_t viewOffset, int32_t frameCount,
                     int32_t cursor) {
  const int32_t p = clampPosition(positionAtColumn(x, viewOffset), frameCount);
  if (button == MouseButton::Middle) return {};
  if (button == MouseButton::Left && !shift) return {MouseEdit::PlaceCursor, p};
  if (p == cursor) return {};
  return {MouseEdit::SetEnd, p};
}

MouseEdit mouseRelease(int x, MouseButton button, bool shift, int32_t viewOffset, int32_t frameCount,
                       int32_t cursor) {
  if (button != MouseButton::Left || shift) return {};
  const int32_t p = clampPosition(positionAtColumn(x, viewOffset), frameCount);
  if (p == cursor) return {};
  return {MouseEdit::SetEnd, p};
}

}  // namespace kavrel
