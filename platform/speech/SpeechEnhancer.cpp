#include "SpeechEnhancer.h"

#include "SpeexEnhancer.h"

namespace platform::speech {

std::unique_ptr<SpeechEnhancer> makeEnhancer(EnhancerKind kind, int sampleRate, std::string& error) {
  switch (kind) {
    case EnhancerKind::Speex:
      return SpeexEnhancer::make(sampleRate, error);
    case EnhancerKind::None:
      break;
  }
  return nullptr;
}

}  // namespace platform::speech
