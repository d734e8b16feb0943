#include "platform/speech/UtteranceCutter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace platform::speech {
namespace {

constexpr int kRate = 16000;

// Speech stands in as a warbling tone at -20 dBFS; the room as faint noise at
// about -80 dBFS.
class Signal {
 public:
  // The room's noise at an RMS level, dBFS.
  explicit Signal(double noiseDb = -80.0) : noise_(std::pow(10.0, noiseDb / 20.0)) {}
  Signal& speech(double seconds) {
    for (long i = 0; i < samples(seconds); ++i) {
      const double t = static_cast<double>(samples_.size()) / kRate;
      const double pitch = 200 + 80 * std::sin(2 * std::numbers::pi * 3 * t);
      phase_ += 2 * std::numbers::pi * pitch / kRate;
      samples_.push_back(static_cast<float>(0.14 * std::sin(phase_) + noise()));
    }
    return *this;
  }
  Signal& pause(double seconds) {
    for (long i = 0; i < samples(seconds); ++i) samples_.push_back(static_cast<float>(noise()));
    return *this;
  }
  const std::vector<float>& samples() const { return samples_; }

 private:
  static long samples(double seconds) { return std::lround(seconds * kRate); }
  double noise() { return noise_ * normal_(random_); }

  double noise_;
  std::vector<float> samples_;
  double phase_ = 0;
  std::mt19937 random_{7};
  std::normal_distribution<double> normal_;
};

std::vector<Utterance> cutAll(const std::vector<float>& samples, std::size_t block,
                              const UtteranceCutter::Settings& settings = {}) {
  UtteranceCutter cutter(settings);
  std::vector<Utterance> all;
  for (std::size_t at = 0; at < samples.size(); at += block) {
    const std::size_t n = std::min(block, samples.size() - at);
    for (auto& u : cutter.push(std::span(samples.data() + at, n))) all.push_back(std::move(u));
  }
  for (auto& u : cutter.finish()) all.push_back(std::move(u));
  return all;
}

double seconds(std::int64_t sample) { return static_cast<double>(sample) / kRate; }
double endOf(const Utterance& u) {
  return seconds(u.startSample + static_cast<std::int64_t>(u.samples.size()));
}

// An utterance holds the speech from speechStart to speechEnd (seconds) and a
// little of the quiet around it.
void expectAround(const Utterance& u, double speechStart, double speechEnd) {
  const UtteranceCutter::Settings settings;
  EXPECT_NEAR(seconds(u.startSample), speechStart - settings.leadSeconds, 0.02);
  EXPECT_NEAR(endOf(u), speechEnd + settings.trailSeconds, 0.02);
}

TEST(UtteranceCutter, CutsAtPausesAndKeepsStreamTimes) {
  const Signal signal = Signal()
                            .pause(0.6).speech(1.0)
                            .pause(0.12).speech(0.5)  // a short pause does not cut
                            .pause(0.8).speech(0.7)
                            .pause(1.0);
  const auto utterances = cutAll(signal.samples(), 4096);
  ASSERT_EQ(utterances.size(), 2u);
  // Each keeps a little of the quiet around its speech, never another's audio.
  expectAround(utterances[0], 0.6, 2.22);
  expectAround(utterances[1], 3.02, 3.72);
  // The samples are the stream's own, at the stream's place.
  for (const Utterance& u : utterances) {
    for (std::size_t k = 0; k < u.samples.size(); k += 997) {
      const float original = signal.samples()[static_cast<std::size_t>(u.startSample) + k];
      EXPECT_NEAR(u.samples[k], original * 32767.0f, 1.0f);
    }
  }
}

TEST(UtteranceCutter, SpeechAtTheVeryStartAndEndIsKept) {
  const Signal signal = Signal().speech(0.8).pause(0.5).speech(0.6);
  const auto utterances = cutAll(signal.samples(), 160);
  ASSERT_EQ(utterances.size(), 2u);
  EXPECT_EQ(utterances[0].startSample, 0);
  EXPECT_NEAR(endOf(utterances[1]), 1.9, 0.011);
}

TEST(UtteranceCutter, TheSameCutsWhateverTheBlockSize) {
  const Signal signal = Signal().pause(0.3).speech(0.9).pause(0.5).speech(0.4).pause(0.1);
  const auto reference = cutAll(signal.samples(), signal.samples().size());
  ASSERT_EQ(reference.size(), 2u);
  for (const std::size_t block : {1u, 159u, 160u, 1000u}) {
    const auto cut = cutAll(signal.samples(), block);
    ASSERT_EQ(cut.size(), reference.size()) << block;
    for (std::size_t i = 0; i < cut.size(); ++i) {
      EXPECT_EQ(cut[i].startSample, reference[i].startSample) << block;
      EXPECT_EQ(cut[i].samples, reference[i].samples) << block;
    }
  }
}

TEST(UtteranceCutter, LongSpeechIsCutIntoPiecesThatLoseNothing) {
  UtteranceCutter::Settings settings;
  settings.maxSeconds = 4.0;
  settings.cutSearchSeconds = 1.5;
  Signal signal;
  for (int i = 0; i < 12; ++i) signal.speech(0.9).pause(0.05);  // gaps too short to end it
  const auto utterances = cutAll(signal.samples(), 4096, settings);
  ASSERT_GE(utterances.size(), 3u);
  EXPECT_EQ(utterances.front().startSample, 0);
  for (std::size_t i = 0; i < utterances.size(); ++i) {
    EXPECT_LE(seconds(static_cast<std::int64_t>(utterances[i].samples.size())), 4.0);
    if (i > 0) {
      EXPECT_EQ(utterances[i].startSample,
                utterances[i - 1].startSample +
                    static_cast<std::int64_t>(utterances[i - 1].samples.size()));
    }
  }
  EXPECT_NEAR(endOf(utterances.back()), 11.4, 0.25);
}

TEST(UtteranceCutter, ALoudBackgroundFromTheStartIsNotSpeech) {
  // Speech 15 dB over the noise (-35 dBFS), which is there from the first
  // sample: the floor is the noise's from the start.
  const Signal signal = Signal(-35.0).pause(3.0).speech(1.0).pause(1.5).speech(0.6).pause(1.0);
  const auto utterances = cutAll(signal.samples(), 4096);
  ASSERT_EQ(utterances.size(), 2u);
  expectAround(utterances[0], 3.0, 4.0);
  expectAround(utterances[1], 5.5, 6.1);
  // Noise alone, however loud, is no speech.
  EXPECT_TRUE(cutAll(Signal(-20.0).pause(6.0).samples(), 4096).empty());
}

TEST(UtteranceCutter, SilenceAndLoneClicksMakeNoUtterance) {
  Signal signal;
  signal.pause(2.0);
  std::vector<float> samples = signal.samples();
  samples[16000] = 0.9f;  // one loud sample: a click, not speech
  EXPECT_TRUE(cutAll(samples, 4096).empty());
  EXPECT_TRUE(cutAll(std::vector<float>(32000, 0.0f), 4096).empty());
}

}  // namespace
}  // namespace platform::speech
