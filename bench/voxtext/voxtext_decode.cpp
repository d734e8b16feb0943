// Runs the speech service on one file with chosen recogniser settings, to
// compare settings by speed and accuracy (see voxtext-settings.sh). Options
// given replace voxtext's own.
//   voxtext_decode FILE WORKERS [--model-root DIR] [--lead S] [--trail S] [--pause S]
//                  [--enhance speex|none] [-option value]...
// --lead, --trail and --pause set the utterance cutter's lead, trail and pause
// (seconds); --enhance picks what cleans the audio of noise (voxtext's own
// choice without it).
// Prints the transcript, one utterance a line, on standard output and the
// time it took on standard error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/audio/AudioSource.h"
#include "platform/speech/PocketsphinxSpeechService.h"

int main(int argc, char** argv) {
  using namespace platform::speech;
  if (argc < 3 || (argc - 3) % 2 != 0) {
    std::fprintf(stderr, "usage: voxtext_decode FILE WORKERS [-option value]...\n");
    return 2;
  }
  const auto begin = std::chrono::steady_clock::now();
  PocketsphinxSpeechService::Settings settings;
  settings.workers = std::atoi(argv[2]);
  DecoderOptions options;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--model-root") {
      settings.modelRoot = argv[i + 1];
    } else if (name == "--lead") {
      settings.cutter.leadSeconds = std::atof(argv[i + 1]);
    } else if (name == "--trail") {
      settings.cutter.trailSeconds = std::atof(argv[i + 1]);
    } else if (name == "--pause") {
      settings.cutter.pauseSeconds = std::atof(argv[i + 1]);
    } else if (name == "--enhance") {
      const std::string kind = argv[i + 1];
      if (kind == "none") {
        settings.enhancer = EnhancerKind::None;
      } else if (kind == "speex") {
        settings.enhancer = EnhancerKind::Speex;
      } else {
        std::fprintf(stderr, "voxtext_decode: --enhance takes speex or none\n");
        return 2;
      }
    } else {
      options.emplace_back(argv[i], argv[i + 1]);
    }
  }
  if (!options.empty()) settings.decoderOptions = options;
  PocketsphinxSpeechService service(settings);
  const Locale locale{"en", "US"};
  auto transcriber = service.makeTranscriber(
      locale, {{AttributeOption::AudioTimeRange, AttributeOption::TranscriptionConfidence}});
  auto analyzer = service.makeAnalyzer(*transcriber);
  auto opened = platform::audio::openAudioFile(argv[1], analyzer->audioSampleRate());
  if (!opened.source) {
    std::fprintf(stderr, "%s\n", opened.error.c_str());
    return 1;
  }
  std::string text;
  std::thread collector([&] {
    for (;;) {
      auto step = transcriber->results().next();
      if (!step.result) break;
      text += step.result->text.characters() + "\n";
    }
  });
  auto analysis = analyzer->analyzeSequence(*opened.source);
  if (analysis.error) {
    std::fprintf(stderr, "%s\n", analysis.error->c_str());
    analyzer->cancelAndFinishNow();
  } else if (analysis.lastSampleTime) {
    if (auto error = analyzer->finalizeAndFinish(*analysis.lastSampleTime)) {
      std::fprintf(stderr, "%s\n", error->c_str());
    }
  } else {
    analyzer->cancelAndFinishNow();
  }
  collector.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const double audio = analysis.lastSampleTime ? analysis.lastSampleTime->seconds() : 0;
  std::fputs(text.c_str(), stdout);
  std::fprintf(stderr, "audio %.1f s, took %.2f s, real-time factor %.3f\n", audio, seconds,
               audio > 0 ? seconds / audio : 0.0);
  return 0;
}
