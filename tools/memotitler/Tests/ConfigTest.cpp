#include "Config.h"

#include <gtest/gtest.h>

#include <cmath>

namespace memotitler {
namespace {

using Args = std::vector<std::string>;

TEST(ParseArgs, EmptyListGivesDefaults) {
  const auto config = parseArgs({});
  ASSERT_TRUE(config);
  EXPECT_FALSE(config->findTitle);
  EXPECT_FALSE(config->newTitle);
  EXPECT_FALSE(config->durationSeconds);
  EXPECT_TRUE(config->hiddenFirst);
  EXPECT_FALSE(config->skipLaunch || config->sessionCheck || config->prepareOffscreen ||
               config->restoreWindow);
}

TEST(ParseArgs, TakesValuesUnchangedAndLastOneWins) {
  const auto config = parseArgs({"--find", "old", "--find", " Memo \"2\" ", "--new-title", "--odd",
                                 "--date", "whatever", "--duration", "90", "--skip-launch"});
  ASSERT_TRUE(config);
  EXPECT_EQ(config->findTitle, " Memo \"2\" ");
  EXPECT_EQ(config->newTitle, "--odd");
  EXPECT_EQ(config->durationSeconds, 90.0);
  EXPECT_TRUE(config->skipLaunch);
  EXPECT_EQ(parseArgs({"--new-title", ""})->newTitle, "");
}

TEST(ParseArgs, SwitchesInOrder) {
  EXPECT_TRUE(parseArgs({"--no-hidden-first", "--hidden-first"})->hiddenFirst);
  EXPECT_FALSE(parseArgs({"--hidden-first", "--no-hidden-first"})->hiddenFirst);
  const auto all = parseArgs({"--session-check", "--prepare-offscreen", "--restore-window"});
  ASSERT_TRUE(all);
  EXPECT_TRUE(all->sessionCheck && all->prepareOffscreen && all->restoreWindow);
}

TEST(ParseArgs, DurationNumbers) {
  EXPECT_EQ(parseArgs({"--duration", "90.5"})->durationSeconds, 90.5);
  EXPECT_EQ(parseArgs({"--duration", "1e2"})->durationSeconds, 100.0);
  EXPECT_EQ(parseArgs({"--duration", "-3"})->durationSeconds, -3.0);
  EXPECT_TRUE(std::isinf(*parseArgs({"--duration", "inf"})->durationSeconds));
}

TEST(ParseArgs, Rejects) {
  const Args cases[] = {
      {"--find"},
      {"--find", "--new-title", "x"},
      {"--duration", "abc"},
      {"--duration", "90s"},
      {"--duration", ""},
      {"--duration", " 90"},
      {"--duration", "90 "},
      {"--duration", "1:30"},
      {"--session-check", "stray"},
      {"--Find", "x"},
      {"-find", "x"},
      {"--find=x"},
      {""},
      {"--date"},
  };
  for (const auto& args : cases) {
    EXPECT_FALSE(parseArgs(args)) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace memotitler
