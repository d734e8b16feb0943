#pragma once

#include <map>
#include <string>

#include "Workspace.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/time/Sleeper.h"

namespace platform::workspace {

// The workspace of a desktop session with an accessibility bus (AT-SPI 2).
//
// Running applications are the accessibility desktop's children, in its
// order: name as localized name, process id, and as bundle identifier the
// application id that the process owns on the session bus (a GApplication
// id), absent when it owns none.
//
// An application's location is its desktop entry `<bundle id>.desktop` in
// the XDG data directories. Opening one starts the entry's Exec program in
// the background, detached, from an argument vector (no shell), unless an
// application with the entry's id runs already and no new instance was
// asked for; then it waits, at most kLaunchPolls pauses of
// kLaunchPollSeconds, until the application has joined the accessibility
// bus, because only from then on does it count as running here. "Activates" and "hides" have no
// counterpart: the program starts as it would from a menu.
class AtspiWorkspace : public Workspace {
 public:
  static constexpr int kLaunchPolls = 50;
  static constexpr double kLaunchPollSeconds = 0.1;

  AtspiWorkspace(process::ProcessLauncher& process, time::Sleeper& sleeper)
      : process_(process), sleeper_(sleeper) {}

  std::vector<RunningApplication> runningApplications() override;
  std::optional<std::string> applicationLocation(const std::string& bundleIdentifier) override;
  void openApplication(const std::string& location, const OpenConfiguration& configuration) override;

 private:
  bool isRunning(const std::string& applicationId);

  process::ProcessLauncher& process_;
  time::Sleeper& sleeper_;
};

// The well-known names on the session bus, by the process that owns them;
// the first in name order where a process owns several.
std::map<std::int32_t, std::string> sessionBusApplicationIds();

}  // namespace platform::workspace
