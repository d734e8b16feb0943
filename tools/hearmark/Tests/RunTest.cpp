// The driver with a scripted classifier and audio from memory: what the host
// reads on each path.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include <nlohmann/json.hpp>

#include "Config.h"
#include "Run.h"
#include "platform/testing/MemoryAudioSource.h"
#include "platform/testing/ScriptedClassifier.h"
#include "platform/testing/TemporaryDirectory.h"

namespace hearmark {
namespace {

using nlohmann::json;
using platform::sound::ClassifierCatalog;
using platform::testing::MemoryAudioSource;
using platform::testing::ScriptedClassifier;

constexpr int kRate = 16000;

// Audio whose samples in the k-th half second all have the value k, so the
// script can tell the one-second windows (a half second apart) by their
// first sample.
std::vector<float> halfSecondSteps(int halves) {
  std::vector<float> samples;
  for (int k = 0; k < halves; ++k) samples.insert(samples.end(), kRate / 2, float(k));
  return samples;
}

platform::sound::AudioOpener memoryAudio(std::vector<float> samples,
                                         std::optional<std::string> failure = {}) {
  return [=](const std::string&, int rate) {
    return platform::audio::OpenResult{std::make_unique<MemoryAudioSource>(samples, rate, failure), ""};
  };
}

ClassifierCatalog catalogWith(std::shared_ptr<ScriptedClassifier> classifier) {
  ClassifierCatalog catalog;
  catalog.add("version1", std::move(classifier));
  return catalog;
}

class HearmarkRun : public ::testing::Test {
 protected:
  platform::testing::TemporaryDirectory dir;
  const std::string path = dir.write("memo.m4a", "stands in for audio");
};

TEST_F(HearmarkRun, PrintsRowsInTimeOrderWhateverOrderTheThreadsDeliverThem) {
  // The first window waits until the last has been classified, so its result
  // reaches the collector after the others.
  std::mutex lock;
  std::condition_variable lastDone;
  bool last = false;
  auto classifier = std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"speech", "music", "noise", "silence"}, [&](std::span<const float> window) {
        const int k = int(window.front());
        if (k == 0) {
          std::unique_lock hold(lock);
          lastDone.wait(hold, [&] { return last; });
        }
        if (k == 4) {
          std::lock_guard hold(lock);
          last = true;
          lastDone.notify_all();
        }
        const float speech[] = {0.9f, 0.8f, 0.7f, 0.6f, 0.5f};
        return std::vector<float>{speech[k], 0.45f, k % 2 ? 0.6f : 0.55f, 0.52f};
      });
  const auto catalog = catalogWith(classifier);
  const Outcome outcome =
      runHearmark({path, "--top", "2", "--floor", "0.5"}, {catalog, memoryAudio(halfSecondSteps(6)), 3});

  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  ASSERT_FALSE(outcome.out.empty());
  EXPECT_EQ(outcome.out.back(), '\n');
  const json expected = json::parse(R"([
    {"time": 0.0, "labels": {"speech": 0.9, "noise": 0.55}},
    {"time": 0.5, "labels": {"speech": 0.8, "noise": 0.6}},
    {"time": 1.0, "labels": {"speech": 0.7, "noise": 0.55}},
    {"time": 1.5, "labels": {"speech": 0.6, "noise": 0.6}},
    {"time": 2.0, "labels": {"noise": 0.55, "silence": 0.52}}
  ])");
  EXPECT_EQ(json::parse(outcome.out), expected) << outcome.out;
  EXPECT_GE(classifier->threadsSeen(), 2u);
}

TEST_F(HearmarkRun, AFailureAfterSomeWindowsPrintsOnlyTheFailure) {
  const auto catalog = catalogWith(std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"speech"}, [](auto) { return std::vector<float>{1.0f}; }));
  const Outcome outcome =
      runHearmark({path}, {catalog, memoryAudio(halfSecondSteps(6), "Invalid data found"), 2});
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "Analysis failed: Decoding stopped after 3.000 s of audio: Invalid data found\n");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(HearmarkRun, AFileWithoutSamplesGivesAnEmptyArray) {
  const auto catalog = catalogWith(std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"speech"}, [](auto) { return std::vector<float>{1.0f}; }));
  const Outcome outcome = runHearmark({path}, {catalog, memoryAudio({})});
  EXPECT_EQ(outcome.out, "[]\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(HearmarkRun, FailuresBeforeTheAnalysis) {
  const auto speech = [](auto) { return std::vector<float>{1.0f}; };
  const ClassifierCatalog none;
  const auto good = catalogWith(std::make_shared<ScriptedClassifier>(std::vector<std::string>{"s"}, speech));
  const auto noRate = catalogWith(std::make_shared<ScriptedClassifier>(std::vector<std::string>{"s"}, speech, 0));
  const platform::sound::AudioOpener notAudio = [](const std::string&, int) {
    return platform::audio::OpenResult{nullptr, "Invalid data found when processing input"};
  };
  struct Case {
    std::vector<std::string> args;
    const ClassifierCatalog& catalog;
    platform::sound::AudioOpener opener;
    Outcome expected;
  };
  const Case cases[] = {
      {{}, good, memoryAudio({}), {"", kUsage, 2}},
      {{path, "--top", "-1"}, good, memoryAudio({}), {"", kUsage, 2}},
      {{dir / "missing.wav"}, good, memoryAudio({}), {"", "File not found: " + (dir / "missing.wav") + "\n", 1}},
      {{path}, none, memoryAudio({}),
       {"", "Error: No sound classifier is installed under the identifier \"version1\".\n", 1}},
      {{"--list-labels"}, none, memoryAudio({}),
       {"", "Error: No sound classifier is installed under the identifier \"version1\".\n", 1}},
      {{path}, good, notAudio,
       {"", "Error: Cannot read the file as audio: Invalid data found when processing input\n", 1}},
      {{path}, noRate, memoryAudio({}), {"", "Error: The classifier reports no sample rate.\n", 1}},
  };
  for (const Case& c : cases) {
    const Outcome outcome = runHearmark(c.args, {c.catalog, c.opener});
    EXPECT_EQ(outcome.out, c.expected.out) << ::testing::PrintToString(c.args);
    EXPECT_EQ(outcome.err, c.expected.err) << ::testing::PrintToString(c.args);
    EXPECT_EQ(outcome.status, c.expected.status) << ::testing::PrintToString(c.args);
  }
}

TEST(HearmarkListLabels, SortsByCodePointAndIgnoresWhatFollows) {
  const auto catalog = catalogWith(std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"speech", "Zither", "\xC3\xA9t\xC3\xA9", "speak", "a", "spee"},
      [](auto) { return std::vector<float>(6, 0.0f); }));
  const Outcome outcome = runHearmark({"--list-labels", "--top", "x"}, {catalog, memoryAudio({})});
  EXPECT_EQ(outcome.out, "Zither\na\nspeak\nspee\nspeech\n\xC3\xA9t\xC3\xA9\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);

  const auto empty = catalogWith(std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{}, [](auto) { return std::vector<float>{}; }));
  EXPECT_EQ(runHearmark({"--list-labels"}, {empty, memoryAudio({})}).out, "");
}

}  // namespace
}  // namespace hearmark
