#pragma once

#include <memory>
#include <span>
#include <string>

namespace platform::speech {

// Cleans speech of steady background noise, one frame of a mono stream at a
// time, in place. Its output may lag its input by a fixed number of samples
// (delay()); whoever cuts the cleaned stream takes that off again, so times
// stay those of the original audio.
class SpeechEnhancer {
 public:
  virtual ~SpeechEnhancer() = default;
  virtual int frameLength() const = 0;  // samples a frame
  virtual int delay() const = 0;        // samples the output lags the input
  // Cleans one frame of frameLength() samples in [-1, 1].
  virtual void process(std::span<float> frame) = 0;
};

// Which library cleans the speech.
enum class EnhancerKind { None, Speex };

// A real enhancer of that kind for a stream at sampleRate, or null (and a
// reason) when the library refuses it; None gives null without a reason.
std::unique_ptr<SpeechEnhancer> makeEnhancer(EnhancerKind kind, int sampleRate, std::string& error);

}  // namespace platform::speech
