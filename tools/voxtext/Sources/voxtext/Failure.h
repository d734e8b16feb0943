#pragma once

#include <string>

namespace voxtext {

// A failure that ends the run: the line for standard error (without its
// newline) and the exit status.
struct Failure {
  std::string message;
  int status = 1;

  bool operator==(const Failure&) const = default;
};

inline constexpr int kUsageOrRunFailure = 1;
inline constexpr int kPreconditionUnmet = 2;

}  // namespace voxtext
