#include "WebRtcEnhancer.h"

#include <webrtc/modules/audio_processing/include/audio_processing.h>

namespace platform::speech {

std::unique_ptr<WebRtcEnhancer> WebRtcEnhancer::make(int sampleRate, std::string& error) {
  webrtc::Config config;
  // The level of the speech is left alone: the recogniser normalises it.
  config.Set<webrtc::ExperimentalAgc>(new webrtc::ExperimentalAgc(false));
  webrtc::AudioProcessing* apm = webrtc::AudioProcessing::Create(config);
  if (apm == nullptr) {
    error = "the noise suppressor could not be created";
    return nullptr;
  }
  const bool ready = apm->high_pass_filter()->Enable(true) == webrtc::AudioProcessing::kNoError &&
                     apm->noise_suppression()->set_level(webrtc::NoiseSuppression::kHigh) ==
                         webrtc::AudioProcessing::kNoError &&
                     apm->noise_suppression()->Enable(true) == webrtc::AudioProcessing::kNoError;
  if (!ready) {
    delete apm;
    error = "the noise suppressor refused its settings";
    return nullptr;
  }
  return std::unique_ptr<WebRtcEnhancer>(new WebRtcEnhancer(apm, sampleRate));
}

WebRtcEnhancer::WebRtcEnhancer(webrtc::AudioProcessing* apm, int sampleRate)
    : apm_(apm), sampleRate_(sampleRate), frameLength_(sampleRate / 100) {}

WebRtcEnhancer::~WebRtcEnhancer() { delete apm_; }

void WebRtcEnhancer::process(std::span<float> frame) {
  const webrtc::StreamConfig stream(sampleRate_, 1, false);
  float* channel = frame.data();
  // A refused frame stays as it came.
  apm_->ProcessStream(&channel, stream, stream, &channel);
}

}  // namespace platform::speech
