#include "SpeexEnhancer.h"

#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cmath>

namespace platform::speech {

std::unique_ptr<SpeexEnhancer> SpeexEnhancer::make(int sampleRate, std::string& error) {
  const int frameLength = sampleRate / 100;
  SpeexPreprocessState* state = speex_preprocess_state_init(frameLength, sampleRate);
  if (state == nullptr) {
    error = "the noise suppressor could not be created";
    return nullptr;
  }
  int on = 1, off = 0;
  // At most 15 dB off the noise: deeper suppression (25, 40 dB) left the
  // recogniser more words wrong in pink noise, not fewer.
  int suppressDb = -15;
  speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_DENOISE, &on);
  speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &suppressDb);
  speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_AGC, &off);
  speex_preprocess_ctl(state, SPEEX_PREPROCESS_SET_DEREVERB, &off);
  return std::unique_ptr<SpeexEnhancer>(new SpeexEnhancer(state, frameLength));
}

SpeexEnhancer::SpeexEnhancer(SpeexPreprocessState* state, int frameLength)
    : state_(state), frameLength_(frameLength), pcm_(static_cast<std::size_t>(frameLength)) {}

SpeexEnhancer::~SpeexEnhancer() { speex_preprocess_state_destroy(state_); }

void SpeexEnhancer::process(std::span<float> frame) {
  for (std::size_t i = 0; i < pcm_.size(); ++i) {
    pcm_[i] = static_cast<short>(std::lround(std::clamp(frame[i], -1.0f, 1.0f) * 32767.0f));
  }
  speex_preprocess_run(state_, pcm_.data());
  for (std::size_t i = 0; i < pcm_.size(); ++i) frame[i] = static_cast<float>(pcm_[i]) / 32767.0f;
}

}  // namespace platform::speech
