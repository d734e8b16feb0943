#pragma once

namespace platform::time {

// Blocking pauses. The programs pause only through this, so tests can record
// the pauses instead of waiting.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void sleepFor(double seconds) = 0;
};

class RealSleeper : public Sleeper {
 public:
  void sleepFor(double seconds) override;
};

}  // namespace platform::time
