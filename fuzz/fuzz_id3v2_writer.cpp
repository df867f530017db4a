// libFuzzer target for the ID3v2 writer: the input is a tag as at the start
// of a file (given a header when it has none, as for the reader target),
// read into a field list and written again in the version, unsynchronisation
// and footer that the last input byte picks. Whatever the writer produces
// must read back as a tag without error, with no more fields than it had.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "document/loader.h"
#include "fuzz_tag_input.h"
#include "tags/id3v2/reader.h"
#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/writer.h"

namespace {

using kavrel::fuzz::check;

const std::string& workFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    dir += "/kavrel-fuzz-writer-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    return dir;
  }();
  return folder;
}

class QuietEvents final : public kavrel::TagWriterEvents {
 public:
  void fieldLeftOut(const std::string&, const std::string&) override {}
  void notice(const std::string&) override {}
  kavrel::Checkpoint checkpoint() override { return kavrel::Checkpoint::Continue; }
};

class MemorySink final : public kavrel::TagSink {
 public:
  bool put(const uint8_t* data, size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    return true;
  }
  std::vector<uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t choice = data[size - 1];
  const std::vector<uint8_t> bytes = kavrel::fuzz::withTagHeader(data, size - 1);
  kavrel::TagHeaderState header;
  if (!kavrel::parseTagHeader(bytes.data(), bytes.size(), 0, header)) return 0;

  // The writer copies unchanged fields from the loaded file.
  const std::string source = workFolder() + "/in.mp3";
  if (std::FILE* f = std::fopen(source.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  } else {
    return 0;
  }
  kavrel::TagFieldList list;
  kavrel::readId3v2Tag(kavrel::MemoryTagInput(bytes.data(), bytes.size()), source, header, list);

  // What the tag editor's version and flag boxes would have set.
  if ((choice & 3) != 3) header.majorVersion = uint8_t(2 + (choice & 3));
  header.outputUnsynchronisation = (choice & 4) != 0;
  header.footer = (choice & 8) != 0;
  kavrel::TagWriterSettings settings;
  settings.newTagFormat = 3;
  settings.dontWriteEmptyFields = (choice & 16) != 0;
  settings.removeErroneousFields = (choice & 32) != 0;
  settings.workFilePath = kavrel::tagWorkFilePath(workFolder());
  QuietEvents events;
  MemorySink sink;
  const kavrel::TagWriteOutcome outcome = kavrel::writeTag(header, list, settings, events, sink);
  check(!std::filesystem::exists(settings.workFilePath));
  check(outcome == kavrel::TagWriteOutcome::Written || outcome == kavrel::TagWriteOutcome::NoTag);
  if (outcome != kavrel::TagWriteOutcome::Written) {
    check(sink.bytes.empty());
    return 0;
  }

  // Audio follows a tag in a file; the reader may look past the tag's end.
  const size_t tagSize = sink.bytes.size();
  sink.bytes.insert(sink.bytes.end(), {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0, 0, 0, 0, 0});
  kavrel::TagHeaderState reread;
  check(kavrel::parseTagHeader(sink.bytes.data(), sink.bytes.size(), 0, reread));
  check(reread.size == int64_t(tagSize));
  kavrel::TagFieldList again;
  kavrel::readId3v2Tag(kavrel::MemoryTagInput(sink.bytes.data(), sink.bytes.size()), "out.mp3", reread, again);
  check(!reread.tagError);
  check(again.count() >= 1 && again.count() <= list.count());
  return 0;
}
