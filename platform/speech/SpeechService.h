#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Locale.h"
#include "ResultsSequence.h"
#include "platform/audio/AudioSource.h"
#include "platform/time/MediaTime.h"

namespace platform::speech {

// What a result's runs carry besides their text.
enum class AttributeOption { AudioTimeRange, TranscriptionConfidence };

// How a transcriber is set up. Transcription and reporting options have no
// members yet: no volatile (non-final) results are ever asked for.
struct TranscriberOptions {
  std::set<AttributeOption> attributeOptions;
};

// A module that turns speech into text results, delivered on its sequence.
class Transcriber {
 public:
  virtual ~Transcriber() = default;
  virtual ResultsSequence& results() = 0;
};

// Feeds audio to its transcriber and finishes the transcriber's results.
class Analyzer {
 public:
  virtual ~Analyzer() = default;

  // The sample rate the audio handed to analyzeSequence must have.
  virtual int audioSampleRate() const = 0;

  struct Analysis {
    std::optional<time::MediaTime> lastSampleTime;  // none when no audio was read
    std::optional<std::string> error;              // set when the analysis failed
  };
  // Reads and analyses the whole source. Results are delivered while it runs.
  virtual Analysis analyzeSequence(audio::AudioSource& audio) = 0;

  // Finalises and delivers every result up to `through`, then finishes: the
  // results sequence ends. An error when that fails.
  virtual std::optional<std::string> finalizeAndFinish(time::MediaTime through) = 0;

  // Stops the analysis at once and finishes; the results sequence ends.
  virtual void cancelAndFinishNow() = 0;
};

// The speech transcription service: availability, the locale catalogue and
// installed models, and the making of transcribers and analyzers.
class SpeechService {
 public:
  virtual ~SpeechService() = default;

  virtual bool isAvailable() = 0;
  // The user's current locale.
  virtual Locale currentLocale() = 0;
  // The supported locale equivalent to `locale`, or none.
  virtual std::optional<Locale> supportedLocale(const Locale& locale) = 0;
  // The locales whose transcription models are installed on this machine.
  virtual std::vector<Locale> installedLocales() = 0;

  virtual std::unique_ptr<Transcriber> makeTranscriber(const Locale& locale,
                                                       const TranscriberOptions& options) = 0;
  // An analyzer whose one module is `transcriber`, which must outlive it.
  virtual std::unique_ptr<Analyzer> makeAnalyzer(Transcriber& transcriber) = 0;
};

}  // namespace platform::speech
