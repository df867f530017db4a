// libFuzzer target for the script engine: the input is a script, run line by
// line against a loaded document exactly as a silent run does, after which
// the document's invariants are checked.
//
// The run happens in a private folder, and lines that name another folder
// (any "/" or "\") are left out, so the file commands (SAVEAS, SPLIT,
// SAVESELECTION, LOAD, INSERT, ID3V2.PICTURE, PLAY*) only ever touch files
// of their own making.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/editor.h"
#include "app/headless_host.h"
#include "script/line_processor.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// A frame of the given bitrate index at 44.1 kHz, joint stereo, silent.
void appendFrame(std::vector<uint8_t>& out, int bitrateIndex) {
  static constexpr int kKbps[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  const size_t length = size_t(kKbps[bitrateIndex]) * 144000 / 44100;
  const size_t start = out.size();
  out.resize(start + length, 0);
  out[start] = 0xFF;
  out[start + 1] = 0xFB;
  out[start + 2] = uint8_t(bitrateIndex << 4);
  out[start + 3] = 0x64;
}

// One 2.3 field: code, big-endian size, no flags, content.
void appendTagField(std::vector<uint8_t>& out, const char* code, const std::string& content) {
  out.insert(out.end(), code, code + 4);
  const uint32_t n = uint32_t(content.size());
  out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0});
  out.insert(out.end(), content.begin(), content.end());
}

// The document every input starts from: an ID3v2.3 tag (so saves copy and
// convert fields) and 300 frames of two bitrates (so saves write a Xing
// frame). Rewritten for every input, since a script may save over it.
void writeDocument(const std::string& path) {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> body;
    appendTagField(body, "TIT2", std::string("\0Title", 6));
    appendTagField(body, "COMM", std::string("\0engdesc\0text", 13));
    appendTagField(body, "APIC", std::string("\0image/png\0\3\0\x89PNG\xFF\xE0", 19));
    body.resize(body.size() + 32, 0);  // padding
    const uint32_t n = uint32_t(body.size());
    std::vector<uint8_t> b = {'I', 'D', '3', 3, 0, 0, uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F),
                              uint8_t((n >> 7) & 0x7F), uint8_t(n & 0x7F)};
    b.insert(b.end(), body.begin(), body.end());
    for (int i = 0; i < 300; ++i) appendFrame(b, i % 50 < 40 ? 9 : 10);
    return b;
  }();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// A folder of our own, made the current one so that relative names land there.
const std::string& workFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    dir += "/kavrel-fuzz-script-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    if (::chdir(dir.c_str()) != 0) std::abort();
    // PLAY* lines hand their files to a program that does nothing.
    ::setenv("KAVREL_PLAYER", "true", 1);
    ::setenv("KAVREL_ENQUEUE", "true", 1);
    return dir;
  }();
  return folder;
}

void checkDocument(const kavrel::Editor& editor) {
  const kavrel::Document& doc = editor.document();
  const int32_t n = doc.documentFrameCount();
  check(doc.gainList.size() == doc.frameList.size());
  check(editor.selection[0] >= 0 && editor.selection[0] <= n);
  check(editor.selection[1] >= 0 && editor.selection[1] <= n);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t e = doc.frameList[size_t(i)];
    check(e < doc.frameTable.count());
    const kavrel::GainPair g = doc.gainList[size_t(i)];
    if (e >= 0) check(g.left >= -255 && g.left <= 255 && g.right >= -255 && g.right <= 255);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = workFolder();
  static std::ostream discard(nullptr);
  static kavrel::HeadlessHost host(discard);
  static kavrel::Editor editor(host);
  static kavrel::ScriptEngine engine(editor);

  editor.dataFolder = folder;  // preview, selection and tag work files stay here
  editor.scriptRunning = true;
  editor.silentMode = true;
  engine.lineErrorHandler = [](const std::string&) { return false; };  // ignore errors, go on
  engine.today = [] { return kavrel::ScriptDate{2026, 12, 6}; };
  engine.startRun();
  writeDocument(folder + "/a.mp3");
  editor.loadFile(folder + "/a.mp3");

  const std::string_view script(reinterpret_cast<const char*>(data), size);
  size_t lines = 0;
  for (size_t start = 0; start <= script.size() && lines < 64; ++lines) {
    size_t end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    const std::string_view line = script.substr(start, end - start);
    start = end + 1;
    if (line.find_first_of("/\\") != std::string_view::npos) continue;
    if (engine.processLine(line)) break;
    checkDocument(editor);
  }
  // Whatever the script wrote goes with the input.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().filename() != "a.mp3") std::filesystem::remove_all(entry.path(), ec);
  return 0;
}
