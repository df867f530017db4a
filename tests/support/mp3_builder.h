// In-memory mp3 byte streams for the tests: a second, separate layout of Layer III frames (MPEG-1, 2, 2.5) that shares
// no code with src/, so that a fault in the core's header decoding or gain patching fails a test instead of
// being mirrored here. Requests that cannot be laid out throw std::invalid_argument.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kavrel::test {

struct FrameSpec {
  int bitrateIndex = 9;     // 0 = free format, 1..14, 15 builds a bad frame
  int sampleRateIndex = 0;  // 0 44.1 kHz, 1 48 kHz, 2 32 kHz, 3 invalid
  int channelMode = 1;      // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  bool padding = false;
  bool crc = false;                                  // protection bit 0 and a real CRC-16 after the header
  int versionCode = 3;                               // raw 2-bit version field (3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5)
  int layerCode = 1;                                 // raw 2-bit layer field (1 = Layer III)
  std::array<uint8_t, 4> gains{150, 150, 150, 150};  // g0..g3; MPEG-1 mono and MPEG-2 stereo g0, g1, MPEG-2 mono g0
  // Total length of a frame of bitrate index 0 or 15; 0 means just the header, CRC and side information.
  int freeFormatLength = 0;
  // The defaults give FF FB 90 64 (mid/side on, original bit set).
  uint8_t modeExtension = 2;
  uint8_t emphasis = 0;
  bool copyright = false;
  bool original = true;
};

// trunc(kbps * 144000 / rate) + padding (72000 at the MPEG-2/2.5 rates); -1 for free format, the bad index
// 15 and the invalid rate.
int frameLength(int bitrateIndex, int sampleRateIndex, bool padding, int versionCode = 3);
std::array<uint8_t, 4> makeHeader(const FrameSpec& spec);
// Header, CRC, side information with the global_gain fields set and every
// other bit 0 (part2_3_length 0: decoders play silence without complaint).
std::vector<uint8_t> makeFrame(const FrameSpec& spec);
// g0..g3 of the frame at `offset` (mono: g2 = g3 = 0).
std::array<uint8_t, 4> readGains(const std::vector<uint8_t>& bytes, size_t offset = 0);

enum class VbrKind { Xing, Info, Vbri };
std::string vbrMarker(VbrKind kind);  // "Xing", "Info", "VBRI"
// A frame with a VBR tag at `tagOffset` (default: after the side information,
// 36 for VBRI). Xing/Info: flags 7, frames, bytes and a linear 100-byte table;
// VBRI: version 1, delay 0, quality 75, bytes, frames and an empty table.
std::vector<uint8_t> makeVbrTagFrame(FrameSpec spec, VbrKind kind, uint32_t frames, uint32_t bytes,
                                     int tagOffset = -1);
std::vector<uint8_t> toBytes(const std::string& text);

// Each call appends one block.
class Mp3Builder {
 public:
  Mp3Builder& frames(int count, const FrameSpec& spec = {});
  Mp3Builder& frame(const FrameSpec& spec) { return frames(1, spec); }
  Mp3Builder& vbrTag(VbrKind kind, const FrameSpec& spec = {}, uint32_t frames = 0, uint32_t bytes = 0);
  Mp3Builder& raw(const std::vector<uint8_t>& bytes);
  Mp3Builder& raw(const std::string& text) { return raw(toBytes(text)); }
  Mp3Builder& zeros(size_t n) { return raw(std::vector<uint8_t>(n, 0)); }
  // "ID3", version, flags, syncsafe body size, body; with writeFooter a "3DI"
  // footer repeating the header fields.
  Mp3Builder& id3v2(int major = 3, int revision = 0, uint8_t flags = 0, std::vector<uint8_t> body = {},
                    bool writeFooter = false);
  // Latin-1 text fields in the 2.2 (3-character ids, 3-byte sizes), 2.3 or 2.4
  // (syncsafe sizes) layout, then `padding` zeros.
  Mp3Builder& id3v2Frames(int major, const std::vector<std::pair<std::string, std::string>>& textFields,
                          size_t padding = 0);
  // RIFF/WAVE header of dataOffset + 8 bytes ending in "data" and its size
  // (or, without data, a "fact" chunk); the sizes follow what is appended later.
  Mp3Builder& riff(size_t dataOffset = 36, bool withData = true);
  Mp3Builder& lyrics3v1(const std::string& text) { return raw("LYRICSBEGIN" + text + "LYRICSEND"); }
  // "LYRICSBEGIN", the fields, the 6-digit size of the two, "LYRICS200".
  Mp3Builder& lyrics3v2(const std::string& fieldsText);
  // 128-byte ID3v1 tag: track -1 writes v1.0 (30-byte comment), 0..255 v1.1. Longer texts are cut.
  Mp3Builder& id3v1(const std::string& title, const std::string& artist = "", const std::string& album = "",
                    const std::string& year = "", const std::string& comment = "", int track = -1,
                    uint8_t genre = 255);
  size_t size() const { return data_.size(); }
  std::vector<uint8_t> bytes() const { return data_; }
  const std::vector<uint8_t>& data() const { return data_; }
  std::vector<size_t> frameOffsets() const { return frameOffsets_; }  // VBR tag frames included

 private:
  std::vector<uint8_t> data_;
  std::vector<size_t> frameOffsets_;
  std::vector<std::pair<size_t, size_t>> riffBlocks_;  // start, start of "data" (0: none)
};

}  // namespace kavrel::test
