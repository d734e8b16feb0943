// await-application BUNDLE_ID SECONDS: waits until an application that owns
// BUNDLE_ID on the session bus has joined the accessibility bus; exits 0 when
// it did in time, 1 when not. Tests and the demo use it to know when the
// recorder can be driven.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/workspace/Workspace.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string id = argv[1];
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration<double>(std::atof(argv[2]));
  const auto workspace = platform::workspace::makeSystemWorkspace();
  for (;;) {
    for (const auto& application : workspace->runningApplications()) {
      if (application.bundleIdentifier == id) return 0;
    }
    if (std::chrono::steady_clock::now() >= deadline) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
