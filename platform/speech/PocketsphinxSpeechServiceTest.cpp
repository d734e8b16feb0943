// The speech service end to end over Debian's US English model, in and out of
// noise, on speech made here with flite.
#include "platform/speech/PocketsphinxSpeechService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "platform/audio/AudioSource.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/testing/ColouredNoise.h"
#include "platform/testing/MemoryAudioSource.h"
#include "platform/testing/TemporaryDirectory.h"

namespace platform::speech {
namespace {

constexpr int kRate = 16000;

struct Word {
  std::string text;
  double start = 0;
  double confidence = 0;
};

// Half a second of silence, the sentence, a second of silence.
std::vector<float> spoken(const std::string& sentence) {
  testing::TemporaryDirectory dir;
  const std::string wav = dir / "speech.wav";
  process::RealProcessLauncher launcher;
  const auto status = launcher.runAndWait("/usr/bin/flite", {"-voice", "slt", "-t", sentence, "-o", wav});
  EXPECT_TRUE(status && *status == 0);
  std::vector<float> samples(kRate / 2, 0.0f);
  auto opened = audio::openAudioFile(wav, kRate);
  if (!opened.source) return samples;
  std::vector<float> block(4096);
  while (const std::size_t n = opened.source->read(block)) samples.insert(samples.end(), block.begin(), block.begin() + long(n));
  samples.resize(samples.size() + kRate, 0.0f);
  return samples;
}

std::vector<float> pinkNoise(std::size_t count, double levelDb) {
  return testing::colouredNoise(testing::NoiseColour::Pink, count, levelDb);
}

double rmsDb(const std::vector<float>& samples) {
  double power = 0;
  for (const float s : samples) power += static_cast<double>(s) * s;
  return 10 * std::log10(power / static_cast<double>(samples.size()));
}

std::vector<Word> transcribe(const std::vector<float>& samples, EnhancerKind enhancer) {
  PocketsphinxSpeechService::Settings settings;
  settings.enhancer = enhancer;
  PocketsphinxSpeechService service(settings);
  auto transcriber = service.makeTranscriber(
      Locale{"en", "US"}, {{AttributeOption::AudioTimeRange, AttributeOption::TranscriptionConfidence}});
  auto analyzer = service.makeAnalyzer(*transcriber);
  std::vector<Word> words;
  std::thread collector([&] {
    for (;;) {
      const ResultsSequence::Step step = transcriber->results().next();
      if (!step.result) return;
      for (const Run& run : step.result->text.runs) {
        if (run.timeRange) words.push_back({run.text, run.timeRange->start.seconds(), run.confidence.value_or(-1)});
      }
    }
  });
  testing::MemoryAudioSource audio(samples, kRate);
  const auto analysis = analyzer->analyzeSequence(audio);
  EXPECT_FALSE(analysis.error) << *analysis.error;
  if (analysis.lastSampleTime) {
    EXPECT_EQ(analyzer->finalizeAndFinish(*analysis.lastSampleTime), std::nullopt);
  } else {
    analyzer->cancelAndFinishNow();
  }
  collector.join();
  return words;
}

class SpeechInNoise : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!installedModel(kModelRoot, Locale{"en", "US"})) GTEST_SKIP() << "the US English model is not installed";
  }
};

TEST_F(SpeechInNoise, CleanSpeechIsLeftAsItCame) {
  const auto speech = spoken("Open the window and let the fresh air in.");
  const auto cleaned = transcribe(speech, EnhancerKind::Speex);
  const auto plain = transcribe(speech, EnhancerKind::None);
  ASSERT_FALSE(plain.empty());
  ASSERT_EQ(cleaned.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(cleaned[i].text, plain[i].text);
    EXPECT_EQ(cleaned[i].start, plain[i].start) << plain[i].text;
    EXPECT_EQ(cleaned[i].confidence, plain[i].confidence) << plain[i].text;
  }
}

TEST_F(SpeechInNoise, CleanedWordsKeepTheTimesOfTheOriginalAudio) {
  const auto speech = spoken("My sister works as a nurse at the hospital near the river.");
  const auto clean = transcribe(speech, EnhancerKind::None);
  auto noisy = pinkNoise(speech.size(), rmsDb(speech) - 15.0);
  for (std::size_t i = 0; i < noisy.size(); ++i) noisy[i] += speech[i];
  const auto cleaned = transcribe(noisy, EnhancerKind::Speex);
  // Each word heard in both, taken in order, lies where the clean speech has
  // it; half the words at least are heard.
  std::size_t matched = 0;
  auto next = clean.begin();
  for (const Word& word : cleaned) {
    EXPECT_TRUE(0 <= word.confidence && word.confidence <= 1) << word.text;
    const auto same = std::find_if(next, clean.end(), [&](const Word& w) { return w.text == word.text; });
    if (same == clean.end()) continue;
    EXPECT_NEAR(word.start, same->start, 0.08) << word.text;
    ++matched;
    next = same + 1;
  }
  EXPECT_GE(2 * matched, clean.size());
}

}  // namespace
}  // namespace platform::speech
