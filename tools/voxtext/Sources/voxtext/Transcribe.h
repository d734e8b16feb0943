#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "Failure.h"
#include "platform/audio/AudioSource.h"
#include "platform/speech/SpeechService.h"

namespace voxtext {

// Opens an audio file as mono float samples at a sample rate.
using AudioOpener =
    std::function<platform::audio::OpenResult(const std::string& path, int sampleRate)>;

// What the transcription reaches of the system.
struct Services {
  platform::speech::SpeechService& speech;
  AudioOpener openAudio;
  std::function<std::string()> macOSBuild;
  // Whether the system is recent enough for the transcriber's operations.
  std::function<bool()> meetsVersionGate;
};

// Transcribes the audio file at `path` (absolute): checks the transcriber,
// the locale and its installed model, analyses the whole file while a
// collector keeps the final results, and builds the transcript document.
// Every failure after the analyzer exists cancels and finishes it first.
std::variant<Failure, nlohmann::json> transcribe(const std::string& path,
                                                 const Services& services);

}  // namespace voxtext
