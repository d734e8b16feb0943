// Runs the built program as the host does: exact standard error, status and
// the shape of standard output on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>

#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"
#include "platform/testing/WaveHeader.h"

namespace {

using nlohmann::json;
using platform::testing::runProgram;
using Args = std::vector<std::string>;

const std::string kUsage =
    "Usage: hearmark <audio-file> [--floor 0.05] [--top 8]\n"
    "       hearmark --list-labels\n";

class HearmarkCommandLine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new platform::testing::TemporaryDirectory("hearmark");
    // 2.25 seconds: windows start at 0, 0.5, 1 and 1.5.
    const auto made = runProgram("/usr/bin/sox", {"-n", "-r", "44100", "-c", "2", *dir / "tone.wav",
                                                  "synth", "1", "sine", "440", "pad", "0", "1.25"});
    ASSERT_EQ(made.status, 0) << made.err;
    dir->write("empty.wav", platform::testing::waveHeader(16000, 1, 0));
    // The header promises 2.25 s, the data holds one second.
    dir->write("cut.wav", platform::testing::waveHeader(16000, 1, 72000) + std::string(32000, '\0'));
    dir->write("notes.txt", "words, not sound\n");
    std::filesystem::create_directory(*dir / "folder.m4a");
  }
  static void TearDownTestSuite() { delete dir; }
  static platform::testing::TemporaryDirectory* dir;
};
platform::testing::TemporaryDirectory* HearmarkCommandLine::dir = nullptr;

TEST_F(HearmarkCommandLine, FailuresWriteOneMessageAndNothingElse) {
  const std::string tone = *dir / "tone.wav";
  struct Case {
    Args args;
    std::string err;
    int status;
  };
  const Case cases[] = {
      {{}, kUsage, 2},
      {{"--top", "3"}, kUsage, 2},
      {{tone, "--top"}, kUsage, 2},
      {{tone, "--list-labels"}, kUsage, 2},
      {{tone, "--floor", "0.1 "}, kUsage, 2},
      {{tone, "--top", "-1"}, kUsage, 2},
      {{"--floor"}, "File not found: --floor\n", 1},
      {{"missing.wav", "--top", "2"}, "File not found: missing.wav\n", 1},
      {{*dir / "folder.m4a"}, "Error: Cannot read the file as audio: Is a directory\n", 1},
      {{*dir / "notes.txt"},
       "Error: Cannot read the file as audio: Invalid data found when processing input\n", 1},
      {{*dir / "cut.wav"},
       "Analysis failed: Decoding stopped after 1.000 s of audio: the file is cut short (it states "
       "2.250 s)\n",
       1},
  };
  for (const Case& c : cases) {
    const auto run = runProgram(HEARMARK_BIN, c.args);
    EXPECT_EQ(run.err, c.err) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.out, "") << ::testing::PrintToString(c.args);
  }
}

TEST_F(HearmarkCommandLine, ListsTheLabelsSortedWhateverFollows) {
  const auto run = runProgram(HEARMARK_BIN, {"--list-labels"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');
  std::vector<std::string> labels;
  for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
    labels.push_back(run.out.substr(start, end - start));
    EXPECT_FALSE(labels.back().empty());
  }
  EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end()));
  EXPECT_EQ(runProgram(HEARMARK_BIN, {"--list-labels", "extra", "--top"}).out, run.out);
}

TEST_F(HearmarkCommandLine, PrintsOneRowPerWindowAsAJsonArray) {
  const auto listed = runProgram(HEARMARK_BIN, {"--list-labels"}).out;
  const auto known = std::size_t(std::count(listed.begin(), listed.end(), '\n'));
  ASSERT_GE(known, 8u);
  // Negative floors let every label through, so `top` alone sets the count;
  // the default floor depends on what the model hears in a tone.
  struct Case {
    Args args;
    std::optional<std::size_t> labels;
  };
  const std::string tone = *dir / "tone.wav";
  const Case cases[] = {
      {{tone}, std::nullopt},
      {{tone, "--floor", "-1e-1", "--top", "007"}, 7},
      {{tone, "--top", "+5", "--floor", "-.5"}, 5},
      {{tone, "--floor", "-0x1p-4"}, 8},
      {{tone, "--floor", "-0.2", "--top", "99999"}, known},
      {{tone, "--floor", "-0.2", "--floor", "2"}, 0},  // the last floor is above every confidence
      {{tone, "--floor", "-0.2", "--top", "0"}, 0},
  };
  for (const Case& c : cases) {
    const auto run = runProgram(HEARMARK_BIN, c.args);
    ASSERT_EQ(run.status, 0) << ::testing::PrintToString(c.args) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    const json rows = json::parse(run.out);
    ASSERT_EQ(rows.size(), 4u) << run.out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].size(), 2u);
      EXPECT_EQ(rows[i]["time"], 0.5 * double(i));
      ASSERT_TRUE(rows[i]["labels"].is_object());
      if (c.labels) {
        EXPECT_EQ(rows[i]["labels"].size(), *c.labels) << ::testing::PrintToString(c.args);
      }
    }
  }
}

TEST_F(HearmarkCommandLine, TakesARelativePathFromTheWorkingDirectoryAndAnEmptyFileGivesAnEmptyArray) {
  platform::testing::RunOptions here;
  here.workingDirectory = dir->path().string();
  const auto relative = runProgram(HEARMARK_BIN, {"tone.wav"}, here);
  EXPECT_EQ(relative.status, 0) << relative.err;
  EXPECT_EQ(json::parse(relative.out).size(), 4u);

  const auto empty = runProgram(HEARMARK_BIN, {"empty.wav"}, here);
  EXPECT_EQ(empty.out, "[]\n");
  EXPECT_EQ(empty.err, "");
  EXPECT_EQ(empty.status, 0);
}

}  // namespace
