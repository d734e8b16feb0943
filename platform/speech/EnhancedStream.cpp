#include "EnhancedStream.h"

#include <algorithm>
#include <cmath>

namespace platform::speech {

EnhancedStream::EnhancedStream(std::unique_ptr<SpeechEnhancer> enhancer, const Settings& settings)
    : enhancer_(std::move(enhancer)),
      settings_(settings),
      floor_(-100.0, settings.floorRiseDbPerSecond / 100.0) {
  if (enhancer_) {
    frameLength_ = static_cast<std::size_t>(std::max(1, enhancer_->frameLength()));
    frame_.reserve(frameLength_);
    toSkip_ = enhancer_->delay();
  }
}

std::vector<float> EnhancedStream::push(std::span<const float> samples) {
  taken_ += static_cast<std::int64_t>(samples.size());
  if (!enhancer_) {
    given_ = taken_;
    return {samples.begin(), samples.end()};
  }
  std::vector<float> out;
  for (const float sample : samples) {
    original_.push_back(sample);
    frame_.push_back(sample);
    if (frame_.size() == frameLength_) clean();
  }
  // The first half second sets the floor before any of it is handed on.
  const auto primeSamples = static_cast<std::size_t>(
      std::llround(settings_.primeSeconds * settings_.sampleRate / static_cast<double>(frameLength_))) *
      frameLength_;
  if (!primed_ && cleaned_.size() < std::max(primeSamples, frameLength_)) return out;
  handOn(cleaned_.size() - cleaned_.size() % frameLength_, out);
  return out;
}

std::vector<float> EnhancedStream::finish() {
  std::vector<float> out;
  if (!enhancer_) return out;
  // Silence pushes the last samples and the delay through.
  while (given_ + static_cast<std::int64_t>(cleaned_.size()) < taken_) {
    frame_.resize(frameLength_, 0.0f);
    clean();
  }
  handOn(static_cast<std::size_t>(taken_ - given_), out);
  return out;
}

void EnhancedStream::clean() {
  enhancer_->process(frame_);
  const auto skip = static_cast<std::size_t>(std::min<std::int64_t>(toSkip_, static_cast<std::int64_t>(frame_.size())));
  toSkip_ -= static_cast<std::int64_t>(skip);
  cleaned_.insert(cleaned_.end(), frame_.begin() + static_cast<std::ptrdiff_t>(skip), frame_.end());
  frame_.clear();
}

void EnhancedStream::handOn(std::size_t count, std::vector<float>& out) {
  count = std::min({count, cleaned_.size(), original_.size()});
  std::vector<float> frame;
  if (!primed_) {
    primed_ = true;
    double quietest = 0.0;
    for (std::size_t i = 0; i < count; i += frameLength_) {
      frame.assign(original_.begin() + static_cast<std::ptrdiff_t>(i),
                   original_.begin() + static_cast<std::ptrdiff_t>(std::min(count, i + frameLength_)));
      quietest = std::min(quietest, frameEnergyDb(frame));
    }
    floor_.restart(quietest);
  }
  for (std::size_t done = 0; done < count;) {
    const std::size_t length = std::min(frameLength_, count - done);
    frame.assign(original_.begin(), original_.begin() + static_cast<std::ptrdiff_t>(length));
    const double floor = floor_.follow(frameEnergyDb(frame));
    if (floor > settings_.loudDb) loud_ = true;
    if (floor < settings_.quietDb) loud_ = false;
    const std::deque<float>& chosen = loud_ ? cleaned_ : original_;
    out.insert(out.end(), chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(length));
    original_.erase(original_.begin(), original_.begin() + static_cast<std::ptrdiff_t>(length));
    cleaned_.erase(cleaned_.begin(), cleaned_.begin() + static_cast<std::ptrdiff_t>(length));
    given_ += static_cast<std::int64_t>(length);
    done += length;
  }
}

}  // namespace platform::speech
