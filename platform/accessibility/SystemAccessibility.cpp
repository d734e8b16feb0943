#include "Accessibility.h"

namespace platform::accessibility {
namespace {

// A machine without a reachable accessibility interface: never trusted, no
// elements, every read fails and every write or action is refused.
class UnavailableAccessibility : public Accessibility {
 public:
  bool isProcessTrusted() override { return false; }
  Element applicationElement(std::int32_t) override { return {}; }
  std::optional<Value> copyAttributeValue(const Element&, const std::string&) override {
    return std::nullopt;
  }
  bool setAttributeValue(const Element&, const std::string&, const Value&) override { return false; }
  bool performAction(const Element&, const std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<Accessibility> makeSystemAccessibility() {
  return std::make_unique<UnavailableAccessibility>();
}

}  // namespace platform::accessibility
