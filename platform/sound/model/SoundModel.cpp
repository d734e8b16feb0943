#include "platform/sound/model/SoundModel.h"

#include "platform/sound/model/LogMel.h"
#include "platform/sound/model/Network.h"

namespace platform::sound::model {

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
  return runNetwork(compiledWeights(), logMelFeatures(window));
}

}  // namespace platform::sound::model
