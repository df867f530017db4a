#include "audio/decoder.h"

#include <mpg123.h>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/frame_reader.h"
#include "document/save_writer.h"

namespace kavrel {

namespace {

constexpr int64_t kReservoirBytes = 511;
constexpr int32_t kCheckpointEvery = 256;

struct HandleDeleter {
  void operator()(mpg123_handle* h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

Handle openDecoder(std::string& message) {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
  int err = MPG123_OK;
  Handle h(mpg123_new(nullptr, &err));
  if (!h) {
    message = std::string("The decoder could not start: ") + mpg123_plain_strerror(err);
    return nullptr;
  }
  // All of every frame, as floats, at whatever rate and channel count each
  // frame has; no gapless trimming, no messages on stderr.
  mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT | MPG123_IGNORE_INFOFRAME, 0);
  mpg123_param(h.get(), MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_format_none(h.get());
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t k = 0; k < count; ++k)
    mpg123_format(h.get(), rates[k], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  if (mpg123_open_feed(h.get()) != MPG123_OK) {
    message = std::string("The decoder could not start: ") + mpg123_strerror(h.get());
    return nullptr;
  }
  return h;
}

}  // namespace

int32_t prerollStart(const Document& doc, int32_t start) {
  int64_t bytes = 0;
  int32_t i = start;
  // One frame of overlap, then as many as hold the reservoir.
  int32_t frames = 0;
  while (i > 0 && (frames < 1 || bytes < kReservoirBytes)) {
    --i;
    ++frames;
    const int32_t entry = doc.frameList[size_t(i)];
    if (entry >= 0 && frames > 1) bytes += copiedFrameLength(doc.frameTable[entry].storedLength);
  }
  return i;
}

DecodeResult decodeDocument(const Document& doc, Span span, const FrameSink& sink,
                            const DecodeCheckpoint& checkpoint) {
  DecodeResult result;
  span = orderedSpan(span.start, span.end, doc.documentFrameCount());
  Handle h = openDecoder(result.message);
  if (!h) return result;
  DocumentFrameReader reader(doc);
  std::vector<uint8_t> bytes;
  // Document indices of the frames fed and not yet decoded; mpg123 numbers
  // the frames it decodes from 0 in the order they were fed.
  std::deque<int32_t> pending;
  off_t firstPending = 0;
  long rate = 0;
  int channels = 0;
  const int32_t first = prerollStart(doc, span.start);
  const int32_t total = span.end - first;

  auto drain = [&]() -> bool {
    // A decoder stuck on an error it cannot get past waits for more input.
    for (int errors = 0;;) {
      off_t num = 0;
      unsigned char* audio = nullptr;
      size_t size = 0;
      const int rc = mpg123_decode_frame(h.get(), &num, &audio, &size);
      if (rc == MPG123_NEW_FORMAT) {
        int encoding = 0;
        mpg123_getformat(h.get(), &rate, &channels, &encoding);
        continue;
      }
      if (rc == MPG123_NEED_MORE || rc == MPG123_DONE) return true;
      if (rc != MPG123_OK) {
        // A frame it cannot decode is dropped; the next one starts afresh.
        if (rc == MPG123_ERR && mpg123_errcode(h.get()) == MPG123_OUT_OF_MEM) {
          result.message = "Out of memory while decoding.";
          return false;
        }
        if (++errors > 8) return true;
        continue;
      }
      // Frames mpg123 dropped on its way to this one are behind it.
      while (!pending.empty() && firstPending < num) {
        pending.pop_front();
        ++firstPending;
      }
      if (pending.empty()) continue;
      const int32_t index = pending.front();
      pending.pop_front();
      ++firstPending;
      if (index < span.start || channels <= 0 || size == 0) continue;
      DecodedFrame frame;
      frame.index = index;
      frame.samples = reinterpret_cast<const float*>(audio);
      frame.channels = channels;
      frame.rate = rate;
      frame.sampleFrames = int32_t(size / (sizeof(float) * size_t(channels)));
      sink(frame);
      ++result.decodedFrames;
    }
  };

  for (int32_t i = first; i < span.end; ++i) {
    if ((i - first) % kCheckpointEvery == 0 && checkpoint) {
      const Checkpoint c = checkpoint(int(int64_t(i - first) * 56 / std::max<int32_t>(total, 1)));
      if (c == Checkpoint::Cancel) {
        result.outcome = DecodeOutcome::Cancelled;
        return result;
      }
      if (c == Checkpoint::CloseWindow) {
        result.outcome = DecodeOutcome::WindowClosing;
        return result;
      }
    }
    if (doc.entryVbrKind(i) != kVbrNone) continue;
    if (!reader.read(i, bytes)) {
      result.message = reader.error();
      return result;
    }
    pending.push_back(i);
    if (mpg123_feed(h.get(), bytes.data(), bytes.size()) != MPG123_OK) {
      result.message = std::string("Decoder error: ") + mpg123_strerror(h.get());
      return result;
    }
    if (!drain()) return result;
  }
  // The last frame may wait for a following header: four zero bytes end it.
  static const uint8_t kTail[4] = {0, 0, 0, 0};
  mpg123_feed(h.get(), kTail, sizeof kTail);
  if (!drain()) return result;
  if (checkpoint) checkpoint(56);
  result.outcome = DecodeOutcome::Done;
  return result;
}

}  // namespace kavrel
