#include "AudioFileAnalyzer.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <vector>

#include "WindowReader.h"

namespace platform::sound {
namespace {

// The double nearest to the float's shortest decimal form, so a confidence of
// 0.8f reads 0.8 rather than 0.800000011920929.
double decimalDouble(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double result = 0;
  if (written.ec != std::errc() ||
      std::from_chars(text, written.ptr, result).ec != std::errc()) {
    return static_cast<double>(value);
  }
  return result;
}

std::string secondsText(std::int64_t samples, int rate) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(samples) / rate);
  return text;
}

std::variant<ClassificationResult, SoundError> classifyWindow(const Classifier& classifier,
                                                              const Window& window, int rate) {
  const std::vector<std::string>& labels = classifier.labels();
  const std::vector<float> confidences = classifier.classify(window.samples);
  if (confidences.size() != labels.size()) {
    return SoundError{"The classifier gave " + std::to_string(confidences.size()) +
                      " confidences for " + std::to_string(labels.size()) + " labels."};
  }
  std::vector<Classification> classifications;
  classifications.reserve(labels.size());
  for (std::size_t i = 0; i < labels.size(); ++i) {
    classifications.push_back({labels[i], decimalDouble(confidences[i])});
  }
  // A confidence that is not a number ranks last rather than breaking the order.
  const auto rank = [](const Classification& c) {
    return std::isnan(c.confidence) ? -std::numeric_limits<double>::infinity() : c.confidence;
  };
  std::stable_sort(classifications.begin(), classifications.end(),
                   [&](const Classification& a, const Classification& b) { return rank(a) > rank(b); });
  const time::MediaTimeRange range{
      time::MediaTime::make(window.start, rate),
      time::MediaTime::make(static_cast<std::int64_t>(window.samples.size()), rate)};
  return ClassificationResult(std::move(classifications), range);
}

// The first failure wins; later ones are consequences of it.
class FailureSlot {
 public:
  void set(SoundError error) {
    std::lock_guard hold(lock_);
    if (!error_) error_ = std::move(error);
    failed_ = true;
  }
  bool failed() const { return failed_; }
  std::optional<SoundError> take() {
    std::lock_guard hold(lock_);
    return std::move(error_);
  }

 private:
  std::mutex lock_;
  std::optional<SoundError> error_;
  std::atomic<bool> failed_{false};
};

}  // namespace

AnalyzerOrError AudioFileAnalyzer::open(const std::string& path, AudioOpener opener,
                                        unsigned workers) {
  audio::OpenResult opened = opener(path, kOpenRate);
  if (!opened.source) return {nullptr, {"Cannot read the file as audio: " + opened.error}};
  return {std::make_unique<AudioFileAnalyzer>(path, std::move(opener), std::move(opened.source),
                                              workers),
          {}};
}

AudioFileAnalyzer::AudioFileAnalyzer(std::string path, AudioOpener opener,
                                     std::unique_ptr<audio::AudioSource> source, unsigned workers)
    : path_(std::move(path)),
      opener_(std::move(opener)),
      source_(std::move(source)),
      workers_(workers != 0 ? workers : std::max(1u, std::thread::hardware_concurrency())) {}

AudioFileAnalyzer::~AudioFileAnalyzer() {
  if (thread_.joinable()) thread_.join();
}

std::optional<SoundError> AudioFileAnalyzer::addRequest(std::shared_ptr<ClassifySoundRequest> request,
                                                        std::shared_ptr<ResultsObserver> observer) {
  if (!request || !observer) return SoundError{"A request needs an observer."};
  if (started_) return SoundError{"The analysis has already started."};
  if (request_) return SoundError{"This analyzer already has a request."};
  const auto planned = planWindows(*request, request->classifier().sampleRate());
  if (const auto* error = std::get_if<SoundError>(&planned)) return *error;
  request_ = std::move(request);
  observer_ = std::move(observer);
  return std::nullopt;
}

void AudioFileAnalyzer::analyze(std::function<void(bool)> completion) {
  if (started_ || !completion) {
    if (completion) completion(false);
    return;
  }
  started_ = true;
  try {
    thread_ = std::thread([this, done = completion] { done(run()); });
  } catch (const std::exception& e) {
    if (request_) observer_->requestDidFail(*request_, {std::string("Cannot start the analysis: ") + e.what()});
    completion(false);
  }
}

bool AudioFileAnalyzer::run() {
  if (!request_) return true;
  const ClassifySoundRequest& request = *request_;
  ResultsObserver& observer = *observer_;
  const auto fail = [&](SoundError error) {
    observer.requestDidFail(request, error);
    return false;
  };
  try {
    const Classifier& classifier = request.classifier();
    const auto planned = planWindows(request, classifier.sampleRate());
    if (const auto* error = std::get_if<SoundError>(&planned)) return fail(*error);
    const WindowPlan plan = std::get<WindowPlan>(planned);
    if (!source_ || source_->sampleRate() != plan.sampleRate) {
      audio::OpenResult reopened = opener_(path_, plan.sampleRate);
      if (!reopened.source) return fail({"Cannot read the file as audio: " + reopened.error});
      source_ = std::move(reopened.source);
    }

    // No thread of its own for decoding: whichever worker is free reads the
    // next window (one at a time, under the reader's lock) and classifies it.
    // A separate decoding thread competed with the workers for the
    // processors and left them waiting whenever it was descheduled.
    std::mutex readerLock;
    WindowReader reader(*source_, plan);
    bool ended = false;
    std::int64_t samplesRead = 0;
    FailureSlot failure;
    const auto nextWindow = [&]() -> std::optional<Window> {
      std::lock_guard hold(readerLock);
      if (ended || failure.failed()) return std::nullopt;
      try {
        auto window = reader.next();
        samplesRead = reader.samplesRead();
        if (!window) ended = true;
        return window;
      } catch (const std::exception& e) {
        ended = true;
        failure.set({std::string("Decoding failed: ") + e.what()});
        return std::nullopt;
      }
    };
    const auto work = [&] {
      try {
        while (auto window = nextWindow()) {
          auto result = classifyWindow(classifier, *window, plan.sampleRate);
          if (auto* error = std::get_if<SoundError>(&result)) {
            failure.set(std::move(*error));
            return;
          }
          observer.requestDidProduce(request, std::get<ClassificationResult>(result));
        }
      } catch (const std::exception& e) {
        failure.set({std::string("Classification failed: ") + e.what()});
      }
    };
    {
      std::vector<std::jthread> workers;
      try {
        for (unsigned i = 0; i < workers_; ++i) workers.emplace_back(work);
      } catch (const std::exception& e) {
        if (workers.empty()) return fail({std::string("Cannot start the analysis: ") + e.what()});
      }
    }  // joins

    if (auto error = failure.take()) return fail(std::move(*error));
    if (const auto error = source_->error()) {
      return fail({"Decoding stopped after " + secondsText(samplesRead, plan.sampleRate) +
                   " s of audio: " + *error});
    }
    observer.requestDidComplete(request);
    return true;
  } catch (const std::exception& e) {
    return fail({std::string("The analysis failed: ") + e.what()});
  }
}

}  // namespace platform::sound
