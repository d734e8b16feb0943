#include "AtspiAccessibility.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "AtspiBus.h"
#include "AtspiElement.h"

namespace platform::accessibility {
namespace {

std::optional<AtspiRole> roleOf(AtspiAccessible* accessible) {
  CallError error;
  const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
  if (error) return std::nullopt;
  return role;
}

bool isWindowRole(AtspiRole role) {
  return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG;
}

std::optional<Value> children(AtspiAccessible* accessible, bool windowsOnly) {
  auto found = childrenOf(accessible);
  if (!found) return std::nullopt;
  std::vector<Element> elements;
  for (auto& child : *found) {
    if (windowsOnly) {
      const auto role = roleOf(child.get());
      if (!role || !isWindowRole(*role)) continue;
    }
    elements.push_back(wrapAccessible(child.release()));
  }
  return Value(std::move(elements));
}

std::optional<Value> stringOrEmpty(std::optional<std::string> text) {
  if (!text) return std::nullopt;
  if (text->empty()) return Value(std::monostate{});
  return Value(std::move(*text));
}

std::optional<Value> wholeText(AtspiAccessible* accessible) {
  GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(accessible));
  if (!text) return std::nullopt;
  CallError error;
  auto content = adoptString(atspi_text_get_text(text.get(), 0, -1, error.out()));
  if (error || !content) return std::nullopt;
  return Value(std::move(*content));
}

std::optional<Value> screenPosition(AtspiAccessible* accessible) {
  GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(accessible));
  if (!component) return std::nullopt;
  CallError error;
  AtspiPoint* point = atspi_component_get_position(component.get(), ATSPI_COORD_TYPE_SCREEN,
                                                   error.out());
  if (point == nullptr) return std::nullopt;
  const Point result{static_cast<double>(point->x), static_cast<double>(point->y)};
  g_free(point);
  if (error) return std::nullopt;
  return Value(result);
}

std::optional<Value> focused(AtspiAccessible* accessible) {
  GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
  if (!states) return std::nullopt;
  return Value(static_cast<bool>(atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED)));
}

bool writeText(AtspiAccessible* accessible, const Value& value) {
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr) return false;
  GObjectPtr<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(accessible));
  if (!editable) return false;
  CallError error;
  const gboolean done = atspi_editable_text_set_text_contents(editable.get(), text->c_str(),
                                                              error.out());
  return !error && done;
}

bool writeFocus(AtspiAccessible* accessible, const Value& value) {
  const auto* wanted = std::get_if<bool>(&value);
  if (wanted == nullptr) return false;
  if (!*wanted) return true;  // giving the focus up needs no call
  GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(accessible));
  if (!component) return false;
  CallError error;
  const gboolean done = atspi_component_grab_focus(component.get(), error.out());
  return !error && done;
}

std::optional<gint> screenCoordinate(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::round(value);
  if (rounded < std::numeric_limits<gint>::min() || rounded > std::numeric_limits<gint>::max()) {
    return std::nullopt;
  }
  return static_cast<gint>(rounded);
}

bool writePosition(AtspiAccessible* accessible, const Value& value) {
  const auto* point = std::get_if<Point>(&value);
  if (point == nullptr) return false;
  const auto x = screenCoordinate(point->x);
  const auto y = screenCoordinate(point->y);
  if (!x || !y) return false;
  GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(accessible));
  if (!component) return false;
  CallError error;
  const gboolean done = atspi_component_set_position(component.get(), *x, *y,
                                                     ATSPI_COORD_TYPE_SCREEN, error.out());
  return !error && done;
}

// Runs the first action whose name is one of `names` (compared without
// regard to case).
bool runNamedAction(AtspiAccessible* accessible, std::initializer_list<const char*> names) {
  GObjectPtr<AtspiAction> actions(atspi_accessible_get_action_iface(accessible));
  if (!actions) return false;
  CallError countError;
  const gint count = atspi_action_get_n_actions(actions.get(), countError.out());
  if (countError) return false;
  for (gint i = 0; i < count; ++i) {
    CallError nameError;
    const auto name = adoptString(atspi_action_get_action_name(actions.get(), i, nameError.out()));
    if (!name) continue;
    for (const char* wanted : names) {
      if (g_ascii_strcasecmp(name->c_str(), wanted) != 0) continue;
      CallError error;
      const gboolean done = atspi_action_do_action(actions.get(), i, error.out());
      return !error && done;
    }
  }
  return false;
}

bool stepUp(AtspiValue* value) {
  CallError currentError, stepError, maximumError, writeError;
  const double current = atspi_value_get_current_value(value, currentError.out());
  const double step = atspi_value_get_minimum_increment(value, stepError.out());
  const double maximum = atspi_value_get_maximum_value(value, maximumError.out());
  if (currentError || stepError || maximumError || !(step > 0) || !std::isfinite(current + step)) {
    return false;
  }
  const gboolean done =
      atspi_value_set_current_value(value, std::min(current + step, maximum), writeError.out());
  return !writeError && done;
}

bool isVerticalScrollBar(AtspiAccessible* accessible) {
  const auto role = roleOf(accessible);
  if (!role || *role != ATSPI_ROLE_SCROLL_BAR) return false;
  GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
  return states && atspi_state_set_contains(states.get(), ATSPI_STATE_VERTICAL);
}

bool increment(AtspiAccessible* accessible) {
  if (GObjectPtr<AtspiValue> value(atspi_accessible_get_value_iface(accessible)); value) {
    return stepUp(value.get());
  }
  const auto role = roleOf(accessible);
  if (!role || *role != ATSPI_ROLE_SCROLL_PANE) return false;
  auto found = childrenOf(accessible);
  if (!found) return false;
  for (auto& child : *found) {
    if (!isVerticalScrollBar(child.get())) continue;
    GObjectPtr<AtspiValue> value(atspi_accessible_get_value_iface(child.get()));
    return value && stepUp(value.get());
  }
  return false;
}

}  // namespace

std::string axRoleName(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
      return "AXButton";
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_PASSWORD_TEXT:
      return "AXTextField";
    case ATSPI_ROLE_SCROLL_PANE:
      return "AXScrollArea";
    default:
      break;
  }
  auto name = adoptString(atspi_role_get_name(role));
  return name.value_or("unknown");
}

bool AtspiAccessibility::isProcessTrusted() { return connectAccessibilityBus(); }

Element AtspiAccessibility::applicationElement(std::int32_t processId) {
  for (auto& application : desktopApplications()) {
    CallError error;
    const guint pid = atspi_accessible_get_process_id(application.get(), error.out());
    if (!error && static_cast<std::int64_t>(pid) == processId) {
      return wrapAccessible(application.release());
    }
  }
  return {};
}

std::optional<Value> AtspiAccessibility::copyAttributeValue(const Element& element,
                                                            const std::string& attribute) {
  AtspiAccessible* accessible = accessibleOf(element);
  if (accessible == nullptr || !connectAccessibilityBus()) return std::nullopt;
  if (attribute == "AXChildren") return children(accessible, false);
  if (attribute == "AXWindows") return children(accessible, true);
  if (attribute == "AXRole") {
    const auto role = roleOf(accessible);
    if (!role) return std::nullopt;
    return Value(axRoleName(*role));
  }
  if (attribute == "AXDescription") {
    CallError error;
    auto text = adoptString(atspi_accessible_get_description(accessible, error.out()));
    if (error) return std::nullopt;
    return stringOrEmpty(std::move(text));
  }
  if (attribute == "AXTitle") {
    CallError error;
    auto text = adoptString(atspi_accessible_get_name(accessible, error.out()));
    if (error) return std::nullopt;
    return stringOrEmpty(std::move(text));
  }
  if (attribute == "AXValue") return wholeText(accessible);
  if (attribute == "AXPosition") return screenPosition(accessible);
  if (attribute == "AXFocused") return focused(accessible);
  return std::nullopt;
}

bool AtspiAccessibility::setAttributeValue(const Element& element, const std::string& attribute,
                                           const Value& value) {
  AtspiAccessible* accessible = accessibleOf(element);
  if (accessible == nullptr || !connectAccessibilityBus()) return false;
  if (attribute == "AXValue") return writeText(accessible, value);
  if (attribute == "AXFocused") return writeFocus(accessible, value);
  if (attribute == "AXPosition") return writePosition(accessible, value);
  return false;  // "AXHidden" among them: AT-SPI cannot hide an application
}

bool AtspiAccessibility::performAction(const Element& element, const std::string& action) {
  AtspiAccessible* accessible = accessibleOf(element);
  if (accessible == nullptr || !connectAccessibilityBus()) return false;
  if (action == "AXPress") return runNamedAction(accessible, {"click", "press"});
  if (action == "AXConfirm") return runNamedAction(accessible, {"activate"});
  if (action == "AXIncrement") return increment(accessible);
  return false;
}

}  // namespace platform::accessibility
