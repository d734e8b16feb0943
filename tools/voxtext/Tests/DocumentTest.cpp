#include "Document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "Trim.h"

namespace voxtext {
namespace {

using platform::speech::Result;
using TextRun = platform::speech::Run;
using platform::time::MediaTime;
using platform::time::MediaTimeRange;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

MediaTimeRange range(std::int64_t start, std::int64_t duration, std::int32_t scale) {
  return {MediaTime::make(start, scale), MediaTime::make(duration, scale)};
}

Result result(std::vector<TextRun> runs, MediaTimeRange where = range(0, 1, 1)) {
  Result r;
  r.text.runs = std::move(runs);
  r.range = where;
  return r;
}

TextRun plain(std::string text) { return TextRun{std::move(text), std::nullopt, std::nullopt}; }

std::string document(const std::vector<Result>& finals) {
  return *encode(output(finals, "en-US", [] { return "build-7"; }));
}

TEST(TranscriptDocument, WithoutSpeechItStillHasEveryKey) {
  const std::string empty =
      R"({"firstFinalizedText":null,"locale":"en-US","macOSBuild":"build-7","results":[],"text":""})";
  const std::vector<std::vector<Result>> cases = {
      {},
      {result({})},
      {result({plain("")})},
      {result({plain(" \t\n\r\v\f"), plain("\u00A0\u0085\u2028\u2029\u3000\u2003")})},
  };
  for (const auto& finals : cases) EXPECT_EQ(document(finals), empty);
}

TEST(TranscriptDocument, SegmentsSkipBlankResultsAndJoinWithLineFeeds) {
  const std::vector<Result> finals = {
      result({plain("  \n")}, range(0, 2, 1)),
      result({plain(" Hello"), plain("  "), plain("world \n")}, range(3, 2, 2)),
      result({plain("Second")}, range(5, 1, 1)),
  };
  EXPECT_EQ(
      document(finals),
      R"({"firstFinalizedText":"Hello  world","locale":"en-US","macOSBuild":"build-7","results":[)"
      R"({"end":2.5,"start":1.5,"text":"Hello  world","words":[{"text":"Hello"},{"text":"world"}]},)"
      R"({"end":6.0,"start":5.0,"text":"Second","words":[{"text":"Second"}]}],)"
      R"("text":"Hello  world\nSecond"})");
}

TEST(TranscriptDocument, WordsCarryOnlyFiniteConfidencesAndTimes) {
  MediaTime invalid = MediaTime::make(1, 1);
  invalid.kind = MediaTime::Kind::Invalid;
  MediaTime infinite = MediaTime::make(1, 1);
  infinite.kind = MediaTime::Kind::PositiveInfinity;
  const Result r = result(
      {
          TextRun{"one", 0.5, range(3, 1, 2)},                        // 1.5 to 2.0, as computed
          plain(" "),                                            // yields no word
          TextRun{" two", kNaN, std::nullopt},                        // no confidence, no times
          TextRun{"three ", 0.25, MediaTimeRange{invalid, MediaTime::make(1, 1)}},
          TextRun{"four", std::numeric_limits<double>::infinity(),
              MediaTimeRange{MediaTime::make(1, 4), infinite}},  // a start, no end
      },
      MediaTimeRange{MediaTime::make(7, 10), invalid});
  EXPECT_EQ(
      words(r).dump(),
      R"([{"confidence":0.5,"end":2.0,"start":1.5,"text":"one"},{"text":"two"},)"
      R"({"confidence":0.25,"text":"three"},{"start":0.25,"text":"four"}])");
  const auto segment = output({r}, "de-DE", [] { return ""; })["results"][0];
  EXPECT_EQ(segment["start"], 0.7);
  EXPECT_FALSE(segment.contains("end")) << "a valid start with an invalid duration has no end";
}

TEST(TranscriptDocument, TheBuildIsLookedUpWhileBuilding) {
  int lookups = 0;
  const auto doc = output({}, "en-US", [&] { return "lookup-" + std::to_string(++lookups); });
  EXPECT_EQ(doc["macOSBuild"], "lookup-1");
  EXPECT_EQ(lookups, 1);
}

TEST(Trimming, UsesTheWhitespaceAndNewlineSetAtTheEdgesOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"\u2029\u3000 a \u00A0 b \u0085\r\n", "a \u00A0 b"},
      {"\u200Bword\u200B", "\u200Bword\u200B"},  // a zero-width space is not a space
      {"\u1680\u205F\u202Fx", "x"},
      {"", ""},
      {"   ", ""},
      {"caf\u00E9", "caf\u00E9"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(trimmed(text), expected) << text;
}

TEST(Emit, WritesOneFlushedLineOrNothing) {
  const nlohmann::json doc = output({result({plain("hi")})}, "en-US", [] { return "b"; });
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(emit(doc, out), std::nullopt);
  std::rewind(out);
  char buffer[512] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer, out);
  EXPECT_EQ(std::string(buffer, n), *encode(doc) + "\n");
  std::fclose(out);

  // Text that is not UTF-8 cannot be encoded: nothing is written.
  const nlohmann::json broken =
      output({result({plain("caf\xE9")})}, "en-US", [] { return "b"; });
  out = std::tmpfile();
  EXPECT_EQ(emit(broken, out), (Failure{"Could not encode the transcript as JSON", 1}));
  EXPECT_EQ(std::ftell(out), 0);
  std::fclose(out);
}

TEST(Emit, AnOutputThatCannotBeWrittenIsAFailure) {
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(emit(output({}, "en-US", [] { return ""; }), full),
            (Failure{"Could not write the transcript: No space left on device", 1}));
  std::fclose(full);
}

}  // namespace
}  // namespace voxtext
