#include "NoiseFloor.h"

#include <algorithm>
#include <cmath>

namespace platform::speech {

double frameEnergyDb(std::span<const float> frame) {
  if (frame.empty()) return -100.0;
  double power = 0;
  for (const float s : frame) power += static_cast<double>(s) * s;
  power /= static_cast<double>(frame.size());
  return std::max(-100.0, 10.0 * std::log10(power + 1e-10));
}

}  // namespace platform::speech

namespace platform::speech {

double NoiseFloor::follow(double energyDb) {
  db_ = energyDb < db_ ? std::max(energyDb, db_ - 1.0) : db_ + rise_;
  return db_;
}

}  // namespace platform::speech
