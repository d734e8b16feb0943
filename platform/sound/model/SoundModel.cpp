#include "platform/sound/model/SoundModel.h"

#include "platform/sound/model/LogMel.h"
#include "platform/sound/model/Network.h"

#include <algorithm>
#include <cstddef>

namespace platform::sound::model {
namespace {

// Everything the network learnt from below -58 dBFS was silence: faint hiss
// and hum. It never heard digital silence (muted inputs, paused recordings)
// or a codec's faint residue after a sound stops, and calls them music. A
// window quieter than -70 dBFS is silence by the same rule the training
// windows were labelled by, and nothing else.
constexpr double kQuietestRms = 3.1622777e-4;  // -70 dBFS

bool belowHearing(std::span<const float> window) {
  const std::size_t n = std::min<std::size_t>(window.size(), kWindowSamples);
  double energy = 0.0;
  for (std::size_t i = 0; i < n; ++i) energy += static_cast<double>(window[i]) * window[i];
  return energy < kQuietestRms * kQuietestRms * kWindowSamples;
}

}  // namespace

std::string_view version() { return compiledWeights().version; }

const std::vector<std::string>& labels() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> names;
    for (std::string_view label : compiledWeights().labels) names.emplace_back(label);
    return names;
  }();
  return list;
}

std::vector<float> classify(std::span<const float> window) {
  const std::vector<std::string>& names = labels();
  const auto silence = std::find(names.begin(), names.end(), "silence");
  if (silence != names.end() && belowHearing(window)) {
    std::vector<float> confidences(names.size(), 0.0f);
    confidences[static_cast<std::size_t>(silence - names.begin())] = 1.0f;
    return confidences;
  }
  return runModel(compiledWeights(), logMelFeatures(window));
}

}  // namespace platform::sound::model
