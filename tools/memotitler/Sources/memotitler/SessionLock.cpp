#include "SessionLock.h"

#include <sstream>
#include <string>
#include <vector>

#include "platform/text/Utf8.h"

namespace memotitler {
namespace {

constexpr const char* kIoreg = "/usr/sbin/ioreg";
constexpr const char* kLoginctl = "/usr/bin/loginctl";

// Runs loginctl and gives its output when it ran and succeeded. Its complaints
// (no systemd, no bus) are not ours to pass on: our standard error carries only
// our own failure lines.
std::optional<std::string> loginctl(platform::process::ProcessLauncher& launcher,
                                    const std::vector<std::string>& arguments) {
  const auto run =
      launcher.runCapturingOutput(kLoginctl, arguments, platform::process::ErrorStream::Discard);
  if (!run || run->exitStatus != 0 || run->outputTruncated) return std::nullopt;
  return run->output;
}

std::string firstLine(const std::string& text) {
  const auto end = text.find('\n');
  return end == std::string::npos ? text : text.substr(0, end);
}

bool isGraphical(const std::string& type) {
  return type == "x11" || type == "wayland" || type == "mir";
}

// The user's graphical session: the one logind names as the user's display,
// else the first of the user's sessions whose type is graphical.
std::optional<std::string> graphicalSession(platform::process::ProcessLauncher& launcher,
                                            unsigned userId) {
  const std::string uid = std::to_string(userId);
  if (const auto display = loginctl(launcher, {"show-user", uid, "-p", "Display", "--value"})) {
    const std::string id = firstLine(*display);
    if (!id.empty()) return id;
  }
  const auto sessions = loginctl(launcher, {"list-sessions", "--no-legend"});
  if (!sessions) return std::nullopt;
  std::istringstream lines(*sessions);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, sessionUid;
    if (!(fields >> id >> sessionUid) || sessionUid != uid) continue;
    const auto type = loginctl(launcher, {"show-session", id, "-p", "Type", "--value"});
    if (type && isGraphical(firstLine(*type))) return id;
  }
  return std::nullopt;
}

bool logindSaysLocked(platform::process::ProcessLauncher& launcher, unsigned userId) {
  const auto session = graphicalSession(launcher, userId);
  if (!session) return false;
  const auto hint = loginctl(launcher, {"show-session", *session, "-p", "LockedHint", "--value"});
  return hint && firstLine(*hint) == "yes";
}

}  // namespace

bool ioregSaysLocked(std::string_view output) {
  if (!platform::text::isValidUtf8(output)) return false;
  return output.find("\"CGSSessionScreenIsLocked\"=Yes") != std::string_view::npos;
}

bool isSessionLocked(platform::process::ProcessLauncher& launcher, unsigned userId) {
  const auto run = launcher.runCapturingOutput(
      kIoreg, {"-n", "IOConsoleUsers", "-r", "-k", "CGSSessionScreenIsLocked"});
  if (run) return ioregSaysLocked(run->output);
  return logindSaysLocked(launcher, userId);
}

}  // namespace memotitler
