#pragma once

#include <string>

namespace platform::sound {

// A failure of the sound analysis service, as the user reads it.
struct SoundError {
  std::string localizedDescription;
};

}  // namespace platform::sound
