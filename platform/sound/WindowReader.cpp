#include "WindowReader.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace platform::sound {

std::variant<WindowPlan, SoundError> planWindows(const ClassifySoundRequest& request,
                                                 int sampleRate) {
  const double seconds = request.windowDuration().seconds();
  if (!(seconds > 0 && seconds <= kMaxWindowSeconds)) {
    return SoundError{"The window duration must be more than 0 and at most 60 seconds."};
  }
  const double overlap = request.overlapFactor();
  if (!(overlap >= 0 && overlap < 1)) {
    return SoundError{"The overlap factor must be at least 0 and less than 1."};
  }
  if (sampleRate <= 0) return SoundError{"The classifier reports no sample rate."};
  const auto window = std::max<long long>(1, std::llround(seconds * sampleRate));
  const auto hop =
      std::clamp<long long>(std::llround(static_cast<double>(window) * (1 - overlap)), 1, window);
  return WindowPlan{sampleRate, static_cast<std::size_t>(window), static_cast<std::size_t>(hop)};
}

WindowReader::WindowReader(audio::AudioSource& source, const WindowPlan& plan)
    : source_(source), plan_(plan), buffer_(plan.windowSamples) {}

std::optional<Window> WindowReader::next() {
  const std::size_t size = plan_.windowSamples;
  const std::size_t hop = plan_.hopSamples;
  while (!ended_ && filled_ < size) {
    const std::size_t got = source_.read(std::span<float>(buffer_).subspan(filled_));
    if (got == 0) ended_ = true;
    filled_ += got;
  }
  if (!ended_) {
    Window window{start_, buffer_};
    std::copy(buffer_.begin() + static_cast<long>(hop), buffer_.end(), buffer_.begin());
    filled_ = size - hop;
    start_ += static_cast<std::int64_t>(hop);
    return window;
  }
  if (source_.error()) return std::nullopt;
  // After a full window, the first size - hop samples were in it already.
  const std::size_t seen = start_ == 0 ? 0 : size - hop;
  if (filled_ <= seen) return std::nullopt;
  Window last{start_, std::vector<float>(buffer_.begin(), buffer_.begin() + static_cast<long>(filled_))};
  start_ += static_cast<std::int64_t>(filled_);
  filled_ = 0;
  return last;
}

}  // namespace platform::sound
