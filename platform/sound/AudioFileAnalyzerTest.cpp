#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <numeric>

#include "platform/sound/AudioFileAnalyzer.h"
#include "platform/testing/MemoryAudioSource.h"
#include "platform/testing/RunProgram.h"
#include "platform/testing/ScriptedClassifier.h"
#include "platform/testing/TemporaryDirectory.h"
#include "platform/testing/WaveHeader.h"

namespace platform::sound {
namespace {

using testing::ScriptedClassifier;
using testing::TemporaryDirectory;

// What an observer was told, in the order it was told.
class RecordingObserver : public ResultsObserver {
 public:
  struct Seen {
    double start, duration;
    std::string top;
  };
  void requestDidProduce(const ClassifySoundRequest&, const AnalysisResult& result) override {
    const auto& classified = dynamic_cast<const ClassificationResult&>(result);
    std::lock_guard hold(lock);
    EXPECT_FALSE(ended) << "a result after the end";
    results.push_back({classified.timeRange.startSeconds(), classified.timeRange.duration.seconds(),
                       classified.classifications.front().identifier});
  }
  void requestDidFail(const ClassifySoundRequest&, const SoundError& error) override {
    std::lock_guard hold(lock);
    failures.push_back(error.localizedDescription);
    ended = true;
  }
  void requestDidComplete(const ClassifySoundRequest&) override {
    std::lock_guard hold(lock);
    ++completions;
    ended = true;
  }

  std::vector<Seen> sortedResults() const {
    auto sorted = results;
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.start < b.start; });
    return sorted;
  }

  std::mutex lock;
  std::vector<Seen> results;
  std::vector<std::string> failures;
  int completions = 0;
  bool ended = false;
};

// "tone" when the window is loud, "quiet" otherwise.
std::shared_ptr<ScriptedClassifier> loudness(int rate = 16000) {
  return std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"quiet", "tone"},
      [](std::span<const float> window) {
        double energy = 0;
        for (float s : window) energy += double(s) * s;
        const float rms = float(std::sqrt(energy / double(window.size())));
        return rms > 0.1f ? std::vector<float>{0.1f, 0.9f} : std::vector<float>{0.9f, 0.1f};
      },
      rate);
}

struct Analysis {
  std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
  std::vector<bool> completions;
};

// Runs one request over the file and waits for the completion handler.
Analysis analyze(AudioFileAnalyzer& analyzer, std::shared_ptr<const Classifier> classifier) {
  Analysis analysis;
  auto request = std::make_shared<ClassifySoundRequest>(std::move(classifier));
  EXPECT_EQ(analyzer.addRequest(request, analysis.observer), std::nullopt);
  std::mutex lock;
  std::condition_variable done;
  analyzer.analyze([&](bool finished) {
    std::lock_guard hold(lock);
    analysis.completions.push_back(finished);
    done.notify_all();
  });
  std::unique_lock hold(lock);
  done.wait(hold, [&] { return !analysis.completions.empty(); });
  return analysis;
}

void run(const std::string& program, const std::vector<std::string>& args) {
  const auto made = testing::runProgram(program, args);
  ASSERT_EQ(made.status, 0) << program << ": " << made.err;
}

void truncate(const std::string& path, double keep) {
  std::filesystem::resize_file(path, std::uintmax_t(double(std::filesystem::file_size(path)) * keep));
}

class AnalyzerOnFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new TemporaryDirectory("sound");
    // One second of tone, then 1.25 s of silence.
    run("/usr/bin/sox", {"-n", "-r", "16000", "-c", "1", *dir / "mono16k.wav", "synth", "1", "sine",
                         "440", "vol", "0.5", "pad", "0", "1.25"});
    run("/usr/bin/sox", {"-n", "-r", "44100", "-c", "2", *dir / "stereo44k.wav", "synth", "1", "sine",
                         "440", "vol", "0.5", "pad", "0", "1.25"});
    run("/usr/bin/ffmpeg", {"-v", "error", "-i", *dir / "stereo44k.wav", "-c:a", "aac", "-b:a", "64k",
                            *dir / "aac.m4a"});
    run("/usr/bin/ffmpeg", {"-v", "error", "-i", *dir / "stereo44k.wav", "-c:a", "aac", "-b:a", "64k",
                            "-movflags", "+faststart", *dir / "faststart.m4a"});
  }
  static void TearDownTestSuite() { delete dir; }
  static TemporaryDirectory* dir;
};
TemporaryDirectory* AnalyzerOnFiles::dir = nullptr;

TEST_F(AnalyzerOnFiles, ClassifiesHalfOverlappingWindowsToTheEndOfEachFormat) {
  for (const char* name : {"mono16k.wav", "stereo44k.wav", "aac.m4a"}) {
    for (int rate : {16000, 8000}) {
      auto opened = AudioFileAnalyzer::open(*dir / name, audio::openAudioFile, 2);
      ASSERT_TRUE(opened.analyzer) << name << ": " << opened.error.localizedDescription;
      const auto classifier = loudness(rate);
      const Analysis analysis = analyze(*opened.analyzer, classifier);
      opened.analyzer.reset();

      EXPECT_EQ(analysis.completions, std::vector<bool>{true}) << name;
      EXPECT_EQ(analysis.observer->completions, 1) << name;
      EXPECT_TRUE(analysis.observer->failures.empty()) << name;
      const auto results = analysis.observer->sortedResults();
      ASSERT_EQ(results.size(), 4u) << name << " at " << rate;
      const char* tops[] = {"tone", "tone", "quiet", "quiet"};
      for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(results[i].start, 0.5 * double(i)) << name;
        EXPECT_EQ(results[i].top, tops[i]) << name << " window " << i;
      }
      EXPECT_EQ(results[0].duration, 1.0);
      EXPECT_NEAR(results[3].duration, 0.75, 0.03) << name << ": the last window ends with the audio";
    }
  }
}

TEST_F(AnalyzerOnFiles, AFileWithoutSamplesCompletesWithNoResults) {
  const std::string path = dir->write("empty.wav", testing::waveHeader(16000, 1, 0));
  auto opened = AudioFileAnalyzer::open(path, audio::openAudioFile);
  ASSERT_TRUE(opened.analyzer) << opened.error.localizedDescription;
  const Analysis analysis = analyze(*opened.analyzer, loudness());
  EXPECT_EQ(analysis.completions, std::vector<bool>{true});
  EXPECT_EQ(analysis.observer->completions, 1);
  EXPECT_TRUE(analysis.observer->results.empty());
}

TEST_F(AnalyzerOnFiles, RefusesWhatIsNotAnAudioFile) {
  const std::string text = dir->write("notes.txt", "these are words, not sound\n");
  for (const std::string& path : {text, dir->path().string()}) {
    const auto opened = AudioFileAnalyzer::open(path, audio::openAudioFile);
    EXPECT_FALSE(opened.analyzer) << path;
    EXPECT_TRUE(opened.error.localizedDescription.starts_with("Cannot read the file as audio: "))
        << opened.error.localizedDescription;
  }
}

TEST_F(AnalyzerOnFiles, ATruncatedFileIsAFailureNotAShorterResult) {
  for (const char* name : {"mono16k.wav", "faststart.m4a"}) {
    const std::string copy = *dir / (std::string("cut-") + name);
    std::filesystem::copy_file(*dir / name, copy);
    truncate(copy, 0.6);
    auto opened = AudioFileAnalyzer::open(copy, audio::openAudioFile);
    ASSERT_TRUE(opened.analyzer) << name << ": " << opened.error.localizedDescription;
    const Analysis analysis = analyze(*opened.analyzer, loudness());
    EXPECT_EQ(analysis.completions, std::vector<bool>{false}) << name;
    EXPECT_EQ(analysis.observer->completions, 0) << name;
    ASSERT_EQ(analysis.observer->failures.size(), 1u) << name;
    EXPECT_TRUE(analysis.observer->failures[0].starts_with("Decoding stopped after "))
        << analysis.observer->failures[0];
  }
}

}  // namespace
}  // namespace platform::sound

namespace platform::sound {
namespace {

// A long stream from memory, so the decoder fills the queue and has to be
// stopped when classification fails.
AudioOpener memoryAudio(std::size_t seconds, std::optional<std::string> failure = {}) {
  return [=](const std::string&, int rate) {
    return audio::OpenResult{std::make_unique<testing::MemoryAudioSource>(
                                 std::vector<float>(seconds * std::size_t(rate), 0.25f), rate, failure),
                             ""};
  };
}

TEST(AudioFileAnalyzer, AClassifierFailureStopsTheAnalysisAndIsReportedOnce) {
  std::atomic<int> calls = 0;
  const auto throwing = std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"a"}, [&](std::span<const float>) {
        // Every call from the third on fails, so a worker that runs on while
        // the first failing one is descheduled fails too instead of
        // classifying the rest of the file.
        if (++calls >= 3) throw std::runtime_error("out of memory");
        return std::vector<float>{0.5f};
      });
  const auto miscounting = std::make_shared<ScriptedClassifier>(
      std::vector<std::string>{"a", "b"}, [](std::span<const float>) { return std::vector<float>{0.5f}; });
  const std::pair<std::shared_ptr<const Classifier>, std::string> cases[] = {
      {throwing, "Classification failed: out of memory"},
      {miscounting, "The classifier gave 1 confidences for 2 labels."},
  };
  for (const auto& [classifier, message] : cases) {
    AudioFileAnalyzer analyzer("memo", memoryAudio(600), nullptr, 3);
    const Analysis analysis = analyze(analyzer, classifier);
    EXPECT_EQ(analysis.completions, std::vector<bool>{false});
    EXPECT_EQ(analysis.observer->failures, std::vector<std::string>{message});
    EXPECT_EQ(analysis.observer->completions, 0);
    EXPECT_LT(analysis.observer->results.size(), 100u) << "the decoder stops early";
  }
}

TEST(AudioFileAnalyzer, TakesOneRequestBeforeItStartsAndCompletesEachCallOnce) {
  auto analyzer = std::make_unique<AudioFileAnalyzer>("memo", memoryAudio(3), nullptr, 2);
  const auto observer = std::make_shared<RecordingObserver>();
  const auto request = std::make_shared<ClassifySoundRequest>(loudness());
  auto bad = std::make_shared<ClassifySoundRequest>(loudness());
  bad->setOverlapFactor(1.0);
  EXPECT_EQ(analyzer->addRequest(bad, observer)->localizedDescription,
            "The overlap factor must be at least 0 and less than 1.");
  EXPECT_EQ(analyzer->addRequest(request, observer), std::nullopt);
  EXPECT_EQ(analyzer->addRequest(request, observer)->localizedDescription,
            "This analyzer already has a request.");

  std::atomic<int> first = 0, second = 0;
  std::atomic<bool> secondFlag = true;
  analyzer->analyze([&](bool) { ++first; });
  analyzer->analyze([&](bool finished) {
    secondFlag = finished;
    ++second;
  });
  EXPECT_EQ(second, 1) << "a second call is answered at once";
  EXPECT_FALSE(secondFlag);
  EXPECT_EQ(analyzer->addRequest(bad, observer)->localizedDescription, "The analysis has already started.");
  analyzer.reset();  // waits for the analysis
  EXPECT_EQ(first, 1);
  EXPECT_EQ(observer->results.size(), 5u);
  EXPECT_EQ(observer->completions, 1);
}

}  // namespace
}  // namespace platform::sound
