// Runs the built program as the host does and checks the exact bytes and status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"
#include "platform/testing/WaveHeader.h"

namespace {

namespace fs = std::filesystem;
using platform::testing::runProgram;
using platform::testing::RunOptions;

// A wave file with a header and no samples.
void writeEmptyWave(const fs::path& path) {
  std::ofstream(path, std::ios::binary) << platform::testing::waveHeader(16000, 1, 0);
}

std::string kernelRelease() {
  std::string release;
  std::getline(std::ifstream("/proc/sys/kernel/osrelease"), release);
  return release;
}

// The locale variables as the test sets them, everything else unset.
RunOptions inDirectory(const fs::path& dir,
                       std::vector<std::pair<std::string, std::string>> locale = {}) {
  RunOptions options;
  options.workingDirectory = dir.string();
  options.unsetEnv = {"LC_ALL", "LC_MESSAGES", "LANG"};
  options.setEnv = std::move(locale);
  return options;
}

TEST(VoxtextCommandLine, FailuresWriteOneLineAndNothingElse) {
  platform::testing::TemporaryDirectory dir;
  std::ofstream(dir.path() / "notes.txt") << "these are words, not sound\n";
  fs::create_directory(dir.path() / "folder");
  writeEmptyWave(dir.path() / "empty.wav");
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> locale;
    std::string errorStart;  // the whole line unless it ends in ": "
    int status;
  };
  const Case cases[] = {
      {{}, {}, "Usage: voxtext <audio-file>\n", 1},
      {{"empty.wav", "empty.wav"}, {}, "Usage: voxtext <audio-file>\n", 1},
      {{"-h"}, {}, "File not found: -h\n", 1},
      {{"missing.m4a"}, {}, "File not found: missing.m4a\n", 1},
      {{"./sub/../missing.m4a"}, {}, "File not found: ./sub/../missing.m4a\n", 1},
      {{"folder"}, {}, "Transcription failed: ", 1},
      {{(dir.path() / "folder").string()}, {}, "Transcription failed: ", 1},
      {{"notes.txt"}, {}, "Transcription failed: ", 1},  // found through the working directory
      {{"empty.wav"}, {{"LANG", "ja_JP.UTF-8"}}, "locale unsupported: ja-JP\n", 2},
      {{"empty.wav"}, {{"LC_MESSAGES", "de_DE.UTF-8@euro"}, {"LANG", "C"}},
       "locale model not installed: de-DE\n", 2},
  };
  for (const Case& c : cases) {
    const auto run = runProgram(VOXTEXT_BIN, c.arguments, inDirectory(dir.path(), c.locale));
    const std::string label = ::testing::PrintToString(c.arguments);
    EXPECT_EQ(run.status, c.status) << label;
    EXPECT_EQ(run.out, "") << label;
    if (c.errorStart.ends_with(": ")) {
      EXPECT_TRUE(run.err.starts_with(c.errorStart)) << label << ": " << run.err;
      EXPECT_GT(run.err.size(), c.errorStart.size() + 1) << label << ": a reason follows";
      EXPECT_TRUE(run.err.ends_with("\n") && run.err.find('\n') == run.err.size() - 1)
          << label << ": one line";
    } else {
      EXPECT_EQ(run.err, c.errorStart) << label;
    }
  }
}

TEST(VoxtextCommandLine, AudioWithoutSpeechGivesAnEmptyTranscript) {
  platform::testing::TemporaryDirectory dir;
  writeEmptyWave(dir.path() / "empty.wav");
  const std::string empty = R"({"firstFinalizedText":null,"locale":"en-US","macOSBuild":")" +
                            kernelRelease() + R"(","results":[],"text":""})" + "\n";
  // British English is transcribed with the American model.
  for (const auto& locale : std::vector<std::vector<std::pair<std::string, std::string>>>{
           {}, {{"LC_ALL", "C.UTF-8"}}, {{"LANG", "en_GB.UTF-8"}}}) {
    const auto run = runProgram(VOXTEXT_BIN, {"empty.wav"}, inDirectory(dir.path(), locale));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, empty);
  }
}

}  // namespace
