#pragma once

#include <cstdint>
#include <string>

namespace platform::testing {

// The 44-byte header of a 16-bit PCM WAVE file whose data chunk claims
// `dataBytes` bytes; the samples, if any, are appended by the caller.
inline std::string waveHeader(int rate, int channels, std::uint32_t dataBytes) {
  std::string header = "RIFF";
  const auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) header.push_back(char((v >> (8 * i)) & 0xff));
  };
  put(36 + dataBytes, 4);
  header += "WAVEfmt ";
  put(16, 4), put(1, 2), put(std::uint32_t(channels), 2), put(std::uint32_t(rate), 4);
  put(std::uint32_t(rate * channels * 2), 4), put(std::uint32_t(channels * 2), 2), put(16, 2);
  header += "data";
  put(dataBytes, 4);
  return header;
}

}  // namespace platform::testing
