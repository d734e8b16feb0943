#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::workspace {

// One running application as the workspace lists it.
struct RunningApplication {
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> localizedName;
  std::int32_t processIdentifier = 0;
  bool operator==(const RunningApplication&) const = default;
};

// How to open an application.
struct OpenConfiguration {
  bool activates = true;                       // bring it to the front
  bool hides = false;                          // start it hidden
  bool createsNewApplicationInstance = false;  // false: reuse a running instance
  bool operator==(const OpenConfiguration&) const = default;
};

// The user's running applications and installed applications.
class Workspace {
 public:
  virtual ~Workspace() = default;

  // The running applications, in the workspace's own order.
  virtual std::vector<RunningApplication> runningApplications() = 0;

  // Where the application with this bundle identifier is installed; nothing
  // when the workspace does not know it.
  virtual std::optional<std::string> applicationLocation(const std::string& bundleIdentifier) = 0;

  // Starts the application at `location` with the configuration and returns
  // at once, without waiting for it to run. Success or failure is not
  // reported; it shows only in later lists of running applications.
  virtual void openApplication(const std::string& location,
                               const OpenConfiguration& configuration) = 0;
};

// The workspace of this machine's desktop session.
std::unique_ptr<Workspace> makeSystemWorkspace();

}  // namespace platform::workspace
