#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace platform::testing {

struct ProgramRun {
  std::string out;
  std::string err;
  int status = -1;      // exit status, or -1 when it did not exit normally
  int signal = 0;       // the signal that ended it, if one did
  bool timedOut = false;  // killed for running past RunOptions::timeLimit
  long peakMemoryKb = 0;  // its largest resident set
};

struct RunOptions {
  std::string workingDirectory;                             // empty: ours
  std::vector<std::pair<std::string, std::string>> setEnv;  // added or replaced
  std::vector<std::string> unsetEnv;
  // Past this, the program is killed (SIGKILL) and the run marked timedOut;
  // zero waits for as long as it takes.
  std::chrono::milliseconds timeLimit{0};
};

// Runs a built program as a child process with an argument vector and
// captures both output streams and how it ended. Standard input is /dev/null.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const RunOptions& options = {});

}  // namespace platform::testing
