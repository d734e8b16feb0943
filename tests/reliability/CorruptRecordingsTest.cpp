// Real recordings in the containers the host meets, damaged in many ways,
// given to the built hearmark and voxtext: every run ends by itself with a
// document or the one-line failure.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>

#include "ProgramContract.h"
#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"

namespace {

using platform::testing::runProgram;

// A damage: its name and what it does to the file's bytes.
struct Damage {
  std::string name;
  std::string bytes;
};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Many damages of one file, the same ones on every run: cuts at fixed points
// and through the header, flipped and random bytes, a garbled or zeroed
// header, zeroed, removed and repeated spans.
std::vector<Damage> damagesOf(const std::string& good) {
  std::vector<Damage> out;
  const std::size_t n = good.size();
  std::mt19937 random(20261210);
  const auto at = [&](std::size_t limit) {
    return std::uniform_int_distribution<std::size_t>(0, limit - 1)(random);
  };

  for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(4), std::size_t(12),
                          std::size_t(44), std::size_t(100), n / 10, n / 4, n / 2, 3 * n / 4,
                          n - n / 10, n - 1}) {
    out.push_back({"cut at " + std::to_string(cut), good.substr(0, std::min(cut, n))});
  }
  for (int i = 0; i < 12; ++i) {
    std::string bytes = good;
    const int flips = 1 << (i % 6);  // 1 to 32 bytes
    for (int k = 0; k < flips; ++k) bytes[at(n)] ^= char(1 << (k % 8));
    out.push_back({std::to_string(flips) + " flipped bytes, set " + std::to_string(i), bytes});
  }
  for (int i = 0; i < 6; ++i) {
    std::string bytes = good;
    for (std::size_t k = 0; k < std::min<std::size_t>(n, 8 << i); ++k) bytes[k] = char(at(256));
    out.push_back({"random header of " + std::to_string(8 << i), bytes});
  }
  for (std::size_t span : {std::size_t(4), std::size_t(64), std::size_t(512)}) {
    std::string bytes = good;
    std::fill_n(bytes.begin(), std::min(span, n), '\0');
    out.push_back({"zeroed header of " + std::to_string(span), bytes});
  }
  for (std::size_t byte : {std::size_t(4), std::size_t(8), std::size_t(16), std::size_t(24),
                           std::size_t(28), std::size_t(40)}) {
    // Length and count fields near the start: made huge.
    std::string bytes = good;
    for (std::size_t k = byte; k < std::min(byte + 4, n); ++k) bytes[k] = '\xff';
    out.push_back({"0xff at " + std::to_string(byte), bytes});
  }
  for (int i = 0; i < 6; ++i) {
    std::string bytes = good;
    const std::size_t start = at(n), length = std::min(n - start, std::size_t(256) << i);
    std::fill_n(bytes.begin() + long(start), length, '\0');
    out.push_back({"zeroed span of " + std::to_string(length) + " at " + std::to_string(start), bytes});
  }
  for (int i = 0; i < 6; ++i) {
    std::string bytes = good;
    const std::size_t start = at(n), length = std::min(n - start, std::size_t(128) << i);
    bytes.erase(start, length);
    out.push_back({"removed span of " + std::to_string(length) + " at " + std::to_string(start), bytes});
  }
  for (int i = 0; i < 4; ++i) {
    std::string bytes = good;
    const std::size_t start = at(n), length = std::min(n - start, std::size_t(1000));
    bytes.insert(at(n), good.substr(start, length));
    out.push_back({"repeated span, set " + std::to_string(i), bytes});
  }
  return out;
}

TEST(CorruptRecordings, EveryRunEndsWithADocumentOrOneFailureLine) {
  platform::testing::TemporaryDirectory dir;
  // Two seconds of a rising tone over noise, as the host's recordings come.
  const std::string source = dir / "source.wav";
  const auto made = runProgram("/usr/bin/sox", {"-n", "-r", "16000", "-c", "1", source, "synth", "2",
                                                "sine", "300-900", "whitenoise", "vol", "0.3"});
  ASSERT_EQ(made.status, 0) << made.err;

  struct Format {
    std::string extension;
    std::vector<std::string> codec;
  };
  const Format formats[] = {{"wav", {"-c:a", "pcm_s16le"}},
                            {"m4a", {"-c:a", "aac", "-b:a", "32k"}},
                            {"mp3", {"-c:a", "libmp3lame", "-b:a", "32k"}},
                            {"flac", {"-c:a", "flac"}}};
  std::vector<std::string> files;
  for (const Format& format : formats) {
    const std::string good = dir / ("good." + format.extension);
    std::vector<std::string> args{"-nostdin", "-loglevel", "error", "-i", source};
    args.insert(args.end(), format.codec.begin(), format.codec.end());
    args.push_back(good);
    const auto encoded = runProgram("/usr/bin/ffmpeg", args);
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    int k = 0;
    for (const Damage& damage : damagesOf(readAll(good))) {
      const std::string name = std::to_string(k++) + "." + format.extension;
      files.push_back(dir.write(name, damage.bytes));
      std::ofstream(dir / (name + ".what")) << damage.name;
    }
  }
  ASSERT_GE(files.size(), 200u);

  struct Job {
    std::string program;
    std::string file;
  };
  std::vector<Job> jobs;
  for (const std::string& file : files) {
    jobs.push_back({HEARMARK_BIN, file});
    jobs.push_back({VOXTEXT_BIN, file});
  }
  std::atomic<std::size_t> next{0};
  std::mutex lock;
  std::vector<std::string> broken;
  int documents = 0;
  const auto work = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      const Job& job = jobs[i];
      platform::testing::RunOptions options;
      options.timeLimit = std::chrono::seconds(120);
      const auto run = runProgram(job.program, {job.file}, options);
      const auto kept = reliability::keepsTheContract(run);
      std::lock_guard hold(lock);
      documents += run.status == 0;
      if (!kept) {
        broken.push_back(std::filesystem::path(job.program).filename().string() + " on " + job.file +
                         " (" + readAll(job.file + ".what") + "): " + kept.message());
      }
    }
  };
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i) workers.emplace_back(work);
  for (auto& worker : workers) worker.join();

  for (const std::string& line : broken) ADD_FAILURE() << line;
  // Damage that leaves the audio readable still gives documents: the test
  // sees both roads.
  EXPECT_GT(documents, 0);
  EXPECT_LT(documents, int(jobs.size()));
}

}  // namespace
