#include "base/time_text.h"

#include <cmath>
#include <cstdio>


namespace kavrel {

int64_t roundHalfEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

std::string formatFixed(int n, bool strip, double v) {
  if (n < 1) n = 1;
  if (n > 6) n = 6;
  const int64_t u = roundHalfEven(v * std::pow(10.0, n));
  // Zero-padded to n + 1 digits, then split in front of the last n.
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*lld", n + 1, static_cast<long long>(u < 0 ? -u : u));
  const std::string all = digits;
  std::string text = (u < 0 ? "-" : "") + all.substr(0, all.size() - size_t(n)) + "." + all.substr(all.size() - size_t(n));
  if (strip) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::string formatTime(int d, double t) {
  const int64_t scale = d == 3 ? 1000 : 100;
  const int64_t u = roundHalfEven(t * double(scale));
  const int64_t whole = u / scale;
  const int64_t frac = u % scale;
  const int64_t minutes = whole / 60;
  const int64_t seconds = whole % 60;
  char buf[64];
  if (minutes > 0) {
    std::snprintf(buf, sizeof buf, "%lld:%02lld.%0*lld", static_cast<long long>(minutes),
                  static_cast<long long>(seconds), d, static_cast<long long>(frac));
  } else {
    std::snprintf(buf, sizeof buf, "%lld.%0*lld", static_cast<long long>(seconds), d,
                  static_cast<long long>(frac));
  }
  std::string text = buf;
  if (d != 3) text += " s";
  return text;
}


std::string formatGrouped(int64_t value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  std::string text = value < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

std::string formatExponent2(double v) {
  // printf gives "2.6e-02"; rebuild it as " 2.6E-0002".
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1e", std::fabs(v));
  std::string s = buf;
  const size_t e = s.find('e');
  const std::string mantissa = s.substr(0, e);
  const int exponent = std::atoi(s.c_str() + e + 1);
  char exp[16];
  std::snprintf(exp, sizeof exp, "E%c%04d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
  return std::string(v < 0 ? "-" : " ") + mantissa + exp;
}

}  // namespace kavrel
