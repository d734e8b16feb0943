#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "Document.h"
#include "Entry.h"
#include "MacOSBuild.h"
#include "platform/speech/PocketsphinxSpeechService.h"

namespace {

// The failure exit: the message and its newline in one write to standard
// error, then the status.
int failureExit(const voxtext::Failure& failure) {
  const std::string line = failure.message + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return failure.status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);

  platform::speech::PocketsphinxSpeechService speech;
  const voxtext::Services services{
      speech,
      platform::audio::openAudioFile,
      voxtext::macOSBuild,
      // The transcriber's operations are all here on Linux: the gate that
      // asks for macOS 26 on a Mac passes.
      [] { return true; },
  };

  const voxtext::Outcome outcome = voxtext::runVoxtext(arguments, services);
  if (outcome.failure) return failureExit(*outcome.failure);
  if (auto failure = voxtext::emit(*outcome.document, stdout)) return failureExit(*failure);
  return 0;
}
