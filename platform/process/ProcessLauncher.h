#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::process {

struct CapturedRun {
  int exitStatus = 0;       // the exit status, or 128 + signal number
  std::string output;       // what the child wrote to its standard output
  bool outputTruncated = false;  // more than the capture limit was written
};

// Where a child's standard error goes.
enum class ErrorStream { Inherit, Discard };

// Where a child's standard streams go when nothing is captured: ours, or all
// three on /dev/null (for a program whose chatter must not reach our output).
enum class StandardStreams { Inherit, Discard };

// Starts programs from an argument vector, never through a shell.
// `arguments` excludes the program itself, which becomes argv[0].
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // Standard output into a pipe that is read to its end; standard input
  // inherited, standard error inherited or discarded. Waits for the child.
  // Nothing when it cannot be started.
  virtual std::optional<CapturedRun> runCapturingOutput(
      const std::string& program, const std::vector<std::string>& arguments,
      ErrorStream errors = ErrorStream::Inherit) = 0;

  // Streams inherited or on /dev/null; waits for the child and gives its exit
  // status. Nothing when it cannot be started.
  virtual std::optional<int> runAndWait(const std::string& program,
                                        const std::vector<std::string>& arguments,
                                        StandardStreams streams = StandardStreams::Inherit) = 0;

  // Starts the program in the background in a session of its own, with its
  // standard streams on /dev/null, and does not wait. False when it cannot be
  // started.
  virtual bool startDetached(const std::string& program,
                             const std::vector<std::string>& arguments) = 0;
};

class RealProcessLauncher : public ProcessLauncher {
 public:
  // Output beyond this many bytes is read and dropped, so a chatty child can
  // neither block on a full pipe nor grow our memory without bound.
  static constexpr std::size_t kCaptureLimit = 16u << 20;

  std::optional<CapturedRun> runCapturingOutput(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                ErrorStream errors = ErrorStream::Inherit) override;
  std::optional<int> runAndWait(const std::string& program,
                                const std::vector<std::string>& arguments,
                                StandardStreams streams = StandardStreams::Inherit) override;
  bool startDetached(const std::string& program,
                     const std::vector<std::string>& arguments) override;
};

}  // namespace platform::process
