#include "platform/speech/RecognisedWords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace platform::speech {
namespace {

TEST(SpokenWord, DropsFillersAndAlternateMarks) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"<s>", std::nullopt},          {"</s>", std::nullopt},       {"<sil>", std::nullopt},
      {"[NOISE]", std::nullopt},      {"[SPEECH]", std::nullopt},   {"++BREATH++", std::nullopt},
      {"", std::nullopt},             {"and(2)", "and"},            {"read(10)", "read"},
      {"hello", "hello"},             {"don't", "don't"},           {"moon's", "moon's"},
      {"(2)", "(2)"},                 {"x(a)", "x(a)"},             {"word()", "word()"},
  };
  for (const auto& [token, expected] : cases) EXPECT_EQ(spokenWord(token), expected) << token;
}

TEST(ResultFromWords, OneRunPerWordWithPlainSpacesBetween) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<RecognisedWord> words = {
      {"<s>", 16000, 17600, 1.0},      {"hello", 17600, 24000, 1.02},
      {"<sil>", 24000, 25600, 0.9},    {"world(2)", 25600, 33600, 0.25},
      {"again", 33600, 40000, nan},    {"</s>", 40000, 41600, 1.0},
  };
  const time::MediaTimeRange range{time::MediaTime::make(16000, 16000),
                                   time::MediaTime::make(25600, 16000)};
  const auto result = resultFromWords(words, range, 16000);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->isFinal);
  EXPECT_EQ(result->text.characters(), "hello world again");
  EXPECT_EQ(result->range.startSeconds(), 1.0);
  EXPECT_DOUBLE_EQ(result->range.endSeconds(), 2.6);

  const auto& runs = result->text.runs;
  ASSERT_EQ(runs.size(), 5u);
  for (const std::size_t space : {1u, 3u}) {
    EXPECT_EQ(runs[space].text, " ");
    EXPECT_FALSE(runs[space].confidence || runs[space].timeRange);
  }
  EXPECT_EQ(runs[0].confidence, 1.0) << "a posterior above 1 is clamped";
  EXPECT_EQ(runs[0].timeRange->startSeconds(), 1.1);
  EXPECT_DOUBLE_EQ(runs[0].timeRange->endSeconds(), 1.5);
  EXPECT_EQ(runs[2].text, "world");
  EXPECT_EQ(runs[2].confidence, 0.25);
  EXPECT_EQ(runs[2].timeRange->startSeconds(), 1.6);
  EXPECT_FALSE(runs[4].confidence) << "no confidence rather than a made-up one";
}

TEST(ResultFromWords, NothingWhenOnlyFillersWereHeard) {
  const std::vector<RecognisedWord> words = {{"<s>", 0, 160, 1}, {"[NOISE]", 160, 800, 1},
                                             {"</s>", 800, 960, 1}};
  EXPECT_FALSE(resultFromWords(words, {}, 16000));
  EXPECT_FALSE(resultFromWords({}, {}, 16000));
}

}  // namespace
}  // namespace platform::speech
