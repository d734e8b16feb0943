#include "HeadlessSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace platform::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kStartSeconds = 15;

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

// Reads from `fd` until a line feed arrives, the writer closes, or the
// deadline passes; gives what was read up to the line feed.
std::string readLine(int fd, double seconds) {
  std::string text;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (text.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  const auto end = text.find('\n');
  return end == std::string::npos ? std::string{} : text.substr(0, end);
}

// The parent of every process, from /proc.
std::map<pid_t, pid_t> parents() {
  std::map<pid_t, pid_t> result;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (command) state ppid ...: the command may hold spaces and parentheses.
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size()) continue;
    const pid_t ppid = static_cast<pid_t>(std::atol(line.c_str() + close + 4));
    result[static_cast<pid_t>(std::atol(name.c_str()))] = ppid;
  }
  return result;
}

std::set<pid_t> descendantsOf(pid_t root) {
  const auto parentOf = parents();
  std::set<pid_t> found;
  bool grew = true;
  while (grew) {
    grew = false;
    for (const auto& [pid, ppid] : parentOf) {
      if ((ppid == root || found.count(ppid) != 0) && found.insert(pid).second) grew = true;
    }
  }
  return found;
}

void reapExited() {
  int status = 0;
  while (waitpid(-1, &status, WNOHANG) > 0) {
  }
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

const std::vector<std::string>& HeadlessSession::foreignVariables() {
  static const std::vector<std::string> names = {
      "DISPLAY",         "WAYLAND_DISPLAY",   "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
      "NO_AT_BRIDGE",    "XAUTHORITY",        "SESSION_MANAGER",          "DESKTOP_AUTOSTART_ID",
      "HOME",            "XDG_RUNTIME_DIR",   "XDG_DATA_HOME",            "XDG_CONFIG_HOME",
      "XDG_CACHE_HOME",  "XDG_STATE_HOME",    "GSETTINGS_BACKEND",        "GTK_MODULES",
      "DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"};
  return names;
}

HeadlessSession::HeadlessSession() {
  // Detached grandchildren (the accessibility bus, programs started in the
  // background) must stay ours to stop.
  prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);

  std::string pattern = (fs::temp_directory_path() / "headless-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a session directory");
  directory_ = pattern;
  for (const char* sub : {"home", "runtime", "data", "config", "cache"}) {
    fs::create_directory(directory_ / sub);
    chmod((directory_ / sub).c_str(), 0700);
  }

  try {
    int displayPipe[2];
    if (pipe2(displayPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           "-noreset"},
          displayPipe[1], "Xvfb.log");
    close(displayPipe[1]);
    const std::string number = readLine(displayPipe[0], kStartSeconds);
    close(displayPipe[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;

    const fs::path runtime = directory_ / "runtime";
    environment_ = {{"DISPLAY", display_},
                    {"HOME", (directory_ / "home").string()},
                    {"XDG_RUNTIME_DIR", runtime.string()},
                    {"XDG_DATA_HOME", dataHome().string()},
                    {"XDG_CONFIG_HOME", (directory_ / "config").string()},
                    {"XDG_CACHE_HOME", (directory_ / "cache").string()},
                    {"GSETTINGS_BACKEND", "memory"}};

    int busPipe[2];
    if (pipe2(busPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    spawn({"dbus-daemon", "--session", "--address=unix:path=" + (runtime / "bus").string(),
           "--nofork", "--nopidfile", "--print-address=3"},
          busPipe[1], "dbus-daemon.log");
    close(busPipe[1]);
    busAddress_ = readLine(busPipe[0], kStartSeconds);
    close(busPipe[0]);
    if (busAddress_.empty()) throw std::runtime_error("the session bus did not start");
    environment_.emplace_back("DBUS_SESSION_BUS_ADDRESS", busAddress_);
  } catch (...) {
    stop();
    throw;
  }
}

HeadlessSession::~HeadlessSession() { stop(); }

RunOptions HeadlessSession::runOptions() const {
  RunOptions options;
  options.unsetEnv = foreignVariables();
  options.setEnv = environment_;
  return options;
}

void HeadlessSession::enterSession() const {
  for (const auto& name : foreignVariables()) unsetenv(name.c_str());
  for (const auto& [name, value] : environment_) setenv(name.c_str(), value.c_str(), 1);
}

pid_t HeadlessSession::spawn(const std::vector<std::string>& argv, int readyFd,
                             const std::string& logName) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const auto eq = entry.find('=');
    if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& name : foreignVariables()) env.erase(name);
  for (const auto& [name, value] : environment_) env[name] = value;
  envStrings_.clear();
  for (const auto& [name, value] : env) envStrings_.push_back(name + "=" + value);
  auto envp = pointers(envStrings_);
  std::vector<std::string> args = argv;
  auto argp = pointers(args);
  const std::string log = (directory_ / logName).string();
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (in < 0 || out < 0) _exit(127);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    if (readyFd >= 0) dup2(readyFd, 3);  // dup2 clears close-on-exec
    execvpe(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  return pid;
}

pid_t HeadlessSession::start(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const std::string log = fs::path(program).filename().string() + ".log";
  return spawn(argv, -1, log);
}

void HeadlessSession::stop() {
  if (stopped_) return;
  stopped_ = true;
  const pid_t self = getpid();
  // Ask everything to end, then insist on what is left.
  for (const int signal : {SIGTERM, SIGKILL}) {
    for (const pid_t pid : descendantsOf(self)) kill(pid, signal);
    waitUntil(
        [&] {
          reapExited();
          return descendantsOf(self).empty();
        },
        signal == SIGTERM ? 5.0 : 2.0);
  }
  std::error_code ignored;
  if (!directory_.empty()) fs::remove_all(directory_, ignored);
}

}  // namespace platform::testing
