// The built hearmark and voxtext given the paths, files and sizes a host's
// users may have: each run gets the record or the one-line failure the host
// expects, never a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ProgramContract.h"
#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"
#include "platform/testing/WaveHeader.h"

namespace {

using platform::testing::ProgramRun;
using platform::testing::runProgram;

const char* const kPrograms[] = {HEARMARK_BIN, VOXTEXT_BIN};

std::string nameOf(const std::string& program) { return std::filesystem::path(program).filename(); }

ProgramRun bounded(const std::string& program, const std::vector<std::string>& args) {
  platform::testing::RunOptions options;
  options.timeLimit = std::chrono::seconds(300);
  return runProgram(program, args, options);
}

class HostileInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new platform::testing::TemporaryDirectory;
    const auto made = runProgram("/usr/bin/sox", {"-n", "-r", "16000", "-c", "1", *dir / "tone.wav",
                                                  "synth", "1.5", "sine", "440", "vol", "0.3"});
    ASSERT_EQ(made.status, 0) << made.err;
  }
  static void TearDownTestSuite() { delete dir; }
  static platform::testing::TemporaryDirectory* dir;
};
platform::testing::TemporaryDirectory* HostileInput::dir = nullptr;

// Names a file system allows but a careless program trips on.
const std::string kNames[] = {
    "quote\" and 'single'.wav", "back\\slash\\.wav", "line\nfeed.wav", "tab\tand\rreturn.wav",
    "control \x01\x02\x1b[31m.wav", "delete\x7f.wav", "invalid \xff\xfe \xc3(.wav",
    "$(touch pwned); rm -rf x.wav", "-dash.wav", "--floor", "emoji \xf0\x9f\x8e\x99.wav",
    std::string(250, 'n') + ".wav"};

TEST_F(HostileInput, AnyFileNameReadsLikeAnyOther) {
  std::ifstream in(*dir / "tone.wav", std::ios::binary);
  const std::string audio{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  for (const std::string& name : kNames) {
    const std::string path = dir->write(name, audio);
    for (const std::string program : kPrograms) {
      SCOPED_TRACE(nameOf(program) + " on " + name);
      const ProgramRun run = bounded(program, {path});
      EXPECT_TRUE(reliability::keepsTheContract(run));
      EXPECT_EQ(run.status, 0) << run.err;
    }
    std::filesystem::remove(path);
  }
  EXPECT_FALSE(std::filesystem::exists(*dir / "pwned"));
}

TEST_F(HostileInput, AMissingPathIsNamedVerbatimInTheFailure) {
  std::vector<std::string> paths;
  for (const std::string& name : kNames) paths.push_back(*dir / ("missing " + name));
  paths.push_back(*dir / "tone.wav/inside a file");
  paths.push_back(std::string(100000, 'p'));  // past the longest path the system takes
  paths.push_back(*dir / std::string(300, 'x'));  // past the longest name
  for (const std::string& path : paths) {
    for (const std::string program : kPrograms) {
      SCOPED_TRACE(nameOf(program) + " on " + path.substr(0, 300));
      const ProgramRun run = bounded(program, {path});
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, "File not found: " + path + "\n");
    }
  }
}

TEST_F(HostileInput, FilesThatCannotBeReadFailWithOneLine) {
  std::vector<std::string> paths = {"/proc/self/mem", "/dev/null", dir->path().string()};
  // A link to nowhere is not a file; a link loop neither.
  std::filesystem::create_symlink(*dir / "nowhere", *dir / "dangling.wav");
  std::filesystem::create_symlink(*dir / "loop-b.wav", *dir / "loop-a.wav");
  std::filesystem::create_symlink(*dir / "loop-a.wav", *dir / "loop-b.wav");
  paths.insert(paths.end(), {*dir / "dangling.wav", *dir / "loop-a.wav"});
  for (const std::string& path : paths) {
    for (const std::string program : kPrograms) {
      SCOPED_TRACE(nameOf(program) + " on " + path);
      const ProgramRun run = bounded(program, {path});
      EXPECT_TRUE(reliability::keepsTheContract(run));
      EXPECT_EQ(run.status, 1);
    }
  }
}

TEST_F(HostileInput, AFileWithoutReadPermissionFailsWithOneLine) {
  // Root reads every file whatever its mode, so as root the programs run as
  // the unprivileged "nobody" through setpriv; the file stays root's.
  std::filesystem::permissions(dir->path(), std::filesystem::perms::owner_all |
                                                std::filesystem::perms::group_exec |
                                                std::filesystem::perms::others_exec);
  const std::string path = dir->write("private.wav", "RIFF");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  std::vector<std::string> prefix;
  if (geteuid() == 0) {
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "as root without setpriv: cannot drop read permission";
    prefix = {"--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  }
  for (const std::string program : kPrograms) {
    SCOPED_TRACE(nameOf(program));
    std::vector<std::string> args = prefix;
    args.push_back(program);
    args.push_back(path);
    const ProgramRun run = prefix.empty() ? bounded(program, {path}) : bounded("/usr/bin/setpriv", args);
    if (run.status == 127 || run.err.find("setpriv") != std::string::npos) {
      GTEST_SKIP() << "cannot run the program as nobody here: " << run.err;
    }
    EXPECT_TRUE(reliability::keepsTheContract(run));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ermission denied"), std::string::npos) << run.err;
  }
}

// A long recording made cheaply: a WAVE header of 16 kHz mono and a hole the
// file system fills with silence.
std::string silence(const platform::testing::TemporaryDirectory& dir, const std::string& name, int seconds) {
  const std::uint32_t bytes = std::uint32_t(seconds) * 32000u;
  const std::string path = dir.write(name, platform::testing::waveHeader(16000, 1, bytes));
  std::filesystem::resize_file(path, 44 + std::uintmax_t(bytes));
  return path;
}

TEST_F(HostileInput, LongRecordingsKeepMemoryFlat) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer builds hold freed memory back: peak memory says nothing here";
#endif
  // Decoded to floats, ten hours would take 2.3 GB and one hour 230 MB; the
  // programs keep what they need of the audio and what they print. hearmark
  // gets an hour (it classifies every half second), voxtext ten.
  const std::string minute = silence(*dir, "minute.wav", 60);
  const struct {
    const char* program;
    int seconds;
  } cases[] = {{HEARMARK_BIN, 3600}, {VOXTEXT_BIN, 36000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(nameOf(c.program));
    const ProgramRun shortRun = bounded(c.program, {minute});
    const std::string path = silence(*dir, "long.wav", c.seconds);
    const ProgramRun longRun = bounded(c.program, {path});
    std::filesystem::remove(path);
    ASSERT_TRUE(reliability::keepsTheContract(longRun));
    EXPECT_EQ(longRun.status, 0) << longRun.err;
    EXPECT_LT(longRun.peakMemoryKb - shortRun.peakMemoryKb, 64 * 1024)
        << "peak " << shortRun.peakMemoryKb << " KB for a minute, " << longRun.peakMemoryKb << " KB for "
        << c.seconds << " s";
  }
}

}  // namespace

namespace {

TEST(HostileHeader, LengthsStatedInTheFileDoNotSizeMemory) {
  // A damaged WAVE file of 435 bytes (found by AudioReaderFuzz) whose chunk
  // lengths once made the demuxer zero 1.8 GB before it refused the file.
  const std::string path = std::string(RELIABILITY_FIXTURES) + "/info-claims-1.8GB.wav";
  for (const std::string program : kPrograms) {
    SCOPED_TRACE(nameOf(program));
    const ProgramRun run = bounded(program, {path});
    EXPECT_TRUE(reliability::keepsTheContract(run));
    EXPECT_EQ(run.status, 1);
    EXPECT_LT(run.peakMemoryKb, 512 * 1024);
  }
}

}  // namespace
