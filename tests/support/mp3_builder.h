// In-memory builder for mp3 byte streams used by the unit tests.
//
// This is a second, deliberately separate implementation of the MPEG-1
// Layer III frame layout: it shares no code with src/, so a fault in the
// core's header decoding or gain patching shows up as a test failure instead
// of being mirrored here.
//
// Builders throw std::invalid_argument for requests that cannot be laid out
// (a VBR tag that does not fit its frame, an ID3v2 frame id of the wrong
// length, ...); a test that asks for such bytes fails with the message.
#pragma once

#include <array>
#include <cstddef>
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
  bool crc = false;  // protection bit 0 and a real CRC-16 after the header
  int versionCode = 3;  // raw 2-bit version field (3 = MPEG-1)
  int layerCode = 1;    // raw 2-bit layer field (1 = Layer III)
  std::array<uint8_t, 4> gains{150, 150, 150, 150};  // g0..g3; mono uses g0, g1
  // Total byte length of the frame when the bitrate index is 0 or 15; 0 means
  // "just the header, CRC and side information".
  int freeFormatLength = 0;
  // Defaults give the common joint-stereo header FF FB 90 64 (mid/side on,
  // original bit set).
  uint8_t modeExtension = 2;
  uint8_t emphasis = 0;
  bool privateBit = false;
  bool copyright = false;
  bool original = true;
};

// Bit rate in kbit/s for a bitrate index (0 for 0, 15 and out-of-range values).
int bitrateKbps(int bitrateIndex);
// Sampling rate in Hz; the invalid index 3 (and anything else) gives 0.
int sampleRateHz(int sampleRateIndex);

// trunc(kbps * 144000 / rate) + padding. Free format (0), the bad index 15 and
// an invalid sampling-rate index give -1.
int frameLength(int bitrateIndex, int sampleRateIndex, bool padding);

// Side-information length: 32 bytes for the two-channel modes, 17 for mono.
int sideInfoLength(int channelMode);
// Offset just past the side information: 4 + (2 with CRC) + sideInfoLength.
int sideInfoEnd(const FrameSpec& spec);
// Byte length makeFrame() produces for this spec.
int builtFrameLength(const FrameSpec& spec);

// The four header bytes for a spec.
std::array<uint8_t, 4> makeHeader(const FrameSpec& spec);

// A complete frame: header, optional CRC, side information with the
// global_gain fields set and every other side-information and main-data bit 0
// (part2_3_length 0, so decoders produce silence without complaint).
std::vector<uint8_t> makeFrame(const FrameSpec& spec);

// Reads g0..g3 of the frame starting at `offset` by walking the side
// information field by field (mono: g2 = g3 = 0). Throws std::invalid_argument
// when the bytes there are too short to hold the header and side information.
std::array<uint8_t, 4> readGains(const std::vector<uint8_t>& bytes, size_t offset = 0);

// CRC-16 as MPEG audio uses it: polynomial 0x8005, initial value 0xFFFF.
uint16_t mpegCrc16(const uint8_t* data, size_t size);
// True when the frame at `offset` has a CRC and the stored value matches the
// one computed over header bytes 2-3 and the side information.
bool crcMatches(const std::vector<uint8_t>& bytes, size_t offset = 0);

enum class VbrKind { Xing, Info, Vbri };

// The four-character marker of a VBR tag kind ("Xing", "Info", "VBRI").
std::string vbrMarker(VbrKind kind);
// Offset the tag gets when no tagOffset is given: right after the side
// information for Xing/Info, always 36 for VBRI.
int standardVbrTagOffset(const FrameSpec& spec, VbrKind kind);

// A frame carrying a VBR tag. Xing/Info: marker, flags 0x00000007, frame
// count, byte count (big-endian) and a 100-byte linear table of contents.
// VBRI: marker, version 1, delay 0, quality 75, byte count, frame count and an
// empty table. The tag may overlap the side information when tagOffset says so.
std::vector<uint8_t> makeVbrTagFrame(FrameSpec spec, VbrKind kind, uint32_t frames,
                                     uint32_t bytes, int tagOffset = -1);

// Syncsafe 28-bit integer as 4 bytes of 7 bits each.
std::array<uint8_t, 4> syncsafe(uint32_t value);
std::vector<uint8_t> toBytes(const std::string& text);

// Fluent builder: each call appends one block in call order.
class Mp3Builder {
 public:
  Mp3Builder& frames(int count, const FrameSpec& spec = {});
  Mp3Builder& frame(const FrameSpec& spec);
  Mp3Builder& vbrTag(VbrKind kind, const FrameSpec& spec = {}, uint32_t frames = 0,
                     uint32_t bytes = 0);
  Mp3Builder& raw(std::vector<uint8_t> bytes);
  Mp3Builder& raw(const std::string& text);
  Mp3Builder& zeros(size_t n);

  // "ID3", version, flags, syncsafe size of body, body; with writeFooter a
  // "3DI" footer repeating the header fields follows (the size excludes both).
  Mp3Builder& id3v2(int major = 3, int revision = 0, uint8_t flags = 0,
                    std::vector<uint8_t> body = {}, bool writeFooter = false);
  // Text frames (encoding byte 0) in 2.2 layout (3-character ids, 3-byte
  // sizes), 2.3 (4-byte sizes) or 2.4 (syncsafe sizes), then `padding` zeros.
  Mp3Builder& id3v2Frames(int major,
                          const std::vector<std::pair<std::string, std::string>>& textFields,
                          size_t padding = 0);

  // RIFF/WAVE header with "data" at dataOffset followed by its 4-byte size;
  // the block is dataOffset + 8 bytes long. The RIFF and data sizes follow the
  // bytes appended later. withData=false writes a block of the same length
  // without any "data" chunk.
  Mp3Builder& riff(size_t dataOffset = 36, bool withData = true);

  Mp3Builder& lyrics3v1(const std::string& text);
  // "LYRICSBEGIN", the fields, a 6-digit size of the two, "LYRICS200".
  Mp3Builder& lyrics3v2(const std::string& fieldsText);

  // 128-byte ID3v1 tag; track -1 writes v1.0 (30-byte comment), 0..255 writes
  // v1.1 (28-byte comment, zero byte, track). Longer texts are cut.
  Mp3Builder& id3v1(const std::string& title, const std::string& artist = "",
                    const std::string& album = "", const std::string& year = "",
                    const std::string& comment = "", int track = -1, uint8_t genre = 255);

  size_t size() const { return data_.size(); }
  std::vector<uint8_t> bytes() const { return data_; }
  const std::vector<uint8_t>& data() const { return data_; }
  // Offsets of every frame added, VBR tag frames included.
  std::vector<size_t> frameOffsets() const { return frameOffsets_; }

 private:
  void append(const std::vector<uint8_t>& block);
  void appendFrame(const std::vector<uint8_t>& frame);
  void patchRiffSizes();

  struct RiffBlock {
    size_t start;
    size_t dataStart;  // SIZE_MAX when the block has no "data" chunk
  };

  std::vector<uint8_t> data_;
  std::vector<size_t> frameOffsets_;
  std::vector<RiffBlock> riffBlocks_;
};

}  // namespace kavrel::test
