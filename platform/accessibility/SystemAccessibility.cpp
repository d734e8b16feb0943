#include "Accessibility.h"
#include "AtspiAccessibility.h"

namespace platform::accessibility {

std::unique_ptr<Accessibility> makeSystemAccessibility() {
  return std::make_unique<AtspiAccessibility>();
}

}  // namespace platform::accessibility
