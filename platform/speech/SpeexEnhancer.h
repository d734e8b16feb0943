#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SpeechEnhancer.h"

struct SpeexPreprocessState_;

namespace platform::speech {

// speexdsp's preprocessor: its spectral noise suppression on 10 ms frames;
// no gain control, no dereverberation (its voice detection is off by default).
class SpeexEnhancer : public SpeechEnhancer {
 public:
  static std::unique_ptr<SpeexEnhancer> make(int sampleRate, std::string& error);
  ~SpeexEnhancer() override;

  int frameLength() const override { return frameLength_; }
  int delay() const override { return kDelay; }
  void process(std::span<float> frame) override;

 private:
  // The preprocessor overlaps two frames: its output lags by one.
  static constexpr int kDelay = 160;
  SpeexEnhancer(SpeexPreprocessState_* state, int frameLength);

  SpeexPreprocessState_* state_;
  int frameLength_;
  std::vector<short> pcm_;
};

}  // namespace platform::speech
