#include "BuiltinClassifiers.h"

#include "ClassifySoundRequest.h"
#include "platform/sound/model/SoundModel.h"

namespace platform::sound {
namespace {

class ModelClassifier : public Classifier {
 public:
  int sampleRate() const override { return model::kSampleRate; }
  const std::vector<std::string>& labels() const override { return model::labels(); }
  std::vector<float> classify(std::span<const float> window) const override {
    return model::classify(window);
  }
};

}  // namespace

ClassifierCatalog builtinClassifiers() {
  ClassifierCatalog catalog;
  catalog.add(std::string(kClassifierIdentifierVersion1), std::make_shared<ModelClassifier>());
  return catalog;
}

}  // namespace platform::sound
