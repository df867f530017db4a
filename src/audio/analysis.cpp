#include "audio/analysis.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace kavrel {

namespace {

// Decoded frames on their way from the decoding thread to the measuring one.
struct Chunk {
  std::vector<float> samples;
  std::vector<DecodedFrame> frames;  // `samples` pointers are offsets until taken
};

class ChunkQueue {
 public:
  static constexpr size_t kCapacity = 8;
  // False when the consumer stopped listening.
  bool push(Chunk&& c) {
    std::unique_lock lock(mutex_);
    space_.wait(lock, [&] { return queue_.size() < kCapacity || stopped_; });
    if (stopped_) return false;
    queue_.push_back(std::move(c));
    ready_.notify_one();
    return true;
  }
  // Nothing when the producer finished and everything was taken.
  std::optional<Chunk> pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !queue_.empty() || finished_; });
    if (queue_.empty()) return std::nullopt;
    Chunk c = std::move(queue_.front());
    queue_.pop_front();
    space_.notify_one();
    return c;
  }
  void finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    ready_.notify_all();
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    space_.notify_all();
  }
  bool stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_, space_;
  std::deque<Chunk> queue_;
  bool finished_ = false;
  bool stopped_ = false;
};

constexpr size_t kFramesPerChunk = 64;

}  // namespace

AudioAnalysis analyseDocument(const Document& doc, Span span, bool withLevels, const DecodeCheckpoint& checkpoint) {
  AudioAnalysis a;
  a.span = orderedSpan(span.start, span.end, doc.documentFrameCount());
  if (withLevels) {
    a.levels.assign(size_t(a.span.length()), kNoLevel);
    a.durations.assign(size_t(a.span.length()), 0.0f);
  }
  // Decoding runs on a thread of its own while this one measures, shows
  // progress and lets the window's events run.
  ChunkQueue queue;
  DecodeResult decoded;
  std::thread decoder([&] {
    Chunk chunk;
    auto flush = [&] {
      if (chunk.frames.empty()) return true;
      const bool taken = queue.push(std::move(chunk));
      chunk = Chunk{};
      return taken;
    };
    decoded = decodeDocument(
        doc, a.span,
        [&](const DecodedFrame& f) {
          // Peaks and levels here, the loudness on the other side.
          a.meter.addPeaks(f);
          if (withLevels) {
            const size_t n = size_t(f.sampleFrames) * size_t(f.channels);
            double sum = 0;
            for (size_t i = 0; i < n; ++i) sum += double(f.samples[i]) * double(f.samples[i]);
            const double mean = n ? sum / double(n) : 0;
            // RMS relative to a full-scale square wave.
            const size_t k = size_t(f.index - a.span.start);
            a.levels[k] = mean > 1e-20 ? float(10.0 * std::log10(mean)) : kNoLevel;
            a.durations[k] = float(double(f.sampleFrames) / double(f.rate));
          }
          DecodedFrame copy = f;
          copy.samples = nullptr;
          chunk.frames.push_back(copy);
          chunk.samples.insert(chunk.samples.end(), f.samples, f.samples + size_t(f.sampleFrames) * size_t(f.channels));
          if (chunk.frames.size() == kFramesPerChunk) flush();
        },
        [&](int) { return queue.stopped() ? Checkpoint::Cancel : Checkpoint::Continue; });
    flush();
    queue.finish();
  });

  bool meterFailed = false;
  DecodeOutcome stoppedBy = DecodeOutcome::Done;
  int32_t measured = 0;
  if (checkpoint) checkpoint(0);
  while (std::optional<Chunk> chunk = queue.pop()) {
    size_t offset = 0;
    for (DecodedFrame& f : chunk->frames) {
      f.samples = chunk->samples.data() + offset;
      const size_t n = size_t(f.sampleFrames) * size_t(f.channels);
      offset += n;
      if (!a.meter.addLoudness(f)) meterFailed = true;
      measured = f.index - a.span.start + 1;
    }
    if (checkpoint && stoppedBy == DecodeOutcome::Done) {
      const Checkpoint c = checkpoint(int(int64_t(measured) * 56 / std::max<int32_t>(a.span.length(), 1)));
      if (c != Checkpoint::Continue) {
        stoppedBy = c == Checkpoint::Cancel ? DecodeOutcome::Cancelled : DecodeOutcome::WindowClosing;
        queue.stop();
      }
    }
  }
  decoder.join();
  a.outcome = stoppedBy != DecodeOutcome::Done ? stoppedBy : decoded.outcome;
  a.message = decoded.message;
  if (meterFailed && a.outcome == DecodeOutcome::Done) {
    a.outcome = DecodeOutcome::Failed;
    a.message = "Out of memory while measuring.";
  }
  if (a.outcome == DecodeOutcome::Done) {
    if (checkpoint) checkpoint(56);
    a.loudness = a.meter.result();
  }
  return a;
}

NormalizePlan planNormalize(const Loudness& measured, double target, std::optional<double> ceiling) {
  NormalizePlan p;
  if (!measured.measured) return p;
  p.possible = true;
  int steps = int(std::lround((target - measured.integrated) / kGainStepDb));
  if (ceiling && measured.truePeak > -200) {
    // A hair of tolerance so that a peak exactly on the ceiling stays allowed.
    const int most = int(std::floor((*ceiling - measured.truePeak) / kGainStepDb + 1e-9));
    if (steps > most) {
      steps = most;
      p.limitedByPeak = true;
    }
  }
  steps = std::clamp(steps, -kMaxNormalizeSteps, kMaxNormalizeSteps);
  p.steps = steps;
  p.loudness = measured.integrated + steps * kGainStepDb;
  p.truePeak = measured.truePeak + steps * kGainStepDb;
  return p;
}

std::string replayGainText(const Loudness& l) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f dB", -18.0 - l.integrated);
  return buf;
}

std::string replayPeakText(const Loudness& l) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", l.truePeak > -200 ? std::pow(10.0, l.truePeak / 20.0) : 0.0);
  return buf;
}

std::vector<Span> findSilences(const std::vector<float>& levels, const std::vector<float>& durations,
                               int32_t first, const SilenceRules& rules) {
  std::vector<Span> out;
  const size_t n = levels.size();
  size_t k = 0;
  while (k < n) {
    if (levels[k] >= rules.thresholdDb) {
      ++k;
      continue;
    }
    size_t end = k;
    double seconds = 0;
    while (end < n && levels[end] < rules.thresholdDb) seconds += durations[end++];
    // Half a millisecond of slack against the sum of rounded durations.
    if (seconds + 0.0005 >= rules.minSeconds) out.push_back({first + int32_t(k), first + int32_t(end)});
    k = end;
  }
  return out;
}

std::vector<Span> partsAtSilences(int32_t frameCount, const std::vector<Span>& silences, bool drop) {
  std::vector<Span> parts;
  int32_t start = 0;
  for (const Span& s : silences) {
    if (s.start <= 0) {
      if (drop) start = s.end;
      continue;
    }
    if (s.end >= frameCount) {
      if (drop) frameCount = s.start;
      break;
    }
    const int32_t cut = s.start + s.length() / 2;
    const int32_t end = drop ? s.start : cut;
    if (end > start) parts.push_back({start, end});
    start = drop ? s.end : cut;
  }
  if (frameCount > start) parts.push_back({start, frameCount});
  return parts;
}

}  // namespace kavrel
