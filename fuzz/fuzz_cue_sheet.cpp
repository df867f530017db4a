// libFuzzer target for the cue-sheet reader: any text is read without a
// crash, and a sheet it accepts, written out, reads back to the same text.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "audio/cue_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kavrel::CueParse parsed = kavrel::parseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!parsed.sheet) return 0;
  const std::string written = kavrel::writeCueSheet(*parsed.sheet);
  const kavrel::CueParse again = kavrel::parseCueSheet(written);
  if (!again.sheet || kavrel::writeCueSheet(*again.sheet) != written) __builtin_trap();
  return 0;
}
