#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "RunProgram.h"

namespace platform::testing {

// A private graphical desktop session for tests, benchmarks and demos: an X
// server without a screen (Xvfb) on a free display, a private D-Bus session
// bus, and private HOME, XDG_RUNTIME_DIR (mode 0700) and XDG data, config and
// cache directories in a fresh temporary directory. The session bus starts
// the accessibility bus on first use; GTK programs started in the session
// join it by themselves.
//
// Everything the session starts, and everything those processes start, is
// stopped by process id when the session stops: the creating process becomes
// a child subreaper, so descendants that detach stay in its process tree.
class HeadlessSession {
 public:
  // Starts the X server and the session bus and waits until both accept
  // connections. Throws std::runtime_error saying what did not start.
  HeadlessSession();
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  const std::filesystem::path& directory() const { return directory_; }
  // XDG_DATA_HOME of the session: desktop entries go to its applications/.
  std::filesystem::path dataHome() const { return directory_ / "data"; }
  const std::string& display() const { return display_; }
  const std::string& busAddress() const { return busAddress_; }

  // The variables a program needs to run inside the session, and those it
  // must not inherit from ours.
  const std::vector<std::pair<std::string, std::string>>& environment() const { return environment_; }
  static const std::vector<std::string>& foreignVariables();
  // Options for runProgram that run a program inside the session.
  RunOptions runOptions() const;
  // Makes this process itself a client of the session (for in-process use
  // of the desktop's services).
  void enterSession() const;

  // Starts a program inside the session in the background, its output
  // streams on files in the session directory. Throws when it cannot start.
  pid_t start(const std::string& program, const std::vector<std::string>& arguments);

  // Stops every process the session started and all their descendants,
  // waits for them, and removes the session directory. Safe to call twice.
  void stop();

 private:
  pid_t spawn(const std::vector<std::string>& argv, int readyFd, const std::string& logName);

  std::filesystem::path directory_;
  std::string display_;
  std::string busAddress_;
  std::vector<std::pair<std::string, std::string>> environment_;
  std::vector<std::string> envStrings_;
  bool stopped_ = false;
};

// Polls `condition` every 50 ms until it holds or `seconds` have passed;
// answers whether it held.
bool waitUntil(const std::function<bool()>& condition, double seconds);

}  // namespace platform::testing
