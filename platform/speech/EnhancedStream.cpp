#include "EnhancedStream.h"

#include <algorithm>
#include <cmath>

#include "NoiseFloor.h"

namespace platform::speech {

EnhancedStream::EnhancedStream(std::unique_ptr<SpeechEnhancer> enhancer, const Settings& settings)
    : enhancer_(std::move(enhancer)), settings_(settings) {
  if (!enhancer_) return;
  frameLength_ = static_cast<std::size_t>(std::max(1, enhancer_->frameLength()));
  window_ = std::llround(settings.windowSeconds * settings.sampleRate / static_cast<double>(frameLength_));
  frame_.reserve(frameLength_);
  measuring_.reserve(frameLength_);
  toSkip_ = enhancer_->delay();
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
    measuring_.push_back(sample);
    if (measuring_.size() == frameLength_) measure();
    frame_.push_back(sample);
    if (frame_.size() == frameLength_) clean();
  }
  handOn(false, out);
  return out;
}

std::vector<float> EnhancedStream::finish() {
  std::vector<float> out;
  if (!enhancer_) return out;
  if (!measuring_.empty()) measure();
  // Silence pushes the last samples and the delay through.
  while (given_ + static_cast<std::int64_t>(cleaned_.size()) < taken_) {
    frame_.resize(frameLength_, 0.0f);
    clean();
  }
  handOn(true, out);
  cleaned_.clear();
  return out;
}

void EnhancedStream::clean() {
  enhancer_->process(frame_);
  const auto skip = static_cast<std::size_t>(
      std::min<std::int64_t>(toSkip_, static_cast<std::int64_t>(frame_.size())));
  toSkip_ -= static_cast<std::int64_t>(skip);
  cleaned_.insert(cleaned_.end(), frame_.begin() + static_cast<std::ptrdiff_t>(skip), frame_.end());
  frame_.clear();
}

void EnhancedStream::measure() {
  energies_.push_back(frameEnergyDb(measuring_));
  ++measured_;
  measuring_.clear();
}

void EnhancedStream::handOn(bool finishing, std::vector<float>& out) {
  while (!original_.empty()) {
    // The next frame leaves once it is cleaned and the window after it is
    // known (or the stream has ended).
    const std::int64_t frame = given_ / static_cast<std::int64_t>(frameLength_);
    const std::size_t length = std::min(frameLength_, original_.size());
    if (!finishing && (cleaned_.size() < length || measured_ <= frame + window_)) return;

    const auto first = static_cast<std::size_t>(std::max<std::int64_t>(0, frame - window_ - energiesFrom_));
    const auto last = static_cast<std::size_t>(
        std::min<std::int64_t>(measured_ - 1, frame + window_) - energiesFrom_);
    const double background = *std::min_element(energies_.begin() + static_cast<std::ptrdiff_t>(first),
                                                 energies_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    if (background > settings_.loudDb) loud_ = true;
    if (background < settings_.quietDb) loud_ = false;

    const std::deque<float>& chosen = loud_ ? cleaned_ : original_;
    out.insert(out.end(), chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(length));
    original_.erase(original_.begin(), original_.begin() + static_cast<std::ptrdiff_t>(length));
    cleaned_.erase(cleaned_.begin(), cleaned_.begin() + static_cast<std::ptrdiff_t>(std::min(length, cleaned_.size())));
    given_ += static_cast<std::int64_t>(length);
    // Frames before the next one's window are no longer needed.
    while (energiesFrom_ < frame + 1 - window_ && energies_.size() > 1) {
      energies_.pop_front();
      ++energiesFrom_;
    }
  }
}

}  // namespace platform::speech
