#include "platform/process/ProcessLauncher.h"

#include <gtest/gtest.h>

namespace platform::process {
namespace {

TEST(RealProcessLauncher, CapturesOutputAndStatusWithoutAShell) {
  RealProcessLauncher launcher;
  // Arguments pass through untouched: no shell sees the quote or the `$`.
  const auto run = launcher.runCapturingOutput("/usr/bin/printf", {"%s|%s", "a \"b\" $HOME", "c"});
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->output, "a \"b\" $HOME|c");
  EXPECT_EQ(run->exitStatus, 0);
  EXPECT_FALSE(run->outputTruncated);

  const auto failing = launcher.runCapturingOutput("/bin/sh", {"-c", "echo out; exit 3"});
  ASSERT_TRUE(failing.has_value());
  EXPECT_EQ(failing->output, "out\n");
  EXPECT_EQ(failing->exitStatus, 3);
}

TEST(RealProcessLauncher, ReportsAProgramThatCannotStart) {
  RealProcessLauncher launcher;
  EXPECT_FALSE(launcher.runCapturingOutput("/nonexistent/tool", {}).has_value());
  EXPECT_FALSE(launcher.runAndWait("/nonexistent/tool", {}).has_value());
  EXPECT_FALSE(launcher.startDetached("/nonexistent/tool", {}));
  EXPECT_EQ(launcher.runAndWait("/bin/true", {}), 0);
  EXPECT_TRUE(launcher.startDetached("/bin/true", {}));
}

TEST(RealProcessLauncher, RunAndWaitCanPutTheChildsStreamsOnDevNull) {
  RealProcessLauncher launcher;
  // The child checks its own descriptors; the exit status carries the answer.
  const std::vector<std::string> check = {
      "-c", "[ /dev/fd/0 -ef /dev/null ] && [ /dev/fd/1 -ef /dev/null ] && [ /dev/fd/2 -ef /dev/null ]"};
  EXPECT_EQ(launcher.runAndWait("/bin/sh", check, StandardStreams::Discard), 0);
  EXPECT_EQ(launcher.runAndWait("/bin/sh", {"-c", "exit 4"}, StandardStreams::Discard), 4);
  EXPECT_FALSE(launcher.runAndWait("/nonexistent/tool", {}, StandardStreams::Discard).has_value());
}

TEST(RealProcessLauncher, BoundsCapturedOutput) {
  RealProcessLauncher launcher;
  // 20 MiB of zeros: more than the capture limit, all of it drained.
  const auto run = launcher.runCapturingOutput("/usr/bin/head", {"-c", "20971520", "/dev/zero"});
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->output.size(), RealProcessLauncher::kCaptureLimit);
  EXPECT_TRUE(run->outputTruncated);
  EXPECT_EQ(run->exitStatus, 0);
}

}  // namespace
}  // namespace platform::process
