#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "ClassifySoundRequest.h"
#include "SoundError.h"
#include "platform/audio/AudioSource.h"

namespace platform::sound {

// How a request's settings cut audio at a given rate into windows, in samples.
struct WindowPlan {
  int sampleRate = 0;
  std::size_t windowSamples = 0;
  std::size_t hopSamples = 0;  // from one window's start to the next one's
};

// The longest window a request may ask for; it bounds the memory an analysis
// holds per window.
inline constexpr double kMaxWindowSeconds = 60.0;

// The plan for the request's window duration and overlap factor at
// `sampleRate`, or why they cannot be used: the duration must be a positive
// number of seconds up to kMaxWindowSeconds, the overlap factor at least 0 and
// below 1.
std::variant<WindowPlan, SoundError> planWindows(const ClassifySoundRequest& request,
                                                 int sampleRate);

// One window of audio: its first sample's index in the stream and its samples.
// Only the last window of a stream may be shorter than the plan's.
struct Window {
  std::int64_t start = 0;
  std::vector<float> samples;
};

// Cuts a stream into windows that start every hopSamples. Windows run to the
// end of the audio: the last one is cut short when the audio ends inside it,
// and a window is only made if it holds samples no earlier window had.
// Holds one window's samples however long the stream is.
class WindowReader {
 public:
  WindowReader(audio::AudioSource& source, const WindowPlan& plan);

  // The next window; nothing at the end of the stream or when reading fails
  // (the source's error() tells which).
  std::optional<Window> next();

  // Samples read from the stream so far.
  std::int64_t samplesRead() const { return start_ + static_cast<std::int64_t>(filled_); }

 private:
  audio::AudioSource& source_;
  WindowPlan plan_;
  std::vector<float> buffer_;
  std::size_t filled_ = 0;
  std::int64_t start_ = 0;
  bool ended_ = false;
};

}  // namespace platform::sound
