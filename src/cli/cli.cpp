#include "cli/cli.h"

#include <cstdio>
#include <algorithm>
#include <optional>
#include <sstream>

#include "app/editor.h"
#include "app/headless_host.h"
#include "app/shell.h"
#include "app/shell_messages.h"
#include "base/file_io.h"
#include "base/text_codec.h"
#include "base/time_text.h"
#include "script/runner.h"
#include "tags/ape_tag.h"
#include "tags/id3v2/known_fields.h"

namespace kavrel {

namespace {

constexpr const char* kUsage =
    "Usage: kavrel [FILE]            open FILE in the editor\n"
    "       kavrel --info FILE       print the layout, frame count and statistics of FILE\n"
    "       kavrel --info --loudness FILE\n"
    "                                the same and the loudness of the audio (EBU R 128)\n"
    "       kavrel --script=SCRIPT   run SCRIPT silently, append to the log (~/kavrel.log unless\n"
    "                                configured otherwise) and exit\n"
    "       kavrel --help | --version\n"
    "\n"
    "Exit status: 0 done (a script ran to its end), 1 the file could not be loaded or a failed\n"
    "line stopped the script, 2 the command line was not understood, 3 the script is missing or\n"
    "unreadable.\n"
    "Environment: KAVREL_HOME (the data folder: kavrel.ini, work files), KAVREL_PLAYER and\n"
    "KAVREL_ENQUEUE (the commands that play and enqueue a file).\n"
    "The manual and the script tutorial open from the Help menu; see also kavrel(1).\n";

void block(std::ostream& out, const char* name, int64_t pos, int64_t size, const std::string& extra = "") {
  out << "  " << name << " at " << pos << ", " << size << " bytes" << extra << '\n';
}

// Tag text on one line; line breaks in it show as " / ".
std::string oneLine(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += " / ";
      ++i;
    } else {
      out += text[i];
    }
  }
  return codePageToUtf8(out);
}

void printId3v2Fields(const Document& doc, std::ostream& out) {
  const TagHeaderState& t = doc.tagHeader;
  const int headerLength = t.majorVersion == 2 ? 6 : 10;
  out << "ID3v2 fields (" << doc.tagFields.count() << ", padding " << t.paddingSize << " bytes"
      << (t.tagError ? ", reading stopped on an error" : "") << "):\n";
  for (const TagField& f : doc.tagFields.fields) {
    const bool extended = f.tableRow == kExtendedHeaderRow;
    out << "  " << oneLine(fieldDisplayName(f, t.majorVersion)) << ", "
        << (extended ? f.totalSize : f.totalSize - headerLength) << " bytes";
    switch (f.kind) {
      case FieldKind::Text:
        out << ": ";
        if (!f.language.empty()) out << "[" << oneLine(f.language) << "] ";
        if (f.layout & text_layout::kDescription) out << "\"" << oneLine(f.description) << "\" ";
        out << "\"" << oneLine(f.content) << "\"";
        break;
      case FieldKind::Picture:
        out << ": " << oneLine(f.content) << ", " << pictureTypeName(f.layout) << ", \""
            << oneLine(f.description) << "\"";
        break;
      default: break;
    }
    if (f.status & field_status::kBadEncoding) out << " (unknown text encoding " << int(f.encoding) << ")";
    if (f.status & field_status::kNoLanguage) out << " (no language)";
    out << '\n';
  }
}

// The APE tag's items, read again from the loaded file.
void printApeItems(const Document& doc, const std::string& name, std::ostream& out) {
  const FileLayout& l = doc.layout;
  std::string tag(size_t(l.apeSize), '\0');
  ReadFile file(doc.loadPath);
  ApeItems items;
  std::optional<ApeFrame> footer;
  if (file.isOpen() && file.readAt(l.apePos, tag.data(), tag.size()) == l.apeSize)
    footer = readApeFrame(std::string_view(tag).substr(tag.size() - size_t(kApeFrameSize)));
  if (footer) {
    const size_t header = l.apeHeader ? size_t(kApeFrameSize) : 0;
    items = parseApeItems(std::string_view(tag).substr(header, tag.size() - header - size_t(kApeFrameSize)),
                          footer->itemCount);
  }
  out << name << " items (" << items.items.size() << (items.complete ? "" : ", reading stopped on an error")
      << "):\n";
  for (const ApeItem& item : items.items) out << "  " << apeItemLine(item) << '\n';
}

std::string countOf(uint32_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

int printFileInfo(const std::string& path, std::ostream& out, std::ostream& err, bool loudness) {
  std::ostringstream messages;
  HeadlessHost host(messages);
  Editor editor(host);
  editor.dataFolder = discoverDataFolder();
  // Report problems the way a silent run would see them, never stop to ask.
  editor.scriptRunning = true;
  editor.silentMode = true;
  if (!editor.loadFile(path)) {
    err << "kavrel: Error processing file: " << toTerminalText(editor.lineError) << '\n';
    return 1;
  }
  editor.scriptRunning = false;
  const Document& doc = editor.document();
  const FileLayout& l = doc.layout;
  out << "File: " << path << '\n';
  out << "Size: " << doc.sourceFileSize << " bytes\n";
  out << "Layout:\n";
  if (l.riffFound) block(out, "RIFF header", l.riffPos, l.riffSize);
  if (l.id3v2Found) {
    const TagHeaderState& t = doc.tagHeader;
    block(out, "ID3v2 tag", t.startOffset, t.size,
          " (version 2." + std::to_string(t.majorVersion) + "." + std::to_string(t.revision) +
              (t.footer ? ", footer" : "") + (t.unsynchronisation ? ", unsynchronised" : "") + ")");
  }
  if (l.unknownHeaderFound) block(out, "Unknown header", l.audioSearchStart, l.unknownHeaderSize);
  const FrameInfo& first = doc.frameTable[0];
  const FrameInfo& last = doc.frameTable[doc.frameTable.count() - 1];
  block(out, "Audio frames", first.filePosition,
        int64_t(last.filePosition) + last.storedLength - first.filePosition);
  // The blocks after the audio in their file order.
  const std::string apeName = l.apeVersion == kApeVersion2 ? "APEv2" : "APEv1";
  std::vector<std::pair<int64_t, std::string>> tail;
  auto add = [&](bool found, const std::string& name, int64_t pos, int64_t size, const std::string& extra = "") {
    if (!found) return;
    std::ostringstream line;
    block(line, name.c_str(), pos, size, extra);
    tail.emplace_back(pos, line.str());
  };
  add(l.unknownFooterFound, "Unknown footer", l.unknownFooterPos, l.unknownFooterSize);
  add(l.apeFound, apeName + " tag", l.apePos, l.apeSize,
      " (version " + std::to_string(l.apeVersion) + ", " + countOf(l.apeItemCount, "item") +
          (l.apeHeader ? ", header" : "") + ")");
  add(l.lyrics3Found, l.lyrics3Version == 2 ? "Lyrics3 v2 block" : "Lyrics3 v1 block", l.lyrics3Pos,
      l.lyrics3Size);
  add(l.id3v1Found, "ID3v1 tag", l.id3v1Pos, l.id3v1Size);
  std::stable_sort(tail.begin(), tail.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& line : tail) out << line.second;
  out << "Frames: " << doc.documentFrameCount() << '\n';
  out << "Format: " << mpegVersionText(doc.mpegVersion) << " Layer III, " << samplesPerFrame(doc.mpegVersion)
      << " samples a frame\n";
  if (first.vbrHeaderKind != kVbrNone) {
    static constexpr const char* kKinds[] = {"", "Xing", "Info", "VBRI", "FBRI"};
    out << "VBR tag frame: " << kKinds[first.vbrHeaderKind] << '\n';
  }
  out << "Info: " << editor.labInfoInput << '\n';
  const StatisticsList list = editor.statisticsList();
  out << "Statistics (selected line " << list.selected << ", top line " << list.top << "):\n";
  for (int i = 0; i < 15; ++i) out << (i == list.selected ? "> " : "  ") << list.lines[size_t(i)] << '\n';
  if (l.id3v1Found) {
    const Id3v1Record& r = doc.id3v1Record;
    out << "ID3v1 tag (version " << (r.isVersion11() ? "1.1" : "1.0") << "):\n";
    out << "  Title: " << codePageToUtf8(r.text(Id3v1Field::Title)) << '\n';
    out << "  Artist: " << codePageToUtf8(r.text(Id3v1Field::Artist)) << '\n';
    out << "  Album: " << codePageToUtf8(r.text(Id3v1Field::Album)) << '\n';
    out << "  Year: " << codePageToUtf8(r.text(Id3v1Field::Year)) << '\n';
    out << "  Comment: " << codePageToUtf8(r.text(Id3v1Field::Comment)) << '\n';
    if (r.isVersion11()) out << "  Track: " << r.track() << '\n';
    out << "  Genre: " << genreDisplayText(r.genre()) << '\n';
  }
  if (l.id3v2Found) printId3v2Fields(doc, out);
  if (l.apeFound) printApeItems(doc, apeName, out);
  if (loudness) {
    editor.scriptRunning = true;
    if (!editor.measureLoudness(Sender::ScriptMarker, Span{0, doc.documentFrameCount()}) &&
        editor.outcome<AudioOutcome>() != AudioOutcome::Silent) {
      err << "kavrel: Error measuring the loudness: " << toTerminalText(editor.lineError) << '\n';
      return 1;
    }
    const Loudness& l = editor.lastLoudness;
    char line[160];
    out << "Loudness:\n";
    out << "  Integrated: " << loudnessText(l.measured ? l.integrated : kSilentLoudness) << '\n';
    std::snprintf(line, sizeof line, "  Range: %.1f LU\n", l.range);
    out << line;
    out << "  True peak: " << peakText(l.truePeak) << " dBTP\n";
    out << "  Sample peak: " << peakText(l.samplePeak) << " dBFS\n";
    out << "  Measured: " << formatTime(3, l.seconds) << '\n';
  }
  if (!messages.str().empty()) out << "Notes:\n" << messages.str();
  return 0;
}

int runScriptSilently(const std::string& path, std::ostream& err) {
  // Messages an operation would still show go to stderr; the run itself
  // reports into the log.
  HeadlessHost host(err);
  Editor editor(host);
  // A silent run is a copy of the program like any other: it counts as
  // running for copies that start meanwhile, and it leaves the work files
  // of a copy that was already running alone.
  InstanceRegistry registry;
  const StartupState start = startProgram(editor, registry);
  if (start.notice == StartupNotice::WorkingFolderUnknown) {
    err << "kavrel: " << msg::kWorkingFolderUnknown << '\n';
    return 3;
  }
  // Nobody is there to read a box; the run goes on with the defaults.
  if (start.notice == StartupNotice::ConfigurationReset)
    err << "kavrel: " << toTerminalText(msg::kConfigurationReset) << '\n';
  ScriptRunner runner(editor);
  const RunResult result = runner.runSilent(path);
  // The program ends here, and its settings are stored as at every end.
  editor.saveConfiguration();
  switch (result) {
    case RunResult::Completed: return 0;
    case RunResult::Stopped:
      err << "kavrel: the script stopped at a failed line; see " << runner.logPath() << '\n';
      return 1;
    case RunResult::ScriptMissing: err << "kavrel: script not found: " << path << '\n'; return 3;
    case RunResult::ReadError: err << "kavrel: the script could not be read: " << path << '\n'; return 3;
  }
  return 1;
}

std::optional<int> runCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err) {
  if (args.empty()) return std::nullopt;
  const std::string& a = args[0];
  if (a == "--help" || a == "-h") {
    out << kUsage;
    return 0;
  }
  if (a == "--version") {
    out << "kavrel 0.1.0\n";
    return 0;
  }
  if (a == "--info") {
    const bool loudness = args.size() == 3 && args[1] == "--loudness";
    if (args.size() != 2 && !loudness) {
      err << kUsage;
      return 2;
    }
    return printFileInfo(args.back(), out, err, loudness);
  }
  if (a.rfind("--info=", 0) == 0) return printFileInfo(a.substr(7), out, err);
  if (a.rfind("--script=", 0) == 0) {
    if (a.size() == 9) {
      err << kUsage;
      return 2;
    }
    return runScriptSilently(a.substr(9), err);
  }
  if (a == "--script") {
    if (args.size() != 2) {
      err << kUsage;
      return 2;
    }
    return runScriptSilently(args[1], err);
  }
  if (a.rfind("--", 0) == 0) {
    err << "kavrel: unknown option " << a << '\n' << kUsage;
    return 2;
  }
  return std::nullopt;
}

}  // namespace kavrel
