#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// The fuzzer's bytes as an argument vector: arguments are separated by NUL
// bytes, as they would be in a process's argument block, so no argument
// holds a NUL.
inline std::vector<std::string> splitArguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (size > 0) args.push_back(std::move(current));
  return args;
}

// Stops the run with a message the fuzzer reports as a crash with this input.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void check(bool holds, const char* what) {
  if (!holds) fail(what);
}

}  // namespace fuzz
