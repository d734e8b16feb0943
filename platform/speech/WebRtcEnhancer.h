#pragma once

#include <memory>
#include <string>

#include "SpeechEnhancer.h"

namespace webrtc {
class AudioProcessing;
}

namespace platform::speech {

// WebRTC's audio processing module: its high-pass filter and noise
// suppressor, on 10 ms frames; no gain control, no echo cancellation.
class WebRtcEnhancer : public SpeechEnhancer {
 public:
  static std::unique_ptr<WebRtcEnhancer> make(int sampleRate, std::string& error);
  ~WebRtcEnhancer() override;

  int frameLength() const override { return frameLength_; }
  int delay() const override { return kDelay; }
  void process(std::span<float> frame) override;

 private:
  // The suppressor's analysis window (256 samples at 16 kHz) is longer than
  // its frame: its output lags by the difference.
  static constexpr int kDelay = 96;
  WebRtcEnhancer(webrtc::AudioProcessing* apm, int sampleRate);

  webrtc::AudioProcessing* apm_;
  int sampleRate_;
  int frameLength_;
};

}  // namespace platform::speech
