#include "UtteranceCutter.h"

#include <algorithm>
#include <cmath>

namespace platform::speech {
namespace {

std::int64_t framesIn(double seconds, int frameLength, int rate) {
  return std::max<std::int64_t>(1, std::llround(seconds * rate / frameLength));
}

std::int16_t toPcm16(float sample) {
  const float clamped = std::clamp(sample, -1.0f, 1.0f);
  return static_cast<std::int16_t>(std::lround(clamped * 32767.0f));
}

}  // namespace

UtteranceCutter::UtteranceCutter(const Settings& settings)
    : settings_(settings),
      frameLength_(std::max(1, settings.sampleRate / 100)),
      floor_(-70.0, settings.floorRiseDbPerSecond * frameLength_ / std::max(1, settings.sampleRate)) {
  const int rate = std::max(1, settings.sampleRate);
  // Every length is a whole number of frames, so cuts fall on frame borders.
  pauseFrames_ = framesIn(settings.pauseSeconds, frameLength_, rate);
  leadSamples_ = framesIn(settings.leadSeconds, frameLength_, rate) * frameLength_;
  trailSamples_ = framesIn(settings.trailSeconds, frameLength_, rate) * frameLength_;
  maxSamples_ = framesIn(settings.maxSeconds, frameLength_, rate) * frameLength_;
  searchFrames_ = std::min(framesIn(settings.cutSearchSeconds, frameLength_, rate),
                           maxSamples_ / frameLength_ - 1);
  minSpeechFrames_ = framesIn(settings.minSpeechSeconds, frameLength_, rate);
  primeFrames_ = framesIn(settings.primeSeconds, frameLength_, rate);
  partial_.reserve(static_cast<std::size_t>(frameLength_));
}

std::vector<Utterance> UtteranceCutter::push(std::span<const float> samples) {
  std::vector<Utterance> out;
  for (const float sample : samples) {
    buffer_.push_back(toPcm16(sample));
    partial_.push_back(sample);
    if (partial_.size() == static_cast<std::size_t>(frameLength_)) {
      frame(out);
      partial_.clear();
    }
  }
  return out;
}

std::vector<Utterance> UtteranceCutter::finish() {
  std::vector<Utterance> out;
  if (!primed_) prime(out);
  if (inSpeech_) {
    const std::int64_t end = framed_ + static_cast<std::int64_t>(partial_.size());
    emit(std::min(lastSpeechEnd_ + trailSamples_, end), out);
    inSpeech_ = false;
  }
  return out;
}

void UtteranceCutter::frame(std::vector<Utterance>& out) {
  const double energy = frameEnergyDb(partial_);
  energies_.push_back(energy);
  framed_ += frameLength_;
  if (primed_) {
    decide(energy, out);
  } else if (static_cast<std::int64_t>(energies_.size()) >= primeFrames_) {
    prime(out);
  }
}

void UtteranceCutter::prime(std::vector<Utterance>& out) {
  // Nothing was dropped yet: the energies are those of the first frames.
  primed_ = true;
  if (energies_.empty()) return;
  const std::vector<double> first(energies_.begin(), energies_.end());
  floor_.restart(*std::min_element(first.begin(), first.end()));
  for (const double energy : first) decide(energy, out);
}

void UtteranceCutter::decide(double energy, std::vector<Utterance>& out) {
  const bool speech =
      energy > std::max(floor_.follow(energy) + settings_.marginDb, settings_.gateDb);
  const std::int64_t begin = decided_;
  const std::int64_t end = decided_ + frameLength_;
  decided_ = end;

  if (!inSpeech_) {
    if (speech) {
      inSpeech_ = true;
      start_ = std::max({begin - leadSamples_, previousEnd_, bufferStart_});
      lastSpeechEnd_ = end;
      silentFrames_ = 0;
      speechFrames_ = 1;
    } else {
      dropBefore(std::max(bufferStart_, end - leadSamples_));
    }
    return;
  }
  if (speech) {
    ++speechFrames_;
    silentFrames_ = 0;
    lastSpeechEnd_ = end;
  } else {
    ++silentFrames_;
  }
  if (silentFrames_ >= pauseFrames_) {
    emit(std::min(lastSpeechEnd_ + trailSamples_, end), out);
    inSpeech_ = false;
  } else if (end - start_ >= maxSamples_) {
    cutLongUtterance(out);
  }
}

void UtteranceCutter::cutLongUtterance(std::vector<Utterance>& out) {
  // The quietest frame near the end, the latest of equals, is the least
  // likely to split a word.
  // Frames after the one just judged may be waiting in energies_.
  const std::int64_t frames = (decided_ - bufferStart_) / frameLength_;
  const std::int64_t first = std::max<std::int64_t>((start_ - bufferStart_) / frameLength_ + 1,
                                                    frames - searchFrames_);
  std::int64_t quietest = frames - 1;
  for (std::int64_t i = frames - 1; i >= first; --i) {
    if (energies_[static_cast<std::size_t>(i)] < energies_[static_cast<std::size_t>(quietest)]) {
      quietest = i;
    }
  }
  const std::int64_t cut = bufferStart_ + quietest * frameLength_;
  emit(cut, out);
  start_ = cut;
  // What follows the cut is the rest of the speech that ran on.
  speechFrames_ = minSpeechFrames_;
}

void UtteranceCutter::emit(std::int64_t end, std::vector<Utterance>& out) {
  if (speechFrames_ >= minSpeechFrames_ && end > start_) {
    Utterance utterance;
    utterance.startSample = start_;
    const auto from = buffer_.begin() + (start_ - bufferStart_);
    utterance.samples.assign(from, from + (end - start_));
    out.push_back(std::move(utterance));
  }
  previousEnd_ = end;
  dropBefore(end);
}

void UtteranceCutter::dropBefore(std::int64_t sample) {
  // Drops whole frames only, so the energies stay aligned with the samples.
  const std::int64_t frames = (sample - bufferStart_) / frameLength_;
  if (frames <= 0) return;
  buffer_.erase(buffer_.begin(), buffer_.begin() + frames * frameLength_);
  energies_.erase(energies_.begin(), energies_.begin() + frames);
  bufferStart_ += frames * frameLength_;
}

}  // namespace platform::speech
