#include "PocketsphinxSpeechService.h"

#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "EnhancedStream.h"

namespace platform::speech {
namespace {

class PocketsphinxTranscriber : public Transcriber {
 public:
  PocketsphinxTranscriber(Locale locale, std::optional<ModelFiles> model,
                          TranscriberOptions options)
      : locale_(std::move(locale)), model_(std::move(model)), options_(std::move(options)) {}

  ResultsSequence& results() override { return results_; }

  const Locale& locale() const { return locale_; }
  const std::optional<ModelFiles>& model() const { return model_; }

  // Hands a result on with the attributes that were asked for.
  void deliver(Result result) {
    const bool times = options_.attributeOptions.contains(AttributeOption::AudioTimeRange);
    const bool confidences =
        options_.attributeOptions.contains(AttributeOption::TranscriptionConfidence);
    for (Run& run : result.text.runs) {
      if (!times) run.timeRange.reset();
      if (!confidences) run.confidence.reset();
    }
    results_.deliver(std::move(result));
  }

 private:
  Locale locale_;
  std::optional<ModelFiles> model_;
  TranscriberOptions options_;
  ResultsSequence results_;
};

class PocketsphinxAnalyzer : public Analyzer {
 public:
  PocketsphinxAnalyzer(Transcriber& module, const PocketsphinxSpeechService::Settings& settings)
      : module_(module),
        transcriber_(dynamic_cast<PocketsphinxTranscriber*>(&module)),
        settings_(settings),
        enhanced_(makeEnhancer(settings.enhancer, PocketsphinxSpeechService::kSampleRate,
                               enhancerError_)),
        cutter_(settings.cutter) {}

  ~PocketsphinxAnalyzer() override { cancelAndFinishNow(); }

  int audioSampleRate() const override { return PocketsphinxSpeechService::kSampleRate; }

  Analysis analyzeSequence(audio::AudioSource& audio) override {
    if (transcriber_ == nullptr) return {std::nullopt, "the analyzer has no pocketsphinx module"};
    if (!transcriber_->model()) {
      return {std::nullopt, "no speech model is installed for " + identifier(transcriber_->locale())};
    }
    if (audio.sampleRate() != audioSampleRate()) {
      return {std::nullopt, "the audio is not at " + std::to_string(audioSampleRate()) + " Hz"};
    }
    if (!enhancerError_.empty()) return {std::nullopt, enhancerError_};
    std::vector<float> block(4096);
    bool refused = false;
    while (!cancelled_ && !refused) {
      const std::size_t got = audio.read(block);
      if (got == 0) break;
      read_ += static_cast<std::int64_t>(got);
      refused = !cut(enhanced_.push(std::span(block.data(), got)));
    }
    if (const auto error = audio.error()) return {std::nullopt, *error};
    if (const auto failure = poolFailure()) return {std::nullopt, *failure};
    if (cancelled_) return {std::nullopt, "the analysis was cancelled"};
    if (read_ == 0) return {std::nullopt, std::nullopt};
    return {time::MediaTime::make(read_, audioSampleRate()), std::nullopt};
  }

  std::optional<std::string> finalizeAndFinish(time::MediaTime) override {
    if (cancelled_) return "the analysis was cancelled";
    // Everything read so far is finalised: the audio ends where the last
    // sample was read.
    if (cut(enhanced_.finish())) {
      for (Utterance& utterance : cutter_.finish()) {
        if (!submit(std::move(utterance))) break;
      }
    }
    DecodePool* pool = nullptr;
    {
      std::lock_guard lock(mutex_);
      pool = pool_.get();
    }
    if (pool != nullptr) {
      if (auto failure = pool->drain()) return failure;
    }
    if (cancelled_) return "the analysis was cancelled";
    module_.results().finish();
    return std::nullopt;
  }

  void cancelAndFinishNow() override {
    cancelled_ = true;
    {
      std::lock_guard lock(mutex_);
      if (pool_) pool_->cancel();
    }
    module_.results().finish();
  }

 private:
  // Cuts cleaned samples into utterances and submits them; false once the
  // pool refuses one.
  bool cut(const std::vector<float>& samples) {
    for (Utterance& utterance : cutter_.push(samples)) {
      if (!submit(std::move(utterance))) return false;
    }
    return true;
  }

  // The workers start with the first utterance, so audio without speech
  // loads no model.
  bool submit(Utterance utterance) {
    DecodePool* pool = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (cancelled_) return false;
      if (!pool_) {
        const ModelFiles model = *transcriber_->model();
        const DecoderOptions options = settings_.decoderOptions;
        PocketsphinxTranscriber* transcriber = transcriber_;
        pool_ = std::make_unique<DecodePool>(
            workers(),
            [model, options](std::string& error) -> std::unique_ptr<UtteranceDecoder> {
              return PocketsphinxDecoder::load(model, options,
                                               PocketsphinxSpeechService::kSampleRate, error);
            },
            [transcriber](Result result) { transcriber->deliver(std::move(result)); });
      }
      pool = pool_.get();
    }
    return pool->submit(std::move(utterance));
  }

  std::optional<std::string> poolFailure() {
    std::lock_guard lock(mutex_);
    return pool_ ? pool_->failure() : std::nullopt;
  }

  int workers() const {
    if (settings_.workers > 0) return settings_.workers;
    return std::min(usableProcessors(), PocketsphinxSpeechService::kMaxWorkers);
  }

  Transcriber& module_;
  PocketsphinxTranscriber* transcriber_;
  PocketsphinxSpeechService::Settings settings_;
  std::string enhancerError_;
  EnhancedStream enhanced_;
  UtteranceCutter cutter_;
  std::int64_t read_ = 0;
  std::atomic<bool> cancelled_ = false;
  std::mutex mutex_;
  std::unique_ptr<DecodePool> pool_;
};

}  // namespace

int usableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return 1;
}

PocketsphinxSpeechService::PocketsphinxSpeechService(Settings settings)
    : settings_(std::move(settings)) {
  silencePocketsphinxLog();
}

bool PocketsphinxSpeechService::isAvailable() {
  // The recogniser is linked in and runs on any processor.
  return true;
}

Locale PocketsphinxSpeechService::currentLocale() {
  return currentLocaleFrom(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                           std::getenv("LANG"));
}

std::optional<Locale> PocketsphinxSpeechService::supportedLocale(const Locale& locale) {
  return equivalentSupportedLocale(locale);
}

std::vector<Locale> PocketsphinxSpeechService::installedLocales() {
  return speech::installedLocales(settings_.modelRoot);
}

std::unique_ptr<Transcriber> PocketsphinxSpeechService::makeTranscriber(
    const Locale& locale, const TranscriberOptions& options) {
  return std::make_unique<PocketsphinxTranscriber>(
      locale, installedModel(settings_.modelRoot, locale), options);
}

std::unique_ptr<Analyzer> PocketsphinxSpeechService::makeAnalyzer(Transcriber& transcriber) {
  return std::make_unique<PocketsphinxAnalyzer>(transcriber, settings_);
}

}  // namespace platform::speech
