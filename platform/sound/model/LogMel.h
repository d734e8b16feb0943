#pragma once

#include <span>
#include <vector>

// The model's feature front end: a log-mel spectrogram of one window.
namespace platform::sound::model {

inline constexpr int kFftSize = 512;       // 32 ms frames
inline constexpr int kHopSamples = 320;    // 20 ms apart
inline constexpr int kFrames = 50;         // frames per one-second window
inline constexpr int kMelBands = 64;
inline constexpr float kMelLowHz = 60.0f;
inline constexpr float kMelHighHz = 7800.0f;
inline constexpr int kFeatureCount = kMelBands * kFrames;

// Log-mel energies of one window, band-major: value [band * kFrames + frame].
// Frame i covers samples [i * kHopSamples, i * kHopSamples + kFftSize) under a
// Hann window; samples past the end of the window count as silence, so do the
// samples of a window shorter than a second. A longer window is cut.
std::vector<float> logMelFeatures(std::span<const float> window);

}  // namespace platform::sound::model
