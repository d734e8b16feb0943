// Runs the built program as the host does and checks the exact bytes and status.
#include <gtest/gtest.h>

#include "platform/testing/RunProgram.h"

namespace {

using platform::testing::runProgram;

const std::string kModeUsage =
    "usage: memotitler --session-check | --prepare-offscreen | --restore-window | --find TITLE "
    "--new-title TITLE\n";

TEST(MemotitlerCommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"--find"},
      {"--find", "--new-title", "x"},
      {"--duration", "abc"},
      {"--duration", "90s"},
      {"--duration", ""},
      {"--session-check", "stray"},
      {"--SESSION-CHECK"},
      {"--find", "a", "--new-title", "b", "--duration"},
  };
  for (const auto& args : cases) {
    const auto run = runProgram(MEMOTITLER_BIN, args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, kModeUsage);
  }
}

TEST(MemotitlerCommandLine, SessionCheckWinsOverEveryOtherMode) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--session-check"},
        std::vector<std::string>{"--prepare-offscreen", "--session-check", "--find", "x"}}) {
    const auto run = runProgram(MEMOTITLER_BIN, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    // This machine has no ioreg; its answer depends on the login manager.
    EXPECT_TRUE(run.out == "{\"locked\":false,\"result\":\"ok\"}\n" ||
                run.out == "{\"locked\":true,\"result\":\"ok\"}\n")
        << run.out;
  }
}

}  // namespace

namespace {

TEST(MemotitlerCommandLine, WithoutAnAccessibilityBusTheUIModesAreNotAuthorized) {
  const std::string notAuthorized =
      "{\"error\":\"Accessibility permission required. System Settings \xE2\x86\x92 Privacy & "
      "Security \xE2\x86\x92 Accessibility.\",\"result\":\"not_authorized\"}\n";
  platform::testing::RunOptions noBus;
  noBus.unsetEnv = {"DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"};
  noBus.setEnv = {{"XDG_RUNTIME_DIR", "/nonexistent"}};
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"--find", "a"},
        std::vector<std::string>{"--find", "a", "--new-title", "b", "--date", "2024-01-01"},
        std::vector<std::string>{"--prepare-offscreen"},
        std::vector<std::string>{"--restore-window", "--skip-launch"}}) {
    const auto run = platform::testing::runProgram(MEMOTITLER_BIN, args, noBus);
    EXPECT_EQ(run.status, 1) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, notAuthorized);
    EXPECT_EQ(run.err, "");
  }
}

}  // namespace
