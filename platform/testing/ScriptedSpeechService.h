#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/speech/SpeechService.h"

namespace platform::testing {

// A speech service that plays a script instead of recognising speech, and
// records every call in order.
class ScriptedSpeechService : public speech::SpeechService {
 public:
  struct Script {
    bool available = true;
    speech::Locale current{"en", "US"};
    // The supported locale equivalent to a locale; by default the locale itself.
    std::function<std::optional<speech::Locale>(const speech::Locale&)> supported =
        [](const speech::Locale& l) { return std::optional<speech::Locale>(l); };
    std::vector<speech::Locale> installed{{"en", "US"}};

    // Delivered on the results sequence while the audio is analysed.
    std::vector<speech::Result> results;
    std::optional<std::string> analyzeError;   // after reading the audio
    std::optional<std::string> finalizeError;
    std::optional<std::string> sequenceError;  // the sequence fails instead of ending
  };

  explicit ScriptedSpeechService(Script script) : script_(std::move(script)) {}

  std::vector<std::string> calls;
  std::optional<speech::TranscriberOptions> transcriberOptions;
  std::optional<speech::Locale> transcriberLocale;
  // Whether the results had all been taken off the sequence before the
  // analysis returned, that is while it ran.
  bool resultsTakenDuringAnalysis = false;

  bool isAvailable() override {
    calls.push_back("isAvailable");
    return script_.available;
  }
  speech::Locale currentLocale() override {
    calls.push_back("currentLocale");
    return script_.current;
  }
  std::optional<speech::Locale> supportedLocale(const speech::Locale& locale) override {
    calls.push_back("supportedLocale " + speech::identifier(locale));
    return script_.supported(locale);
  }
  std::vector<speech::Locale> installedLocales() override {
    calls.push_back("installedLocales");
    return script_.installed;
  }

  std::unique_ptr<speech::Transcriber> makeTranscriber(
      const speech::Locale& locale, const speech::TranscriberOptions& options) override {
    calls.push_back("makeTranscriber " + speech::identifier(locale));
    transcriberLocale = locale;
    transcriberOptions = options;
    return std::make_unique<Transcriber>();
  }

  std::unique_ptr<speech::Analyzer> makeAnalyzer(speech::Transcriber& transcriber) override {
    calls.push_back("makeAnalyzer");
    return std::make_unique<Analyzer>(*this, transcriber.results());
  }

 private:
  class Transcriber : public speech::Transcriber {
   public:
    speech::ResultsSequence& results() override { return results_; }

   private:
    speech::ResultsSequence results_;
  };

  class Analyzer : public speech::Analyzer {
   public:
    Analyzer(ScriptedSpeechService& service, speech::ResultsSequence& results)
        : service_(service), results_(results) {}

    int audioSampleRate() const override { return 16000; }

    Analysis analyzeSequence(audio::AudioSource& audio) override {
      service_.calls.push_back("analyzeSequence");
      std::int64_t samples = 0;
      std::vector<float> block(1024);
      while (const std::size_t got = audio.read(block)) samples += static_cast<std::int64_t>(got);
      for (const speech::Result& result : service_.script_.results) results_.deliver(result);
      service_.resultsTakenDuringAnalysis = results_.waitUntilTaken(std::chrono::seconds(10));
      if (service_.script_.analyzeError) return {std::nullopt, service_.script_.analyzeError};
      if (const auto error = audio.error()) return {std::nullopt, error};
      if (samples == 0) return {std::nullopt, std::nullopt};
      return {time::MediaTime::make(samples, audio.sampleRate()), std::nullopt};
    }

    std::optional<std::string> finalizeAndFinish(time::MediaTime through) override {
      service_.calls.push_back("finalizeAndFinish " + std::to_string(through.value) + "/" +
                               std::to_string(through.timescale));
      if (service_.script_.finalizeError) return service_.script_.finalizeError;
      end();
      return std::nullopt;
    }

    void cancelAndFinishNow() override {
      service_.calls.push_back("cancelAndFinishNow");
      end();
    }

   private:
    void end() {
      if (service_.script_.sequenceError) {
        results_.fail(*service_.script_.sequenceError);
      } else {
        results_.finish();
      }
    }

    ScriptedSpeechService& service_;
    speech::ResultsSequence& results_;
  };

  Script script_;
};

}  // namespace platform::testing
