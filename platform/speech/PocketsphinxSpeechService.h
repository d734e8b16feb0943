#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "DecodePool.h"
#include "ModelCatalogue.h"
#include "PocketsphinxDecoder.h"
#include "SpeechEnhancer.h"
#include "SpeechService.h"
#include "UtteranceCutter.h"

namespace platform::speech {

// The speech service over pocketsphinx and the model files Debian installs.
class PocketsphinxSpeechService : public SpeechService {
 public:
  struct Settings {
    std::string modelRoot = kModelRoot;
    // Recognition workers, each with a decoder of its own (about 100 MB with
    // the US English model); 0 takes one per processor this process may run
    // on, at most kMaxWorkers, which keeps peak memory under 300 MB.
    int workers = 0;
    DecoderOptions decoderOptions = defaultDecoderOptions();
    // What cleans the audio of background noise before it is cut and
    // recognised (docs/voxtext.md has the figures that chose it).
    EnhancerKind enhancer = EnhancerKind::Speex;
    UtteranceCutter::Settings cutter;
  };
  static constexpr int kMaxWorkers = 2;
  static constexpr int kSampleRate = 16000;

  PocketsphinxSpeechService() : PocketsphinxSpeechService(Settings{}) {}
  explicit PocketsphinxSpeechService(Settings settings);

  bool isAvailable() override;
  Locale currentLocale() override;
  std::optional<Locale> supportedLocale(const Locale& locale) override;
  std::vector<Locale> installedLocales() override;
  std::unique_ptr<Transcriber> makeTranscriber(const Locale& locale,
                                               const TranscriberOptions& options) override;
  std::unique_ptr<Analyzer> makeAnalyzer(Transcriber& transcriber) override;

 private:
  Settings settings_;
};

// The number of processors this process may run on (its affinity), at least 1.
int usableProcessors();

}  // namespace platform::speech
