#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/ProcessLauncher.h"

namespace platform::testing {

// Scripted child processes. Each program path has a scripted answer; a program
// without one cannot be started. Every call is recorded.
class FakeProcessLauncher : public process::ProcessLauncher {
 public:
  struct Call {
    std::string program;
    std::vector<std::string> arguments;
    process::ErrorStream errors = process::ErrorStream::Inherit;
    process::StandardStreams streams = process::StandardStreams::Inherit;
    bool operator==(const Call&) const = default;
  };

  // The answer for every call of `program`...
  void script(const std::string& program, int exitStatus, std::string output = {}) {
    scripts_[program] = process::CapturedRun{exitStatus, std::move(output), false};
  }
  // ...unless a call with exactly these arguments has an answer of its own.
  void scriptCall(const std::string& program, const std::vector<std::string>& arguments,
                  int exitStatus, std::string output = {}) {
    callScripts_[{program, arguments}] = process::CapturedRun{exitStatus, std::move(output), false};
  }

  std::optional<process::CapturedRun> runCapturingOutput(
      const std::string& program, const std::vector<std::string>& arguments,
      process::ErrorStream errors = process::ErrorStream::Inherit) override {
    calls.push_back({program, arguments, errors});
    return answer(program, arguments);
  }

  std::optional<int> runAndWait(
      const std::string& program, const std::vector<std::string>& arguments,
      process::StandardStreams streams = process::StandardStreams::Inherit) override {
    calls.push_back({program, arguments, process::ErrorStream::Inherit, streams});
    const auto run = answer(program, arguments);
    if (!run) return std::nullopt;
    return run->exitStatus;
  }

  bool startDetached(const std::string& program, const std::vector<std::string>& arguments) override {
    calls.push_back({program, arguments});
    return answer(program, arguments).has_value();
  }

  std::vector<Call> calls;

 private:
  std::optional<process::CapturedRun> answer(const std::string& program,
                                             const std::vector<std::string>& arguments) const {
    if (const auto it = callScripts_.find({program, arguments}); it != callScripts_.end()) {
      return it->second;
    }
    if (const auto it = scripts_.find(program); it != scripts_.end()) return it->second;
    return std::nullopt;
  }

  std::map<std::string, process::CapturedRun> scripts_;
  std::map<std::pair<std::string, std::vector<std::string>>, process::CapturedRun> callScripts_;
};

}  // namespace platform::testing
