#pragma once

#include <atspi/atspi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Accessibility.h"

namespace platform::accessibility {

// An element on the accessibility bus: one counted reference to libatspi's
// object. Two handles are the same element when they name the same object
// path of the same application connection.
class AtspiElement final : public ElementHandle {
 public:
  // Takes over one reference.
  explicit AtspiElement(AtspiAccessible* adopted) : accessible_(adopted) {}
  ~AtspiElement() override;
  AtspiElement(const AtspiElement&) = delete;
  AtspiElement& operator=(const AtspiElement&) = delete;

  bool sameElement(const ElementHandle& other) const override;
  AtspiAccessible* accessible() const { return accessible_; }

 private:
  AtspiAccessible* accessible_;
};

// An Element holding `adopted` (whose reference it takes over); null for null.
Element wrapAccessible(AtspiAccessible* adopted);
// The libatspi object behind an element; null for a null element or one that
// another implementation made.
AtspiAccessible* accessibleOf(const Element& element);

// Owners for what libatspi hands out.
struct GObjectRelease {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectRelease>;

// A GError out-parameter that frees itself; true when an error was set.
class CallError {
 public:
  CallError() = default;
  ~CallError() {
    if (error_ != nullptr) g_error_free(error_);
  }
  CallError(const CallError&) = delete;
  CallError& operator=(const CallError&) = delete;
  GError** out() { return &error_; }
  explicit operator bool() const { return error_ != nullptr; }

 private:
  GError* error_ = nullptr;
};

// Takes over a string libatspi returned; nothing for null.
std::optional<std::string> adoptString(gchar* text);

// The children of an element, in order; nothing when they cannot be read.
// A child that cannot be fetched is left out.
std::optional<std::vector<GObjectPtr<AtspiAccessible>>> childrenOf(AtspiAccessible* accessible);

// The desktop's children: the applications on the bus. Empty when the bus is
// not connected.
std::vector<GObjectPtr<AtspiAccessible>> desktopApplications();

}  // namespace platform::accessibility
