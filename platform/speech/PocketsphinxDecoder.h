#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DecodePool.h"
#include "ModelCatalogue.h"

struct ps_decoder_s;

namespace platform::speech {

// Decoder options as pocketsphinx names them ("-lw", "5").
using DecoderOptions = std::vector<std::pair<std::string, std::string>>;

// The options the transcriber runs with (docs/voxtext.md has the figures
// that chose them).
DecoderOptions defaultDecoderOptions();

// One pocketsphinx decoder over the model files of a locale. It recognises
// each utterance as a whole; times come from the utterance's place in the
// stream, as the decoder's own voice detection is switched off.
class PocketsphinxDecoder : public UtteranceDecoder {
 public:
  static std::unique_ptr<PocketsphinxDecoder> load(const ModelFiles& model,
                                                   const DecoderOptions& options, int sampleRate,
                                                   std::string& error);
  ~PocketsphinxDecoder() override;
  PocketsphinxDecoder(const PocketsphinxDecoder&) = delete;
  PocketsphinxDecoder& operator=(const PocketsphinxDecoder&) = delete;

  Decoded decode(const Utterance& utterance) override;

 private:
  PocketsphinxDecoder(ps_decoder_s* decoder, int sampleRate, int samplesPerFrame);

  ps_decoder_s* decoder_;
  int sampleRate_;
  int samplesPerFrame_;
};

// Sends the recogniser's own log to nowhere: standard error carries only the
// programs' failure lines. Safe to call more than once.
void silencePocketsphinxLog();

}  // namespace platform::speech
