#pragma once

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace platform::testing {

enum class NoiseColour { Pink, Brown };

// Steady noise at an RMS level (dBFS), the same for the same seed: pink
// (Paul Kellet's filter over white noise; a fan, hiss) or brown (leaky
// integration of white noise; rumble).
inline std::vector<float> colouredNoise(NoiseColour colour, std::size_t count, double levelDb,
                                        unsigned seed = 5) {
  std::mt19937 random(seed);
  std::normal_distribution<double> white;
  std::vector<double> noise(count);
  double b0 = 0, b1 = 0, b2 = 0, power = 0;
  for (double& n : noise) {
    const double w = white(random);
    if (colour == NoiseColour::Pink) {
      b0 = 0.99765 * b0 + w * 0.0990460;
      b1 = 0.96300 * b1 + w * 0.2965164;
      b2 = 0.57000 * b2 + w * 1.0526913;
      n = b0 + b1 + b2 + w * 0.1848;
    } else {
      b0 = 0.995 * b0 + w;
      n = b0;
    }
    power += n * n;
  }
  const double gain = std::pow(10.0, levelDb / 20.0) / std::sqrt(power / static_cast<double>(count));
  std::vector<float> out;
  out.reserve(count);
  for (const double n : noise) out.push_back(static_cast<float>(gain * n));
  return out;
}

}  // namespace platform::testing
