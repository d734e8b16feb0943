#include "PocketsphinxDecoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/logmath.h>

#include <algorithm>
#include <mutex>

#include "RecognisedWords.h"

namespace platform::speech {

DecoderOptions defaultDecoderOptions() {
  // A lighter language weight in the first pass (the later passes keep
  // theirs) gave the fewest word errors on clear speech; the cap on the
  // search per frame takes a fifth off its time for about one word in a
  // thousand (2500 made the same transcript of the benchmark as 3000; 2000
  // cost a point of word errors). The flat pass looks for a word's successors
  // within 15 frames of where the first pass ended it, not 25: the same word
  // errors, 4% fewer instructions. Cutting the acoustic scoring (-ds, -topn)
  // or the beams cost more words than it saved time.
  return {{"-lw", "5"}, {"-maxhmmpf", "2500"}, {"-maxwpf", "5"}, {"-fwdflatsfwin", "15"}};
}

void silencePocketsphinxLog() {
  static std::once_flag once;
  std::call_once(once, [] { err_set_logfp(nullptr); });
}

std::unique_ptr<PocketsphinxDecoder> PocketsphinxDecoder::load(const ModelFiles& model,
                                                               const DecoderOptions& options,
                                                               int sampleRate,
                                                               std::string& error) {
  silencePocketsphinxLog();
  const std::string rate = std::to_string(sampleRate);
  std::vector<std::string> words = {
      "-hmm", model.acousticModel, "-lm", model.languageModel, "-dict", model.dictionary,
      "-samprate", rate,
      // Utterances arrive already cut at the pauses; the decoder's own voice
      // detection would drop frames and shift every time after them.
      "-remove_silence", "no",
      // Word posteriors, the confidence of each word, come from the best path
      // through the lattice.
      "-bestpath", "yes",
  };
  for (const auto& [name, value] : options) {
    words.push_back(name);
    words.push_back(value);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  cmd_ln_t* config =
      cmd_ln_parse_r(nullptr, ps_args(), static_cast<int32>(argv.size()), argv.data(), TRUE);
  if (config == nullptr) {
    error = "the recogniser's settings were refused";
    return nullptr;
  }
  ps_decoder_t* decoder = ps_init(config);
  cmd_ln_free_r(config);
  if (decoder == nullptr) {
    error = "the speech model in " + model.acousticModel + " could not be loaded";
    return nullptr;
  }
  const int frameRate = static_cast<int>(cmd_ln_int32_r(ps_get_config(decoder), "-frate"));
  const int samplesPerFrame = frameRate > 0 ? sampleRate / frameRate : sampleRate / 100;
  return std::unique_ptr<PocketsphinxDecoder>(
      new PocketsphinxDecoder(decoder, sampleRate, samplesPerFrame));
}

PocketsphinxDecoder::PocketsphinxDecoder(ps_decoder_t* decoder, int sampleRate,
                                         int samplesPerFrame)
    : decoder_(decoder), sampleRate_(sampleRate), samplesPerFrame_(samplesPerFrame) {}

PocketsphinxDecoder::~PocketsphinxDecoder() { ps_free(decoder_); }

UtteranceDecoder::Decoded PocketsphinxDecoder::decode(const Utterance& utterance) {
  const auto length = static_cast<std::int64_t>(utterance.samples.size());
  // A fresh stream forgets what earlier utterances left behind (the noise
  // estimate), so an utterance is recognised the same whichever worker takes
  // it and whatever that worker recognised before.
  if (ps_start_stream(decoder_) < 0 || ps_start_utt(decoder_) < 0) {
    return {std::nullopt, "the recogniser could not start"};
  }
  // The whole utterance at once: its cepstral mean is taken over all of it.
  const int searched = ps_process_raw(decoder_, utterance.samples.data(),
                                      utterance.samples.size(), FALSE, TRUE);
  if (ps_end_utt(decoder_) < 0 || searched < 0) {
    return {std::nullopt, "the recogniser failed on the audio"};
  }

  logmath_t* logmath = ps_get_logmath(decoder_);
  std::vector<RecognisedWord> words;
  for (ps_seg_t* seg = ps_seg_iter(decoder_); seg != nullptr; seg = ps_seg_next(seg)) {
    int first = 0, last = 0;
    ps_seg_frames(seg, &first, &last);
    int32 acoustic = 0, language = 0, backoff = 0;
    const int32 posterior = ps_seg_prob(seg, &acoustic, &language, &backoff);
    RecognisedWord word;
    word.token = ps_seg_word(seg);
    word.startSample =
        utterance.startSample + std::clamp<std::int64_t>(std::int64_t{first} * samplesPerFrame_, 0, length);
    word.endSample = utterance.startSample +
                     std::clamp<std::int64_t>((std::int64_t{last} + 1) * samplesPerFrame_, 0, length);
    word.posterior = logmath_exp(logmath, posterior);
    words.push_back(std::move(word));
  }
  const time::MediaTimeRange range{time::MediaTime::make(utterance.startSample, sampleRate_),
                                   time::MediaTime::make(length, sampleRate_)};
  return {resultFromWords(words, range, sampleRate_), std::nullopt};
}

}  // namespace platform::speech
