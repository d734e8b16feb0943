#include "ClassifySoundRequest.h"

namespace platform::sound {

RequestOrError makeClassifySoundRequest(const ClassifierCatalog& classifiers,
                                        std::string_view identifier) {
  auto classifier = classifiers.find(identifier);
  if (!classifier) {
    return {nullptr, {"No sound classifier is installed under the identifier \"" +
                      std::string(identifier) + "\"."}};
  }
  return {std::make_shared<ClassifySoundRequest>(std::move(classifier)), {}};
}

}  // namespace platform::sound
