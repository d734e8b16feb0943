#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "SpeechEnhancer.h"

namespace platform::speech {

// Runs a stream of mono samples through an enhancer and hands on, in the
// stream's own timeline, the cleaned samples where the background is loud and
// the samples as they came where it is quiet: cleaning clear speech only
// costs the recogniser words. The enhancer's delay is taken off, so sample n
// out is sample n in (cleaned or not), and as many samples leave as came in.
// The background's level at a frame is the quietest frame (10 ms, as they
// came) within a window on either side of it: speech has its pauses and
// dips, a steady background never drops below itself. A stream is cleaned
// from where that level rises above loudDb until it falls below quietDb.
// Without an enhancer the samples pass unchanged.
class EnhancedStream {
 public:
  struct Settings {
    int sampleRate = 16000;
    double loudDb = -55.0;       // a background above this is cleaned (dBFS)
    double quietDb = -60.0;      // ... until it falls below this
    double windowSeconds = 1.5;  // looked at on either side of a frame
  };

  explicit EnhancedStream(std::unique_ptr<SpeechEnhancer> enhancer)
      : EnhancedStream(std::move(enhancer), Settings{}) {}
  EnhancedStream(std::unique_ptr<SpeechEnhancer> enhancer, const Settings& settings);

  // Takes the next samples; returns those ready so far.
  std::vector<float> push(std::span<const float> samples);
  // Ends the stream; returns the rest.
  std::vector<float> finish();

 private:
  void clean();
  void measure();
  void handOn(bool finishing, std::vector<float>& out);

  std::unique_ptr<SpeechEnhancer> enhancer_;
  Settings settings_;
  std::size_t frameLength_ = 0;
  std::int64_t window_ = 0;        // frames on either side
  std::vector<float> frame_;       // being filled for the enhancer
  std::vector<float> measuring_;   // the frame being filled for its energy
  std::deque<float> original_;     // from given_ on, as they came
  std::deque<float> cleaned_;      // from given_ on, cleaned
  std::deque<double> energies_;    // of the frames from energiesFrom_ on
  std::int64_t energiesFrom_ = 0;
  std::int64_t measured_ = 0;      // frames whose energy is known
  std::int64_t toSkip_ = 0;        // leading cleaned samples that are the delay
  std::int64_t taken_ = 0;         // samples pushed
  std::int64_t given_ = 0;         // samples handed on
  bool loud_ = false;
};

}  // namespace platform::speech
