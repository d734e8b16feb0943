// The audio reader fed arbitrary bytes as a file: it opens the file or says
// why not, and a source it opens reads to an end or to a failure with a
// reason, with samples that are finite. Reading stops at a minute of audio
// so one input cannot stall the run.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <vector>

#include "FuzzInput.h"
#include "platform/audio/AudioSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kRate = 16000;
  const int fd = memfd_create("fuzz-audio", 0);
  if (fd < 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += std::size_t(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  auto opened = platform::audio::openAudioFile(path, kRate);
  if (!opened.source) {
    fuzz::check(!opened.error.empty(), "a refusal says why");
  } else {
    fuzz::check(opened.source->sampleRate() == kRate, "samples at the asked rate");
    std::vector<float> block(4096);
    std::size_t total = 0;
    while (total < std::size_t(60) * kRate) {
      const std::size_t n = opened.source->read(block);
      fuzz::check(n <= block.size(), "a read fills at most its block");
      if (n == 0) {
        const auto error = opened.source->error();
        fuzz::check(!error || !error->empty(), "a failure has a reason");
        break;
      }
      for (std::size_t i = 0; i < n; ++i) fuzz::check(std::isfinite(block[i]), "finite samples");
      total += n;
    }
  }
  opened.source.reset();
  close(fd);
  return 0;
}
