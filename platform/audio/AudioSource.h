#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace platform::audio {

// A stream of mono float samples at a fixed rate, read in blocks.
class AudioSource {
 public:
  virtual ~AudioSource() = default;

  // Fills `out` from the front and returns how many samples were written.
  // Zero means the stream is over: check error() to tell the end of the file
  // from a failure.
  virtual std::size_t read(std::span<float> out) = 0;

  // Why reading stopped early, once read() has returned zero; nothing at a
  // clean end of the file.
  virtual std::optional<std::string> error() const = 0;

  virtual int sampleRate() const = 0;
};

struct OpenResult {
  std::unique_ptr<AudioSource> source;  // null when the file cannot be read as audio
  std::string error;                    // a readable reason when source is null
};

// Opens any file FFmpeg can read, takes its first audio stream and converts it
// to mono float samples at `sampleRate`. Decoding streams: memory stays the
// same however long the file is. Reads only local files.
OpenResult openAudioFile(const std::string& path, int sampleRate);

}  // namespace platform::audio
