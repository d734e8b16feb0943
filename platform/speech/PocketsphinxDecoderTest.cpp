// One pocketsphinx decoder over Debian's US English model, on speech made
// here with flite.
#include "platform/speech/PocketsphinxDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/audio/AudioSource.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/testing/TemporaryDirectory.h"

namespace platform::speech {
namespace {

Utterance spoken(const std::string& sentence) {
  platform::testing::TemporaryDirectory dir;
  const std::string wav = dir / "speech.wav";
  platform::process::RealProcessLauncher launcher;
  const auto status = launcher.runAndWait("/usr/bin/flite", {"-voice", "slt", "-t", sentence, "-o", wav});
  EXPECT_TRUE(status && *status == 0);
  Utterance utterance;
  auto opened = audio::openAudioFile(wav, 16000);
  if (!opened.source) return utterance;
  std::vector<float> block(4096);
  while (const std::size_t n = opened.source->read(block)) {
    for (std::size_t i = 0; i < n; ++i) {
      utterance.samples.push_back(
          static_cast<std::int16_t>(std::lround(std::clamp(block[i], -1.0f, 1.0f) * 32767.0f)));
    }
  }
  return utterance;
}

// Loud hiss, which moves a decoder's noise estimate far from that of clean
// speech.
Utterance hiss() {
  Utterance utterance;
  std::uint32_t state = 12345;
  for (int i = 0; i < 16000 * 3; ++i) {
    state = state * 1664525u + 1013904223u;
    utterance.samples.push_back(static_cast<std::int16_t>(static_cast<int>(state >> 20) - 2048));
  }
  return utterance;
}

TEST(PocketsphinxDecoder, AnUtteranceIsRecognisedTheSameWhateverCameBefore) {
  const auto model = installedModel(kModelRoot, Locale{"en", "US"});
  if (!model) GTEST_SKIP() << "the US English model is not installed";
  std::string error;
  auto decoder = PocketsphinxDecoder::load(*model, defaultDecoderOptions(), 16000, error);
  ASSERT_TRUE(decoder) << error;
  const Utterance sentence = spoken("Open the window and let the fresh air in.");
  ASSERT_FALSE(sentence.samples.empty());

  const auto describe = [&](const UtteranceDecoder::Decoded& decoded) {
    EXPECT_FALSE(decoded.error) << *decoded.error;
    std::string text;
    if (!decoded.result) return text;
    for (const speech::Run& run : decoded.result->text.runs) {
      text += run.text;
      if (run.timeRange) text += "@" + std::to_string(run.timeRange->start.seconds());
      if (run.confidence) text += "~" + std::to_string(*run.confidence);
    }
    return text;
  };
  const std::string first = describe(decoder->decode(sentence));
  EXPECT_NE(first.find("window"), std::string::npos) << first;
  describe(decoder->decode(hiss()));
  EXPECT_EQ(describe(decoder->decode(sentence)), first);
}

}  // namespace
}  // namespace platform::speech
