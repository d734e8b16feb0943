#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/AudioSource.h"

namespace platform::testing {

// Audio from memory, optionally failing after its samples are read.
class MemoryAudioSource : public audio::AudioSource {
 public:
  MemoryAudioSource(std::vector<float> samples, int rate, std::optional<std::string> failure = {})
      : samples_(std::move(samples)), rate_(rate), failure_(std::move(failure)) {}

  std::size_t read(std::span<float> out) override {
    const std::size_t take = std::min(out.size(), samples_.size() - position_);
    std::copy_n(samples_.begin() + long(position_), take, out.begin());
    position_ += take;
    if (take == 0 && failure_) error_ = failure_;
    return take;
  }
  std::optional<std::string> error() const override { return error_; }
  int sampleRate() const override { return rate_; }

 private:
  std::vector<float> samples_;
  std::size_t position_ = 0;
  int rate_;
  std::optional<std::string> failure_;
  std::optional<std::string> error_;
};

}  // namespace platform::testing
