// sound_model_dump: the model's front end (and network) as a filter for the
// training tooling, so training sees exactly the features this program uses.
//
//   sound_model_dump features  < windows.f32 > features.f32
//   sound_model_dump classify  < windows.f32 > confidences.f32
//   sound_model_dump labels
//
// Input: consecutive windows of kWindowSamples little-endian float32 mono
// samples at kSampleRate. Output per window: kFeatureCount float32 features
// (band-major), or one float32 confidence per label.
#include "platform/sound/model/LogMel.h"
#include "platform/sound/model/SoundModel.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

int usage() {
  std::fputs("Usage: sound_model_dump features|classify|labels\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  namespace model = platform::sound::model;
  if (argc != 2) return usage();
  const std::string_view mode = argv[1];
  if (mode == "labels") {
    std::printf("%.*s\n", static_cast<int>(model::version().size()), model::version().data());
    for (const std::string& label : model::labels()) std::printf("%s\n", label.c_str());
    return 0;
  }
  if (mode != "features" && mode != "classify") return usage();
  std::vector<float> window(model::kWindowSamples);
  while (std::fread(window.data(), sizeof(float), window.size(), stdin) == window.size()) {
    const std::vector<float> out =
        mode == "features" ? model::logMelFeatures(window) : model::classify(window);
    if (std::fwrite(out.data(), sizeof(float), out.size(), stdout) != out.size()) {
      std::perror("sound_model_dump: write");
      return 1;
    }
  }
  if (std::ferror(stdin)) {
    std::perror("sound_model_dump: read");
    return 1;
  }
  return 0;
}
