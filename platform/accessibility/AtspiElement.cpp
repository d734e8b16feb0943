#include "AtspiElement.h"

#include <cstring>

#include "AtspiBus.h"

namespace platform::accessibility {
namespace {

const char* busNameOf(AtspiAccessible* accessible) {
  const AtspiObject* object = ATSPI_OBJECT(accessible);
  return object->app != nullptr ? object->app->bus_name : nullptr;
}

bool sameText(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

}  // namespace

AtspiElement::~AtspiElement() { g_object_unref(accessible_); }

bool AtspiElement::sameElement(const ElementHandle& other) const {
  const auto* theirs = dynamic_cast<const AtspiElement*>(&other);
  if (theirs == nullptr) return false;
  if (theirs->accessible_ == accessible_) return true;
  return sameText(busNameOf(accessible_), busNameOf(theirs->accessible_)) &&
         sameText(ATSPI_OBJECT(accessible_)->path, ATSPI_OBJECT(theirs->accessible_)->path);
}

Element wrapAccessible(AtspiAccessible* adopted) {
  if (adopted == nullptr) return {};
  return Element(std::make_shared<const AtspiElement>(adopted));
}

AtspiAccessible* accessibleOf(const Element& element) {
  const auto* handle = dynamic_cast<const AtspiElement*>(element.handle());
  return handle != nullptr ? handle->accessible() : nullptr;
}

std::optional<std::string> adoptString(gchar* text) {
  if (text == nullptr) return std::nullopt;
  std::string result(text);
  g_free(text);
  return result;
}

std::optional<std::vector<GObjectPtr<AtspiAccessible>>> childrenOf(AtspiAccessible* accessible) {
  CallError error;
  const gint count = atspi_accessible_get_child_count(accessible, error.out());
  if (error || count < 0) return std::nullopt;
  std::vector<GObjectPtr<AtspiAccessible>> children;
  children.reserve(static_cast<std::size_t>(count));
  for (gint i = 0; i < count; ++i) {
    CallError childError;
    AtspiAccessible* child = atspi_accessible_get_child_at_index(accessible, i, childError.out());
    if (child != nullptr) children.emplace_back(child);
  }
  return children;
}

std::vector<GObjectPtr<AtspiAccessible>> desktopApplications() {
  if (!connectAccessibilityBus()) return {};
  GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
  if (!desktop) return {};
  auto applications = childrenOf(desktop.get());
  if (!applications) return {};
  return std::move(*applications);
}

}  // namespace platform::accessibility
