#pragma once

#include <span>

namespace platform::speech {

// The energy of a frame of samples in [-1, 1], in dB below full scale, at
// least -100.
double frameEnergyDb(std::span<const float> frame);

// The level of the steady background under a stream, from the energies of
// its frames: it follows quieter frames down quickly (but not a single
// drop-out all the way) and creeps up slowly, so speech does not pull it up
// to itself.
class NoiseFloor {
 public:
  NoiseFloor(double startDb, double risePerFrameDb) : db_(startDb), rise_(risePerFrameDb) {}

  // Starts again from a level, such as the quietest of the first frames.
  void restart(double db) { db_ = db; }
  // Takes the next frame's energy; returns the floor under it.
  double follow(double energyDb);
  double db() const { return db_; }

 private:
  double db_;
  double rise_;
};

}  // namespace platform::speech
