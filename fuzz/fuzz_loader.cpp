// libFuzzer target for the loader: the input becomes a file on disk and goes
// through Editor exactly as an opened file does (load, then insert the same
// file into itself), after which the document's invariants are checked.
//
// Input layout: byte 0 is a control byte, the rest is the file.
//   bits 0-1  how recoverable problems are answered: 0 Fail, 1 Prompt (the
//             host takes the default answer, Yes), 2 TryToContinue, 3 the
//             silent script mode that `kavrel --info` uses
//   bits 2-7  where the insert goes, as a fraction 0..63/63 of the document
// To replay an input by hand: tail -c +2 INPUT > x.mp3 && kavrel --info x.mp3

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include "app/editor.h"
#include "app/headless_host.h"
#include "document/statistics.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

const std::string& inputPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    p += "/kavrel-fuzz-loader-" + std::to_string(::getpid()) + ".mp3";
    return p;
  }();
  return path;
}

bool writeInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(inputPath().c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

bool inside(int64_t pos, int64_t size, int64_t fileSize) {
  return pos >= 0 && size >= 0 && pos + size <= fileSize;
}

// What must hold for any document the loader accepted.
void checkDocument(const kavrel::Document& doc) {
  const kavrel::FrameTable& table = doc.frameTable;
  const int64_t fileSize = doc.sourceFileSize;
  check(table.count() > 0);
  check(doc.documentFrameCount() > 0);
  check(doc.gainList.size() == doc.frameList.size());
  for (int32_t e : doc.frameList) check(e >= 0 && e < table.count());
  for (int32_t k = 0; k < table.count(); ++k) {
    const kavrel::FrameInfo& f = table[k];
    // Every source is the same file here, so one size bounds them all.
    check(inside(f.filePosition, f.storedLength, fileSize));
    check(f.sourceIndex <= doc.insertedFileCount);
  }
  const kavrel::FileLayout& l = doc.layout;
  check(inside(l.audioSearchStart, 0, fileSize));
  check(table[0].filePosition >= l.audioSearchStart);
  if (l.riffFound) check(inside(l.riffPos, l.riffSize, fileSize));
  if (l.id3v2Found) check(inside(doc.tagHeader.startOffset, doc.tagHeader.size, fileSize));
  if (l.unknownHeaderFound) check(inside(l.audioSearchStart, l.unknownHeaderSize, fileSize));
  if (l.unknownFooterFound) check(inside(l.unknownFooterPos, l.unknownFooterSize, fileSize));
  if (l.apeFound) check(inside(l.apePos, l.apeSize, fileSize) && l.apeSize >= 32);
  if (l.lyrics3Found) check(inside(l.lyrics3Pos, l.lyrics3Size, fileSize));
  if (l.id3v1Found) check(inside(l.id3v1Pos, l.id3v1Size, fileSize));
}

void touchStatistics(kavrel::Editor& editor) {
  const kavrel::Document& doc = editor.document();
  const kavrel::StatisticsList list = editor.statisticsList();
  check(list.selected >= 0 && list.selected < 15 && list.top >= 0 && list.top < 15);
  const int32_t n = doc.documentFrameCount();
  for (int32_t i : {int32_t(0), n / 2, n - 1}) check(kavrel::frameInfoBox(doc, i).has_value());
  check(!kavrel::frameInfoBox(doc, n).has_value());
  check(!kavrel::frameInfoBox(doc, -1).has_value());
  editor.showFrameInfo(n - 1);
  editor.viewApe();
}

void runOne(const uint8_t* data, size_t size) {
  const uint8_t control = data[0];
  if (!writeInput(data + 1, size - 1)) return;

  // One editor for the whole run, as the program keeps one for its session;
  // every load starts by unloading what the previous input left.
  // Every question takes its default answer; the texts go nowhere.
  static std::ostream discard(nullptr);
  static kavrel::HeadlessHost host(discard);
  static kavrel::Editor editor(host);
  editor.scriptRunning = false;
  editor.silentMode = false;
  editor.options() = kavrel::Options{};
  switch (control & 3) {
    case 0: editor.options().processingErrorPolicy = kavrel::ProcessingErrorPolicy::Fail; break;
    case 1: editor.options().processingErrorPolicy = kavrel::ProcessingErrorPolicy::Prompt; break;
    case 2: editor.options().processingErrorPolicy = kavrel::ProcessingErrorPolicy::TryToContinue; break;
    default:
      editor.scriptRunning = true;
      editor.silentMode = true;
      break;
  }

  if (!editor.loadFile(inputPath())) {
    check(editor.document().frameTable.count() == 0);
    check(editor.document().documentFrameCount() == 0);
    return;
  }
  checkDocument(editor.document());
  touchStatistics(editor);

  const int32_t before = editor.document().documentFrameCount();
  const int32_t at = int32_t(int64_t(before) * (control >> 2) / 63);
  const int status = editor.insertFileAt(inputPath(), at);
  const int32_t after = editor.document().documentFrameCount();
  if (status == 0) {
    check(after > before);
    check(editor.document().insertedFileCount == 1);
  } else {
    check(after == before);
  }
  checkDocument(editor.document());
  touchStatistics(editor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  runOne(data, size);
  // libFuzzer leaves without running atexit handlers: never leave the file behind.
  ::unlink(inputPath().c_str());
  return 0;
}
