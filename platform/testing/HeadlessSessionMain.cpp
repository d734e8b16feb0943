// headless-session COMMAND [ARG...]: runs one command inside a fresh private
// desktop session (see HeadlessSession), then stops everything the session
// and the command started and removes the session directory. Exits with the
// command's status. Used by the demo and the benchmarks.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "HeadlessSession.h"

namespace {

volatile sig_atomic_t commandPid = 0;

// Passes a request to stop on to the command; the session is stopped once
// the command has ended.
void forwardSignal(int signal) {
  if (commandPid > 0) kill(commandPid, signal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: headless-session COMMAND [ARG...]\n");
    return 2;
  }
  try {
    platform::testing::HeadlessSession session;
    session.enterSession();
    int status = 127;
    const pid_t pid = fork();
    if (pid == 0) {
      std::vector<char*> args(argv + 1, argv + argc);
      args.push_back(nullptr);
      execvp(args[0], args.data());
      std::perror(args[0]);
      _exit(127);
    }
    if (pid > 0) {
      commandPid = pid;
      struct sigaction action{};
      action.sa_handler = forwardSignal;
      for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
      int raw = 0;
      while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
      }
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    session.stop();
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "headless-session: %s\n", e.what());
    return 1;
  }
}
