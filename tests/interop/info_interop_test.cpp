// `kavrel --info` on lame's files against mp3val, ffprobe and mutagen.
#include <optional>

#include "interop.h"

namespace kavrel::test {
namespace {

std::optional<long> firstNumber(const std::string& text, const std::string& pattern) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(pattern))) return std::nullopt;
  return std::stol(m[1].str());
}

TEST(InfoInterop, LameFilesAsMp3valFfprobeAndMutagenSeeThem) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mp3val", "mutagen");
  const struct {
    std::string lame;
    std::string vbrTag;                 // the kind of lame's first frame, if it is a VBR tag frame
    std::vector<std::string> expected;  // "{v1}": where the ID3v1 tag starts, "{v2}": the ID3v2 tag size
  } rows[] = {
      {"-b 128 tone.wav", "Info", {"Info: 44.1 KHz, JOINT STEREO, 128 kbps, ", ">  128 kbps frames: "}},
      {"-b 128 -t high.wav", "", {"Info: 44.1 KHz, JOINT STEREO, 128 kbps, ", "  Audio frames at 0, "}},
      {"-V 2 high.wav", "Xing", {"Info: 44.1 KHz, JOINT STEREO, var.kbps, "}},
      {"-m m -b 64 high.wav", "Info", {"Info: 44.1 KHz, MONO, 64 kbps, "}},
      {"-m m -V 4 high.wav", "Xing", {"Info: 44.1 KHz, MONO, var.kbps, "}},
      {"--resample 48 -b 160 --nohist high.wav", "Info", {"Info: 48 KHz, JOINT STEREO, 160 kbps, "}},
      {"--resample 32 -b 96 -m s high.wav", "Info", {"Info: 32 KHz, STEREO, 96 kbps, "}},
      {"--resample 32 -V 5 -t high.wav", "", {"Info: 32 KHz, "}},
      {"-b 128 --tt Title --ta Artist --add-id3v2 high.wav",
       "Info",
       {"  ID3v2 tag at 0, {v2} bytes (version 2.3.0)\n  Audio frames at {v2}, ",
        "  ID3v1 tag at {v1}, 128 bytes\n"}},
      {"-V 3 --tt Title --id3v1-only high.wav", "Xing", {"  ID3v1 tag at {v1}, 128 bytes\n"}},
  };
  Kavrel k;
  int n = 0;
  for (const auto& row : rows) {
    const std::string path = encoded("info" + std::to_string(++n) + ".mp3", "lame --quiet " + row.lame);
    const auto r = k.run("--info " + shellQuote(path));
    ASSERT_EQ(r.exitCode, 0) << row.lame << ": " << r.output;
    const auto frames = firstNumber(r.output, R"(\nFrames: (\d+)\n)");
    ASSERT_TRUE(frames && *frames > 50) << row.lame << ": " << r.output;
    const long size = long(std::filesystem::file_size(path));
    EXPECT_EQ(firstNumber(r.output, R"(Size: (\d+) bytes)"), size) << row.lame;
    const auto val = runCommand("mp3val " + shellQuote(path)).output;
    EXPECT_EQ(firstNumber(val, R"((\d+) MPEG frames)"), frames) << row.lame << ": " << val;
    // ffprobe does not count a VBR tag frame as a packet.
    const auto packets = runCommand(
        "ffprobe -v error -count_packets -select_streams a -show_entries stream=nb_read_packets -of "
        "csv=p=0 " +
        shellQuote(path));
    EXPECT_EQ(firstNumber(packets.output, R"((\d+))"), *frames - (row.vbrTag.empty() ? 0 : 1)) << row.lame;
    // The statistics lines add up to the frame count.
    long sum = 0;
    const std::regex line(R"(kbps frames: (\d+))");
    for (auto it = std::sregex_iterator(r.output.begin(), r.output.end(), line); it != std::sregex_iterator();
         ++it)
      sum += std::stol((*it)[1].str());
    EXPECT_EQ(sum, *frames) << row.lame;
    const bool tagFrame = r.output.find("VBR tag frame: " + row.vbrTag + "\n") != std::string::npos;
    EXPECT_EQ(r.output.find("VBR tag frame: ") != std::string::npos, !row.vbrTag.empty()) << row.lame;
    EXPECT_TRUE(tagFrame || row.vbrTag.empty()) << row.lame << ": " << r.output;
    std::string all;  // the expected texts with their placeholders
    for (std::string expected : row.expected) {
      all += expected;
      expected = std::regex_replace(expected, std::regex("\\{v1\\}"), std::to_string(size - 128));
      if (expected.find("{v2}") != std::string::npos)
        expected = std::regex_replace(expected, std::regex("\\{v2\\}"),
                                      std::to_string(std::stol(tagsPy("size " + shellQuote(path)))));
      EXPECT_NE(r.output.find(expected), std::string::npos) << row.lame << ": " << expected << "\n"
                                                            << r.output;
    }
    EXPECT_EQ(r.output.find("ID3v1 tag at") != std::string::npos, all.find("{v1}") != std::string::npos);
    EXPECT_EQ(r.output.find("ID3v2 tag at") != std::string::npos, all.find("{v2}") != std::string::npos);
  }
}

TEST(InfoInterop, NonMp3FilesFailWithTheirMessage) {
  Kavrel k;
  writeFile(k.dir.file("notes.mp3"), std::vector<uint8_t>(2000, 'a'));
  writeFile(k.dir.file("tiny.mp3"), std::vector<uint8_t>(100, 0xFF));
  for (const auto& [name, message] : {std::pair{"notes.mp3", "Doesn't seem like a 32/44.1/48 KHz mp3 file."},
                                      {"tiny.mp3", "Can't process files smaller than 0.25 KB!"},
                                      {"missing.mp3", "Disk error"}}) {
    const auto r = k.run("--info " + shellQuote(k.dir.file(name)) + " 2>&1 >/dev/null");  // stderr alone
    EXPECT_EQ(r.exitCode, 1) << name;
    EXPECT_NE(r.output.find(message), std::string::npos) << name << ": " << r.output;
  }
}

}  // namespace
}  // namespace kavrel::test
