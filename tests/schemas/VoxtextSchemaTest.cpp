// voxtext's transcript holds to docs/schemas/voxtext.schema.json: the built
// program on the speech sample and on silence, and the document of results
// that carry every missing and non-finite value the transcriber can give.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "Document.h"
#include "SchemaCheck.h"
#include "platform/testing/WaveHeader.h"

namespace {

using platform::speech::Result;
using TextRun = platform::speech::Run;
using platform::time::MediaTime;
using platform::time::MediaTimeRange;

TEST(VoxtextSchema, TranscriptsOfTheSampleAndOfSilence) {
  platform::testing::TemporaryDirectory dir("voxtext-schema");
  const std::string silence = (dir.path() / "silence.wav").string();
  const std::uint32_t bytes = 16000 * 2;  // one second
  std::ofstream(silence) << platform::testing::waveHeader(16000, 1, bytes) << std::string(bytes, '\0');

  std::vector<std::string> documents;
  for (const std::string& file : {std::string(SAMPLES_DIR "/speech.m4a"), silence}) {
    const auto run = platform::testing::runProgram(VOXTEXT_BIN, {file});
    ASSERT_EQ(run.status, 0) << file << ": " << run.err;
    documents.push_back(run.out);
  }
  EXPECT_NE(documents.front().find("\"words\":[{"), std::string::npos) << "the sample has speech";
  EXPECT_NE(documents.back().find("\"results\":[]"), std::string::npos) << "silence has none";
  schemas::expectValid("voxtext", documents);
}

TEST(VoxtextSchema, DocumentsWithMissingAndNonFiniteValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const MediaTime invalid = MediaTime::invalid();
  const auto at = [](std::int64_t start, std::int64_t duration) {
    return MediaTimeRange{MediaTime::make(start, 100), MediaTime::make(duration, 100)};
  };
  const auto result = [](std::vector<TextRun> runs, MediaTimeRange range) {
    Result r;
    r.text.runs = std::move(runs);
    r.range = range;
    return r;
  };
  const std::vector<std::vector<Result>> cases = {
      {},
      {result({TextRun{" \n", std::nullopt, std::nullopt}}, at(0, 50))},
      {
          result({TextRun{"\u00A0", std::nullopt, std::nullopt}}, at(0, 10)),
          result({TextRun{"one", 0.5, at(10, 20)}, TextRun{" ", std::nullopt, std::nullopt},
                  TextRun{"two ", nan, std::nullopt}, TextRun{"three", inf, MediaTimeRange{invalid, at(0, 5).duration}},
                  TextRun{"four", 1.0, MediaTimeRange{at(90, 0).start, invalid}}},
                 MediaTimeRange{MediaTime::make(10, 100), invalid}),
          result({TextRun{"  five\tsix ", 0.0, at(120, 30)}}, MediaTimeRange{invalid, invalid}),
      },
  };
  std::vector<std::string> documents;
  for (const auto& finals : cases) {
    documents.push_back(*voxtext::encode(voxtext::output(finals, "en-US", [] { return ""; })));
  }
  schemas::expectValid("voxtext", documents);
}

}  // namespace
