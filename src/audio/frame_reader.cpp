#include "audio/frame_reader.h"

#include <algorithm>
#include <cstring>

#include "document/save_writer.h"

namespace kavrel {

namespace {
constexpr size_t kWindowSize = size_t(1) << 20;
}

const uint8_t* DocumentFrameReader::bytesAt(int slot, int64_t position, size_t length) {
  auto& source = sources_[size_t(slot)];
  if (!source) {
    source = std::make_unique<Source>();
    const std::string& path = doc_.sourcePath(slot);
    if (path.empty() || !source->file.open(path)) {
      error_ = "Can't open " + (path.empty() ? std::string("a source file") : path);
      return nullptr;
    }
    source->file.adviseSequential();
    source->opened = true;
  }
  if (!source->opened) return nullptr;
  Source& s = *source;
  if (position < s.windowStart || position + int64_t(length) > s.windowStart + int64_t(s.window.size())) {
    s.window.resize(std::max(kWindowSize, length));
    const int64_t got = s.file.readAt(position, s.window.data(), s.window.size());
    s.windowStart = position;
    s.window.resize(size_t(std::max<int64_t>(got, 0)));
    if (got < int64_t(length)) {
      error_ = "Disk error reading " + doc_.sourcePath(slot);
      return nullptr;
    }
  }
  return s.window.data() + (position - s.windowStart);
}

bool DocumentFrameReader::read(int32_t i, std::vector<uint8_t>& out) {
  const int32_t entry = doc_.frameList[size_t(i)];
  if (entry < 0) {
    out = silentFrameBytes(entry, doc_.mpegVersion);
    return true;
  }
  const FrameInfo& f = doc_.frameTable[entry];
  const size_t length = size_t(copiedFrameLength(f.storedLength));
  const uint8_t* bytes = bytesAt(f.sourceIndex, f.filePosition, length);
  if (!bytes) return false;
  out.assign(bytes, bytes + length);
  if (size_t(i) < doc_.gainList.size()) applyGainAtSave(out.data(), int32_t(length), f, doc_.gainList[size_t(i)]);
  return true;
}

}  // namespace kavrel
