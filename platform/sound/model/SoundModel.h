#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The sound classification model: its feature front end and its network,
// with weights compiled into the program. Nothing is loaded at run time.
namespace platform::sound::model {

// The model hears mono float samples at this rate, one window at a time.
inline constexpr int kSampleRate = 16000;
inline constexpr int kWindowSamples = kSampleRate;  // one second

// Identifies the compiled-in weights.
std::string_view version();

// The label identifiers (snake_case), in the order of classify()'s output.
const std::vector<std::string>& labels();

// One confidence in [0, 1] per label for one window of samples. A window
// shorter than kWindowSamples is padded with silence; a longer one is cut.
// A window quieter than -70 dBFS over its second is silence (confidence 1)
// and nothing else. Safe to call from several threads at once.
std::vector<float> classify(std::span<const float> window);

}  // namespace platform::sound::model
