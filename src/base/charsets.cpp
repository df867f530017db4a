#include "base/charsets.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "base/text_codec.h"

namespace kavrel {

namespace {

constexpr std::array<std::string_view, kCharsetCount> kNames = {"Default",
                                                                "OEM (OS codepage)",
                                                                "Central European",
                                                                "Cyrillic",
                                                                "Greek",
                                                                "Baltic",
                                                                "Hebrew",
                                                                "Turkish",
                                                                "Arabic",
                                                                "Symbol",
                                                                "Mac",
                                                                "shift-JIS",
                                                                "Simplified Chinese GB2312",
                                                                "Traditional Chinese (Taiwanese)",
                                                                "Korean Wansung",
                                                                "Korean Johab",
                                                                "Vietnamese",
                                                                "Thai"};

// The iconv name of each line. The default set and "Symbol" go through the
// program's own Windows-1252 codec: the symbol font's glyphs have no
// character set of their own to convert to, so its bytes read as the
// default set's.
constexpr std::array<const char*, kCharsetCount> kIconvNames = {
    nullptr, "CP437",     "CP1250",    "CP1251", "CP1253", "CP1257", "CP1255", "CP1254", "CP1256",
    nullptr, "MACINTOSH", "SHIFT_JIS", "GB2312", "BIG5",   "CP949",  "JOHAB",  "CP1258", "CP874"};

const char* iconvName(int charset) {
  return charset >= 0 && charset < kCharsetCount ? kIconvNames[size_t(charset)] : nullptr;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != iconv_t(-1); }

  // Converts `in` whole; false (with the output so far) when iconv stops
  // at a sequence it cannot convert. `consumed` tells how far it came.
  bool convert(std::string_view in, std::string& out, size_t& consumed) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    auto* src = const_cast<char*>(in.data());
    size_t left = in.size();
    bool done = true;
    for (;;) {
      char buffer[256];
      char* dst = buffer;
      size_t room = sizeof buffer;
      const size_t r =
          left > 0 ? iconv(cd_, &src, &left, &dst, &room) : iconv(cd_, nullptr, nullptr, &dst, &room);
      out.append(buffer, size_t(dst - buffer));
      if (r != size_t(-1)) {
        if (left == 0 && src != nullptr) {
          // Input used up: let a converter that holds back a base character
          // for a following accent hand it over.
          src = nullptr;
          continue;
        }
        break;
      }
      if (errno == E2BIG) continue;
      done = false;
      break;
    }
    consumed = in.size() - left;
    return done;
  }

 private:
  iconv_t cd_;
};

// The length of the UTF-8 sequence a lead byte starts (1 for a stray byte).
size_t sequenceLength(uint8_t b) {
  if (b >= 0xC2 && b < 0xE0) return 2;
  if (b >= 0xE0 && b < 0xF0) return 3;
  if (b >= 0xF0 && b < 0xF5) return 4;
  return 1;
}

}  // namespace

const std::array<std::string_view, kCharsetCount>& charsetNames() { return kNames; }

std::string charsetToUtf8(int charset, std::string_view bytes) {
  const char* name = iconvName(charset);
  Converter converter("UTF-8", name ? name : "");
  if (!name || !converter.ok()) return codePageToUtf8(bytes);
  std::string out;
  while (!bytes.empty()) {
    size_t consumed = 0;
    if (converter.convert(bytes, out, consumed)) break;
    // A byte the set does not define (or a sequence cut short): one '?'.
    out += '?';
    bytes.remove_prefix(consumed + 1);
  }
  return out;
}

std::string utf8ToCharset(int charset, std::string_view text, size_t maxBytes) {
  const char* name = iconvName(charset);
  Converter converter(name ? name : "", "UTF-8");
  const bool own = !name || !converter.ok();
  std::string out;
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t len = sequenceLength(p[i]);
    std::string piece;
    const bool wellFormed = i + len <= text.size() && forEachUtf8CodePoint(p + i, len, [&](char32_t cp) {
                              if (own) piece = std::string(1, codePointToCodePage(cp));
                            });
    if (!wellFormed) {
      len = 1;
      piece = "?";
    } else if (!own) {
      size_t consumed = 0;
      if (!converter.convert(text.substr(i, len), piece, consumed) || piece.empty()) piece = "?";
    }
    if (out.size() + piece.size() > maxBytes) break;
    out += piece;
    i += len;
  }
  return out;
}

}  // namespace kavrel
