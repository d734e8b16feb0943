// Opening a desktop entry on a machine whose accessibility bus is out of
// reach: the launch itself is fully observable through the process double,
// and the application never shows up as running.
#include "AtspiWorkspace.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/FakeProcessLauncher.h"
#include "platform/testing/RecordingSleeper.h"
#include "platform/testing/TemporaryDirectory.h"

namespace platform::workspace {
namespace {

namespace fs = std::filesystem;
using Call = testing::FakeProcessLauncher::Call;

class WorkspaceLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    // No session bus: nothing is ever listed as running.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("AT_SPI_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    const char* path = std::getenv("PATH");
    savedPath_ = path != nullptr ? path : "";
    setenv("PATH", (root_ / "bin").c_str(), 1);
    fs::create_directories(root_ / "bin");
    tool_ = root_ / "bin" / "tool";
    std::ofstream(tool_) << "#!/bin/sh\n";
    chmod(tool_.c_str(), 0755);
  }
  void TearDown() override {
    setenv("PATH", savedPath_.c_str(), 1);
  }

  std::string entry(const std::string& body) {
    const fs::path file = root_ / "applications" / "com.example.Recorder.desktop";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "[Desktop Entry]\n" << body;
    return file.string();
  }

  testing::TemporaryDirectory directory_{"launch"};
  const fs::path& root_ = directory_.path();
  fs::path tool_;
  std::string savedPath_;
  testing::FakeProcessLauncher process_;
  testing::RecordingSleeper sleeper_;
  AtspiWorkspace workspace_{process_, sleeper_};
};

TEST_F(WorkspaceLaunch, StartsTheExecProgramFromAnArgumentVectorAndWaitsABoundedTime) {
  process_.script(tool_.string(), 0);
  const std::string location =
      entry("Type=Application\nExec=tool --title \"a b; \\\\$(rm -rf ~)\" %U\n");

  workspace_.openApplication(location, {.activates = false, .hides = true});

  EXPECT_EQ(process_.calls, (std::vector<Call>{{tool_.string(), {"--title", "a b; $(rm -rf ~)"}}}));
  EXPECT_EQ(sleeper_.pauses, std::vector<double>(AtspiWorkspace::kLaunchPolls, 0.1));
}

TEST_F(WorkspaceLaunch, EntriesThatCannotStartAnything) {
  for (const std::string body : {"Type=Application\nExec=tool\nHidden=true\n",
                                 "Type=Link\nExec=tool\n", "Type=Application\n",
                                 "Type=Application\nExec=tool \"open\n",
                                 "Type=Application\nExec=no-such-tool\n"}) {
    workspace_.openApplication(entry(body), {});
    EXPECT_TRUE(process_.calls.empty()) << body;
    EXPECT_TRUE(sleeper_.pauses.empty()) << body;
  }
  // A program that cannot be started is not waited for.
  workspace_.openApplication(entry("Type=Application\nExec=tool\n"), {});
  EXPECT_EQ(process_.calls.size(), 1u);
  EXPECT_TRUE(sleeper_.pauses.empty());
}

}  // namespace
}  // namespace platform::workspace
