#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Config.h"

namespace hearmark {
namespace {

using Args = std::vector<std::string>;

TEST(ParseArgs, ReadsThePathAndOptionPairs) {
  struct Case {
    Args args;
    double floor;
    std::int64_t top;
  };
  const Case cases[] = {
      {{"a.m4a"}, 0.05, 8},
      {{"a.m4a", "--floor", "1e-1"}, 0.1, 8},
      {{"a.m4a", "--floor", ".5"}, 0.5, 8},
      {{"a.m4a", "--floor", "-0.2"}, -0.2, 8},
      {{"a.m4a", "--floor", "0x1p-4"}, 0.0625, 8},
      {{"a.m4a", "--floor", "-inf"}, -std::numeric_limits<double>::infinity(), 8},
      {{"a.m4a", "--top", "007"}, 0.05, 7},
      {{"a.m4a", "--top", "+5"}, 0.05, 5},
      {{"a.m4a", "--top", "0"}, 0.05, 0},
      {{"a.m4a", "--top", "9223372036854775807"}, 0.05, std::numeric_limits<std::int64_t>::max()},
      {{"a.m4a", "--top", "3", "--floor", "0.1", "--floor", "0.3", "--top", "2"}, 0.3, 2},
  };
  for (const Case& c : cases) {
    const auto config = parseArgs(c.args);
    ASSERT_TRUE(config) << ::testing::PrintToString(c.args);
    EXPECT_EQ(config->path, "a.m4a");
    EXPECT_EQ(config->floor, c.floor) << ::testing::PrintToString(c.args);
    EXPECT_EQ(config->top, c.top) << ::testing::PrintToString(c.args);
  }
  const auto nan = parseArgs({"a", "--floor", "nan"});
  ASSERT_TRUE(nan);
  EXPECT_TRUE(std::isnan(nan->floor));
  EXPECT_EQ(parseArgs({"--top"})->path, "--top") << "the first argument is always the path";
}

TEST(ParseArgs, RejectsWhatDoesNotParse) {
  const Args cases[] = {
      {},
      {"--top", "3"},
      {"a", "--top"},
      {"a", "--floor"},
      {"a", "b"},
      {"a", "--list-labels"},
      {"a", "--Floor", "0.1"},
      {"a", "--floor", "abc"},
      {"a", "--floor", ""},
      {"a", "--floor", " 0.1"},
      {"a", "--floor", "0.1 "},
      {"a", "--top", "3.0"},
      {"a", "--top", ""},
      {"a", "--top", "+"},
      {"a", "--top", "99999999999999999999"},
      {"a", "--top", "-1"},
      {"a", "--floor", "0.1", "x", "--top", "2"},
  };
  for (const Args& args : cases) EXPECT_FALSE(parseArgs(args)) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace hearmark
