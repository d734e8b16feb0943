#include "ProcessLauncher.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform::process {
namespace {

// argv for posix_spawn: pointers into the strings, ending in nullptr.
std::vector<char*> makeArgv(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

class FileActions {
 public:
  FileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~FileActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

// Puts the child's standard input, output and error on /dev/null.
bool onDevNull(FileActions& actions) {
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    const int flags = fd == STDIN_FILENO ? O_RDONLY : O_WRONLY;
    if (posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/null", flags, 0) != 0) return false;
  }
  return true;
}

}  // namespace

std::optional<CapturedRun> RealProcessLauncher::runCapturingOutput(
    const std::string& program, const std::vector<std::string>& arguments, ErrorStream errors) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  FileActions actions;
  if (!actions.ok() || posix_spawn_file_actions_adddup2(actions.get(), fds[1], STDOUT_FILENO) != 0 ||
      (errors == ErrorStream::Discard &&
       posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0) != 0)) {
    close(fds[0]);
    close(fds[1]);
    return std::nullopt;
  }
  auto argv = makeArgv(program, arguments);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return std::nullopt;
  }
  CapturedRun run;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const std::size_t room = kCaptureLimit - run.output.size();
    const std::size_t take = std::min(room, static_cast<std::size_t>(n));
    run.output.append(buffer, take);
    if (take < static_cast<std::size_t>(n)) run.outputTruncated = true;
  }
  close(fds[0]);
  run.exitStatus = waitForExit(pid);
  return run;
}

std::optional<int> RealProcessLauncher::runAndWait(const std::string& program,
                                                   const std::vector<std::string>& arguments,
                                                   StandardStreams streams) {
  FileActions actions;
  if (!actions.ok()) return std::nullopt;
  if (streams == StandardStreams::Discard && !onDevNull(actions)) return std::nullopt;
  auto argv = makeArgv(program, arguments);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ) != 0) {
    return std::nullopt;
  }
  return waitForExit(pid);
}

bool RealProcessLauncher::startDetached(const std::string& program,
                                        const std::vector<std::string>& arguments) {
  FileActions actions;
  if (!actions.ok() || !onDevNull(actions)) return false;
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  auto argv = makeArgv(program, arguments);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), actions.get(), &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  // The child outlives this short-lived process; when we end, init adopts it.
  return rc == 0;
}

}  // namespace platform::process
