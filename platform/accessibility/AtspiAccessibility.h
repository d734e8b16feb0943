#pragma once

#include <atspi/atspi.h>

#include <string>

#include "Accessibility.h"

namespace platform::accessibility {

// The accessibility interface over AT-SPI 2: each read, write and action is
// one or a few synchronous D-Bus calls to the application, bounded in time,
// with nothing cached between them.
//
// Attributes: "AXWindows" (an application's children with role frame, window
// or dialog), "AXChildren", "AXRole", "AXDescription" (an empty description
// reads as empty), "AXTitle" (the name), "AXValue" (the whole text of the
// Text interface; written through EditableText), "AXPosition" (Component
// position in screen coordinates, read and written), "AXFocused" (the focused
// state; writing true grabs the focus, false has nothing to do). "AXHidden"
// has no AT-SPI counterpart: a write is refused and changes nothing.
//
// Actions: "AXPress" runs the element's action named "click" or "press",
// "AXConfirm" its "activate", both looked up by name each time;
// "AXIncrement" steps a Value element, or a scroll pane's vertical scroll
// bar, up by its minimum increment, capped at its maximum.
class AtspiAccessibility : public Accessibility {
 public:
  bool isProcessTrusted() override;
  Element applicationElement(std::int32_t processId) override;
  std::optional<Value> copyAttributeValue(const Element& element,
                                          const std::string& attribute) override;
  // "AXRole", "AXChildren", "AXDescription", "AXTitle" and "AXValue" in one
  // batch of calls; the others one by one.
  std::vector<std::optional<Value>> copyAttributeValues(const std::vector<Element>& elements,
                                                        const std::string& attribute) override;
  bool setAttributeValue(const Element& element, const std::string& attribute,
                         const Value& value) override;
  bool performAction(const Element& element, const std::string& action) override;
  // Through the Collection interface (see AtspiSearch.h).
  std::optional<std::vector<FoundElement>> findElements(const Element& root,
                                                        const std::string& role,
                                                        const std::string& attribute) override;
};

// The role name memotitler sees for an AT-SPI role: "AXButton" for a push
// button; "AXTextField" for an entry, text or password text; "AXScrollArea"
// for a scroll pane; any other role by its own AT-SPI name.
std::string axRoleName(AtspiRole role);

}  // namespace platform::accessibility
