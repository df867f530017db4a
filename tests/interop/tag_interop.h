// Shared by the ID3v2 interop tests: an editor to load and save with, plain
// files to tag, and mutagen (Debian's python3-mutagen, which belongs to
// /usr/bin/python3, not to a python3 that may come first on the PATH).
#pragma once

#include <optional>
#include <string>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {

inline constexpr const char* kPython = "/usr/bin/python3";

inline bool mutagenAvailable() {
  static const bool ok = runCommand(std::string(kPython) + " -c 'import mutagen.id3'").exitCode == 0;
  return ok;
}

// Runs a Python script with one argument; its output is UTF-8.
inline CommandResult python(const std::string& script, const std::string& arg) {
  return runCommand("PYTHONIOENCODING=utf-8 " + std::string(kPython) + " -c " + shellQuote(script) + " " +
                    shellQuote(arg));
}

// Python lines for the end of a tag-making script with `path` and `mode`
// ("3", "4", "3u", "4u", "4p") set: the "u" modes unsynchronise the tag
// mutagen saved, a 2.3 body as one stream, 2.4 fields one by one with their
// flag; "4p" gives its 2.4 fields plain big-endian sizes, as some writers do.
inline constexpr const char* kReshapeSavedTag = R"PY(
if mode.endswith('p'):
    d = bytearray(open(path, 'rb').read())
    end = 10 + ((d[6] << 21) | (d[7] << 14) | (d[8] << 7) | d[9])
    p = 10
    while p + 10 <= end and d[p] != 0:
        n = (d[p+4] << 21) | (d[p+5] << 14) | (d[p+6] << 7) | d[p+7]
        d[p+4:p+8] = n.to_bytes(4, 'big')
        p += 10 + n
    open(path, 'wb').write(bytes(d))
if mode.endswith('u'):
    d = open(path, 'rb').read()
    size = (d[6] << 21) | (d[7] << 14) | (d[8] << 7) | d[9]
    body, rest = d[10:10 + size], d[10 + size:]
    if v == 3:
        body = unsynch.encode(body)
    else:
        out, p = b'', 0
        while p + 10 <= len(body) and body[p] != 0:
            n = (body[p+4] << 21) | (body[p+5] << 14) | (body[p+6] << 7) | body[p+7]
            content = unsynch.encode(body[p+10:p+10+n])
            m = len(content)
            out += body[p:p+4] + bytes([(m >> 21) & 127, (m >> 14) & 127, (m >> 7) & 127, m & 127])
            out += bytes([body[p+8], body[p+9] | 2]) + content
            p += 10 + n
        body = out + body[p:]
    s = len(body)
    head = d[:5] + bytes([d[5] | 0x80, (s >> 21) & 127, (s >> 14) & 127, (s >> 7) & 127, s & 127])
    open(path, 'wb').write(head + body + rest)
)PY";

struct Session {
  RecordingHost host;
  Editor editor{host};
  Document& doc() { return editor.document(); }
};

// 40 untagged frames.
inline std::string plainMp3(const TempDir& dir, const std::string& name) {
  Mp3Builder b;
  b.frames(40);
  const std::string path = dir.file(name);
  writeFile(path, b.bytes());
  return path;
}

// The first field with this code in the tag's version, or nullptr.
inline const TagField* findField(const Document& doc, const std::string& code) {
  for (const TagField& f : doc.tagFields.fields)
    if (f.code(doc.tagHeader.majorVersion) == code) return &f;
  return nullptr;
}

// That field's decoded text; nothing when the tag has no such field.
inline std::optional<std::string> contentOf(const Document& doc, const std::string& code) {
  const TagField* f = findField(doc, code);
  if (f == nullptr) return std::nullopt;
  return f->content;
}

}  // namespace kavrel::test
