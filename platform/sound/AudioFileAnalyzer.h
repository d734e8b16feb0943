#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ClassifySoundRequest.h"
#include "ResultsObserver.h"
#include "SoundError.h"
#include "platform/audio/AudioSource.h"

namespace platform::sound {

// Opens a file as mono float audio at a rate (platform::audio::openAudioFile).
using AudioOpener = std::function<audio::OpenResult(const std::string& path, int sampleRate)>;

class AudioFileAnalyzer;

struct AnalyzerOrError {
  std::unique_ptr<AudioFileAnalyzer> analyzer;  // null on failure
  SoundError error;
};

// Runs a classification request over a whole audio file.
//
// The analysis runs one worker thread per processor: a free worker reads the
// next window from the file (one reader at a time), classifies it and tells
// the observer about it, so results arrive out of time order. Memory is one
// window per worker whatever the file's length. Then, from the analysis
// thread once the workers are done: requestDidFail (a decoding or
// classification failure) or requestDidComplete, and last the completion
// handler, exactly once.
class AudioFileAnalyzer {
 public:
  // The rate the file is opened at to check that it is audio; a classifier
  // that hears another rate makes the analysis open it again at that rate.
  static constexpr int kOpenRate = 16000;

  // Fails for anything that is not a readable audio file, a directory
  // included. `workers` 0 means one per processor.
  static AnalyzerOrError open(const std::string& path, AudioOpener opener, unsigned workers = 0);

  // `source` is the file already opened, or null to open it when the
  // analysis starts.
  AudioFileAnalyzer(std::string path, AudioOpener opener,
                    std::unique_ptr<audio::AudioSource> source, unsigned workers);
  // Waits for an analysis that is still running.
  ~AudioFileAnalyzer();
  AudioFileAnalyzer(const AudioFileAnalyzer&) = delete;
  AudioFileAnalyzer& operator=(const AudioFileAnalyzer&) = delete;

  // One request per analyzer, added before the analysis starts. Fails when
  // the request's window settings cannot be used.
  std::optional<SoundError> addRequest(std::shared_ptr<ClassifySoundRequest> request,
                                       std::shared_ptr<ResultsObserver> observer);

  // Starts the analysis and returns at once. `completion` gets true when the
  // whole file was analysed. A second call only calls `completion` with false.
  void analyze(std::function<void(bool)> completion);

 private:
  bool run();

  std::string path_;
  AudioOpener opener_;
  std::unique_ptr<audio::AudioSource> source_;
  unsigned workers_;
  std::shared_ptr<ClassifySoundRequest> request_;
  std::shared_ptr<ResultsObserver> observer_;
  bool started_ = false;
  std::thread thread_;
};

}  // namespace platform::sound
