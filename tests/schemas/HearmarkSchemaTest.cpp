// hearmark's outputs hold to docs/schemas/hearmark.schema.json: on the sample
// recordings with the default and extreme options, and on a file without
// samples.
#include <gtest/gtest.h>

#include <fstream>

#include "SchemaCheck.h"
#include "platform/testing/WaveHeader.h"

namespace {

using Strings = std::vector<std::string>;

TEST(HearmarkSchema, OutputsOnTheSamples) {
  platform::testing::TemporaryDirectory dir("hearmark-schema");
  const std::string empty = (dir.path() / "empty.wav").string();
  std::ofstream(empty) << platform::testing::waveHeader(16000, 1, 0);
  const std::string sounds = SAMPLES_DIR "/sounds.m4a";
  const std::string speech = SAMPLES_DIR "/speech.m4a";

  const std::vector<Strings> cases = {
      {sounds}, {speech}, {sounds, "--top", "0"}, {sounds, "--floor", "2"},
      {sounds, "--floor", "-inf", "--top", "1000"}, {empty},
  };
  std::vector<std::string> documents;
  for (const auto& arguments : cases) {
    const auto run = platform::testing::runProgram(HEARMARK_BIN, arguments);
    ASSERT_EQ(run.status, 0) << arguments.front() << ": " << run.err;
    documents.push_back(run.out);
  }
  EXPECT_EQ(documents.back(), "[]\n");
  schemas::expectValid("hearmark", documents);
}

}  // namespace
