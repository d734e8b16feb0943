#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

#include "platform/audio/AudioSource.h"
#include "platform/testing/TemporaryDirectory.h"

namespace platform::audio {
namespace {

namespace fs = std::filesystem;

using TempDir = platform::testing::TemporaryDirectory;

void put16(std::ofstream& out, std::uint16_t v) { out.put(char(v & 0xff)).put(char(v >> 8)); }
void put32(std::ofstream& out, std::uint32_t v) {
  put16(out, std::uint16_t(v & 0xffff));
  put16(out, std::uint16_t(v >> 16));
}

// A 16-bit PCM wave file of a 440 Hz tone, the same on every channel.
void writeWave(const fs::path& path, int rate, int channels, double seconds) {
  const auto frames = static_cast<std::uint32_t>(rate * seconds);
  const std::uint32_t bytes = frames * std::uint32_t(channels) * 2;
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  put32(out, 36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);
  put16(out, std::uint16_t(channels));
  put32(out, std::uint32_t(rate));
  put32(out, std::uint32_t(rate * channels * 2));
  put16(out, std::uint16_t(channels * 2));
  put16(out, 16);
  out.write("data", 4);
  put32(out, bytes);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / rate);
    for (int c = 0; c < channels; ++c) put16(out, std::uint16_t(std::int16_t(v * 32767)));
  }
}

std::vector<float> readAll(AudioSource& source, std::size_t block = 4000) {
  std::vector<float> all;
  std::vector<float> buffer(block);
  while (const std::size_t n = source.read(buffer)) all.insert(all.end(), buffer.begin(), buffer.begin() + long(n));
  return all;
}

TEST(FfmpegAudioSource, ConvertsStereo44kToMono16kInBlocks) {
  TempDir dir;
  writeWave(dir / "tone.wav", 44100, 2, 2.0);
  auto opened = openAudioFile(dir / "tone.wav", 16000);
  ASSERT_NE(opened.source, nullptr) << opened.error;
  EXPECT_EQ(opened.source->sampleRate(), 16000);
  const auto samples = readAll(*opened.source, 1000);
  EXPECT_FALSE(opened.source->error().has_value());
  EXPECT_NEAR(double(samples.size()), 32000.0, 40.0);
  double energy = 0;
  for (float s : samples) energy += double(s) * s;
  const double rms = std::sqrt(energy / double(samples.size()));
  EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.05) << "the tone survives the downmix at its level";
}

TEST(FfmpegAudioSource, AFileWithNoSamplesEndsCleanly) {
  TempDir dir;
  writeWave(dir / "empty.wav", 16000, 1, 0.0);
  auto opened = openAudioFile(dir / "empty.wav", 16000);
  ASSERT_NE(opened.source, nullptr) << opened.error;
  EXPECT_TRUE(readAll(*opened.source).empty());
  EXPECT_FALSE(opened.source->error().has_value());
}

TEST(FfmpegAudioSource, RefusesWhatIsNotAudio) {
  TempDir dir;
  std::ofstream(dir / "notes.txt") << "these are words, not sound\n";
  for (const std::string& path : {dir / "notes.txt", dir / ".", dir / "missing.wav"}) {
    const auto opened = openAudioFile(path, 16000);
    EXPECT_EQ(opened.source, nullptr) << path;
    EXPECT_FALSE(opened.error.empty()) << path;
  }
}

// A damaged file (found by the fuzzer) whose later frames have another sample
// format or channel count than the first: a failure with its reason, not a
// crash in the resampler.
TEST(FfmpegAudioSource, AFormatChangeInsideTheStreamFailsWithAReason) {
  auto opened = openAudioFile(std::string(AUDIO_FIXTURES) + "/format-changes-midway.bin", 16000);
  ASSERT_NE(opened.source, nullptr) << opened.error;
  std::vector<float> block(4096);
  while (opened.source->read(block) > 0) {
  }
  EXPECT_EQ(opened.source->error().value_or(""),
            "the sample format or channel count changes inside the stream");
}

}  // namespace
}  // namespace platform::audio
