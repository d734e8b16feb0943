#pragma once

#include "Classifier.h"

namespace platform::sound {

// The classifiers compiled into the program: kClassifierIdentifierVersion1 is
// the sound model in platform/sound/model.
ClassifierCatalog builtinClassifiers();

}  // namespace platform::sound
