// libFuzzer target for the ID3v2 reader: the input is a tag (header and
// body, as at the start of a file, with anything after it standing for the
// audio), read straight from memory into a field list whose invariants are
// then checked. Inputs that do not start with a tag header are given one:
// byte 0 then picks the version and flags and the rest is the body.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_tag_input.h"
#include "tags/id3v2/reader.h"
#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/text_codec.h"

namespace {

using kavrel::fuzz::check;

void checkIndex(const kavrel::TagFieldList& list, const std::vector<int32_t>& index, kavrel::FieldKind kind,
                std::vector<int>& seen) {
  for (int32_t i : index) {
    check(i >= 0 && i < list.count());
    check(list.fields[size_t(i)].kind == kind);
    ++seen[size_t(i)];
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::vector<uint8_t> bytes = kavrel::fuzz::withTagHeader(data, size);
  kavrel::TagHeaderState header;
  if (!kavrel::parseTagHeader(bytes.data(), bytes.size(), 0, header)) return 0;
  kavrel::TagFieldList list;
  kavrel::readId3v2Tag(kavrel::MemoryTagInput(bytes.data(), bytes.size()), "fuzz.mp3", header, list);

  check(header.paddingSize >= 0 && header.paddingSize <= header.size);
  std::vector<int> seen(size_t(list.count()), 0);
  checkIndex(list, list.binaryIndex, kavrel::FieldKind::Binary, seen);
  checkIndex(list, list.textIndex, kavrel::FieldKind::Text, seen);
  checkIndex(list, list.mixedIndex, kavrel::FieldKind::Mixed, seen);
  checkIndex(list, list.pictureIndex, kavrel::FieldKind::Picture, seen);
  for (int32_t i = 0; i < list.count(); ++i) {
    const kavrel::TagField& f = list.fields[size_t(i)];
    check(seen[size_t(i)] == (f.kind == kavrel::FieldKind::Unknown ? 0 : 1));
    check(f.info.size() <= kavrel::kMaxInfoLength);
    check(f.tableRow < kavrel::kKnownFieldRows);
    check(f.headerPosition >= 10 && f.headerPosition < int64_t(bytes.size()));
    check(f.totalSize >= 0);
    if (f.kind == kavrel::FieldKind::Picture) check(f.description.size() <= 1024);
    check(f.source == 0);
    (void)kavrel::fieldDisplayName(f, header.majorVersion);
  }

  // The text decoder on the raw bytes, every encoding, from a few starts.
  for (int encoding = 0; encoding < 5; ++encoding) {
    for (size_t start : {size_t(0), size_t(1), bytes.size() / 2}) {
      const kavrel::DecodedText t = kavrel::decodeFieldText(encoding, bytes.data(), start, bytes.size());
      check(t.next >= start);
    }
  }
  std::vector<uint8_t> copy = bytes;
  check(kavrel::resync(copy.data(), copy.size()) <= copy.size());
  return 0;
}
