#include "Sleeper.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace platform::time {

void RealSleeper::sleepFor(double seconds) {
  if (!(seconds > 0) || !std::isfinite(seconds)) return;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace platform::time
