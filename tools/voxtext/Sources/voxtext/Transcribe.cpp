#include "Transcribe.h"

#include "Collector.h"
#include "Document.h"

namespace voxtext {

namespace speech = platform::speech;

std::variant<Failure, nlohmann::json> transcribe(const std::string& path,
                                                 const Services& services) {
  speech::SpeechService& service = services.speech;
  if (!service.isAvailable()) {
    return Failure{"SpeechTranscriber unavailable on this Mac", kPreconditionUnmet};
  }
  const std::optional<speech::Locale> locale =
      service.supportedLocale(service.currentLocale());
  if (!locale) {
    return Failure{"locale unsupported: " + speech::identifier(service.currentLocale()),
                   kPreconditionUnmet};
  }
  const std::string localeId = speech::identifier(*locale);
  bool installed = false;
  for (const speech::Locale& candidate : service.installedLocales()) {
    if (speech::identifier(candidate) == localeId) {
      installed = true;
      break;
    }
  }
  if (!installed) {
    return Failure{"locale model not installed: " + localeId, kPreconditionUnmet};
  }

  const std::unique_ptr<speech::Transcriber> transcriber = service.makeTranscriber(
      *locale, {{speech::AttributeOption::AudioTimeRange,
                 speech::AttributeOption::TranscriptionConfidence}});
  const std::unique_ptr<speech::Analyzer> analyzer = service.makeAnalyzer(*transcriber);
  const auto failed = [&](const std::string& error) {
    analyzer->cancelAndFinishNow();
    return Failure{"Transcription failed: " + error, kUsageOrRunFailure};
  };

  platform::audio::OpenResult audio = services.openAudio(path, analyzer->audioSampleRate());
  if (!audio.source) return failed(audio.error);

  // Takes results off the sequence while the file is analysed. Declared after
  // the analyzer, so on every way out it is waited for first: by then the
  // analyzer has finished, which ends the sequence.
  Collector collector(transcriber->results());

  const speech::Analyzer::Analysis analysis = analyzer->analyzeSequence(*audio.source);
  if (analysis.error) return failed(*analysis.error);
  if (analysis.lastSampleTime) {
    if (auto error = analyzer->finalizeAndFinish(*analysis.lastSampleTime)) return failed(*error);
  } else {
    analyzer->cancelAndFinishNow();
  }

  Collector::Value collected = collector.value();
  if (collected.error) return failed(*collected.error);
  return output(collected.finals, localeId, services.macOSBuild);
}

}  // namespace voxtext
