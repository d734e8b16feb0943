#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "NoiseFloor.h"

namespace platform::speech {

// A stretch of speech cut from a stream: 16-bit samples and where they start
// in the stream.
struct Utterance {
  std::int64_t startSample = 0;
  std::vector<std::int16_t> samples;
};

// Cuts a stream of mono float samples into utterances at the pauses between
// them, so that each can be recognised on its own and in parallel with the
// others, while times stay those of the stream. A frame (10 ms) is speech when
// its energy stands clearly above the noise floor, which starts at the
// quietest frame of the first two seconds (so a loud background is the floor
// from the start, not speech for the many seconds a slowly rising floor would
// take to reach it) and then follows the quietest recent frames. An utterance
// ends after a pause; one that grows too long is cut at its quietest frame.
// Long silences are left out.
class UtteranceCutter {
 public:
  struct Settings {
    int sampleRate = 16000;
    double pauseSeconds = 0.3;     // silence that ends an utterance
    double leadSeconds = 0.2;      // kept before the first speech frame
    double trailSeconds = 0.15;    // kept after the last speech frame
    double maxSeconds = 20.0;      // longer utterances are cut
    double cutSearchSeconds = 6.0; // where, before the limit, the cut is sought
    double marginDb = 12.0;        // speech stands this far above the floor
    double gateDb = -72.0;         // quieter frames are never speech (dBFS)
    double floorRiseDbPerSecond = 3.0;
    double minSpeechSeconds = 0.05; // fewer speech frames make no utterance
    double primeSeconds = 2.0;     // whose quietest frame starts the floor
  };

  UtteranceCutter() : UtteranceCutter(Settings{}) {}
  explicit UtteranceCutter(const Settings& settings);

  // Takes the next samples of the stream; returns the utterances they complete.
  std::vector<Utterance> push(std::span<const float> samples);
  // Ends the stream; returns the utterance still open, if any.
  std::vector<Utterance> finish();

 private:
  void frame(std::vector<Utterance>& out);
  void prime(std::vector<Utterance>& out);
  void decide(double energy, std::vector<Utterance>& out);
  void emit(std::int64_t end, std::vector<Utterance>& out);
  void cutLongUtterance(std::vector<Utterance>& out);
  void dropBefore(std::int64_t sample);

  Settings settings_;
  int frameLength_;
  std::int64_t pauseFrames_, leadSamples_, trailSamples_, maxSamples_, searchFrames_;
  std::int64_t minSpeechFrames_, primeFrames_;

  std::deque<std::int16_t> buffer_;  // samples from bufferStart_ on
  std::int64_t bufferStart_ = 0;
  std::int64_t framed_ = 0;          // samples already looked at in whole frames
  std::int64_t decided_ = 0;         // samples whose frames were judged
  std::vector<float> partial_;       // samples of the frame being filled
  NoiseFloor floor_;
  bool primed_ = false;

  bool inSpeech_ = false;
  std::int64_t start_ = 0;           // of the open utterance
  std::int64_t lastSpeechEnd_ = 0;   // end of its last speech frame
  std::int64_t silentFrames_ = 0;
  std::int64_t speechFrames_ = 0;
  std::int64_t previousEnd_ = 0;     // where the last utterance ended
  std::deque<double> energies_;      // per frame of the open utterance, dB
};

}  // namespace platform::speech
