#pragma once
// Decoding the document's frames for measurement only (nothing decoded is
// ever written). Frames are fed one at a time to libmpg123 in feed mode;
// the output of each frame is handed on with the document index it came
// from. A range that starts inside the document is decoded from a few
// frames earlier, so that the bit reservoir and the overlap of its first
// frame are there; those frames are decoded and dropped.

#include <cstdint>
#include <functional>
#include <string>

#include "base/checkpoint.h"
#include "document/document.h"
#include "editing/positions.h"

namespace kavrel {

// One decoded frame: `sampleFrames` samples per channel, interleaved floats
// (full scale 1.0). Rate and channels come from the decoder, never from our
// header tables.
struct DecodedFrame {
  int32_t index = 0;
  const float* samples = nullptr;
  int32_t sampleFrames = 0;
  int channels = 0;
  long rate = 0;
};

enum class DecodeOutcome { Done, Cancelled, WindowClosing, Failed };

struct DecodeResult {
  DecodeOutcome outcome = DecodeOutcome::Failed;
  std::string message;  // a failure's text
  int32_t decodedFrames = 0;
};

// Called with the progress of the range as 0..56 blocks every few hundred
// frames; Cancel or CloseWindow stop the decode.
using DecodeCheckpoint = std::function<Checkpoint(int blocks)>;
using FrameSink = std::function<void(const DecodedFrame&)>;

// The first document frame decoded for a range starting at `start`: far
// enough back that the 511 bytes the first frame may borrow and one frame of
// overlap precede it.
int32_t prerollStart(const Document& doc, int32_t start);

// Decodes frames [span.start, span.end) of the document as it is now and
// hands each frame's samples to `sink` in order. Frames that carry a VBR
// header are skipped (they hold no audio); frames the decoder cannot make
// sense of are skipped too.
DecodeResult decodeDocument(const Document& doc, Span span, const FrameSink& sink,
                            const DecodeCheckpoint& checkpoint);

}  // namespace kavrel
