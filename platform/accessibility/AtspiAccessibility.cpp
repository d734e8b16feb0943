#include "AtspiAccessibility.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "AtspiBus.h"
#include "AtspiCalls.h"
#include "AtspiElement.h"
#include "AtspiSearch.h"

namespace platform::accessibility {
namespace {

constexpr const char* kAccessibleInterface = "org.a11y.atspi.Accessible";
constexpr const char* kValueInterface = "org.a11y.atspi.Value";

std::optional<AtspiRole> roleOf(const ObjectReference& object) {
  const Variant reply = callObject(object, kAccessibleInterface, "GetRole", nullptr, "(u)");
  if (!reply) return std::nullopt;
  guint32 role = 0;
  g_variant_get(reply.get(), "(u)", &role);
  return static_cast<AtspiRole>(role);
}

bool hasState(const ObjectReference& object, AtspiStateType state, bool& known) {
  known = false;
  const Variant reply = callObject(object, kAccessibleInterface, "GetState", nullptr, "(au)");
  if (!reply) return false;
  known = true;
  GVariantIter* iterator = nullptr;
  g_variant_get(reply.get(), "(au)", &iterator);
  const auto index = static_cast<std::size_t>(state);
  std::size_t word = 0;
  guint32 bits = 0;
  bool found = false;
  while (g_variant_iter_next(iterator, "u", &bits)) {
    if (word++ == index / 32) found = ((bits >> (index % 32)) & 1u) != 0;
  }
  g_variant_iter_free(iterator);
  return found;
}

bool isWindowRole(AtspiRole role) {
  return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG;
}

std::optional<Value> children(const ObjectReference& object, bool windowsOnly) {
  auto found = childrenOf(object);
  if (!found) return std::nullopt;
  std::vector<Element> elements;
  for (auto& child : *found) {
    if (windowsOnly) {
      const auto role = roleOf(child);
      if (!role || !isWindowRole(*role)) continue;
    }
    elements.push_back(wrapReference(std::move(child)));
  }
  return Value(std::move(elements));
}

std::optional<Value> stringOrEmpty(std::optional<std::string> text) {
  std::optional<Value> value;
  if (text && text->empty()) {
    value.emplace(std::in_place_type<std::monostate>);
  } else if (text) {
    value.emplace(std::in_place_type<std::string>, std::move(*text));
  }
  return value;
}

bool accepted(const Variant& reply) {
  if (!reply) return false;
  gboolean done = FALSE;
  g_variant_get(reply.get(), "(b)", &done);
  return done;
}

std::optional<Value> wholeText(const ObjectReference& object) {
  const Variant reply = callObject(object, "org.a11y.atspi.Text", "GetText",
                                   g_variant_new("(ii)", 0, -1), "(s)");
  if (!reply) return std::nullopt;
  const gchar* text = nullptr;
  g_variant_get(reply.get(), "(&s)", &text);
  return Value(std::string(text));
}

std::optional<Value> screenPosition(const ObjectReference& object) {
  const Variant reply =
      callObject(object, "org.a11y.atspi.Component", "GetPosition",
                 g_variant_new("(u)", static_cast<guint32>(ATSPI_COORD_TYPE_SCREEN)), "(ii)");
  if (!reply) return std::nullopt;
  gint32 x = 0, y = 0;
  g_variant_get(reply.get(), "(ii)", &x, &y);
  return Value(Point{static_cast<double>(x), static_cast<double>(y)});
}

std::optional<Value> focused(const ObjectReference& object) {
  bool known = false;
  const bool focus = hasState(object, ATSPI_STATE_FOCUSED, known);
  if (!known) return std::nullopt;
  return Value(focus);
}

bool writeText(const ObjectReference& object, const Value& value) {
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr || !g_utf8_validate(text->data(), static_cast<gssize>(text->size()), nullptr)) {
    return false;
  }
  return accepted(callObject(object, "org.a11y.atspi.EditableText", "SetTextContents",
                             g_variant_new("(s)", text->c_str()), "(b)"));
}

bool writeFocus(const ObjectReference& object, const Value& value) {
  const auto* wanted = std::get_if<bool>(&value);
  if (wanted == nullptr) return false;
  if (!*wanted) return true;  // giving the focus up needs no call
  return accepted(callObject(object, "org.a11y.atspi.Component", "GrabFocus", nullptr, "(b)"));
}

std::optional<gint32> screenCoordinate(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::round(value);
  if (rounded < std::numeric_limits<gint32>::min() || rounded > std::numeric_limits<gint32>::max()) {
    return std::nullopt;
  }
  return static_cast<gint32>(rounded);
}

bool writePosition(const ObjectReference& object, const Value& value) {
  const auto* point = std::get_if<Point>(&value);
  if (point == nullptr) return false;
  const auto x = screenCoordinate(point->x);
  const auto y = screenCoordinate(point->y);
  if (!x || !y) return false;
  return accepted(callObject(
      object, "org.a11y.atspi.Component", "SetPosition",
      g_variant_new("(iiu)", *x, *y, static_cast<guint32>(ATSPI_COORD_TYPE_SCREEN)), "(b)"));
}

// Runs the first action whose name is one of `names` (compared without
// regard to case).
bool runNamedAction(const ObjectReference& object, std::initializer_list<const char*> names) {
  const Variant reply =
      callObject(object, "org.a11y.atspi.Action", "GetActions", nullptr, "(a(sss))");
  if (!reply) return false;
  GVariantIter* iterator = nullptr;
  g_variant_get(reply.get(), "(a(sss))", &iterator);
  const gchar* name = nullptr;
  const gchar* description = nullptr;
  const gchar* binding = nullptr;
  gint32 index = 0;
  std::optional<gint32> chosen;
  while (!chosen && g_variant_iter_loop(iterator, "(&s&s&s)", &name, &description, &binding)) {
    for (const char* wanted : names) {
      if (g_ascii_strcasecmp(name, wanted) == 0) chosen = index;
    }
    ++index;
  }
  g_variant_iter_free(iterator);
  if (!chosen) return false;
  return accepted(callObject(object, "org.a11y.atspi.Action", "DoAction",
                             g_variant_new("(i)", *chosen), "(b)"));
}

std::optional<double> numberProperty(const ObjectReference& object, const char* name) {
  const Variant value = objectProperty(object, kValueInterface, name, "d");
  if (!value) return std::nullopt;
  return g_variant_get_double(value.get());
}

// A Value object one minimum increment up, capped at its maximum.
bool stepUp(const ObjectReference& object, double current) {
  const auto step = numberProperty(object, "MinimumIncrement");
  const auto maximum = numberProperty(object, "MaximumValue");
  if (!step || !maximum || !(*step > 0) || !std::isfinite(current + *step)) return false;
  const double next = std::min(current + *step, *maximum);
  return static_cast<bool>(callObject(
      object, "org.freedesktop.DBus.Properties", "Set",
      g_variant_new("(ssv)", kValueInterface, "CurrentValue", g_variant_new_double(next)), "()"));
}

bool isVerticalScrollBar(const ObjectReference& object) {
  const auto role = roleOf(object);
  if (!role || *role != ATSPI_ROLE_SCROLL_BAR) return false;
  bool known = false;
  return hasState(object, ATSPI_STATE_VERTICAL, known);
}

bool implements(const ObjectReference& object, const char* interface) {
  const Variant reply = callObject(object, kAccessibleInterface, "GetInterfaces", nullptr, "(as)");
  if (!reply) return false;
  GVariantIter* iterator = nullptr;
  g_variant_get(reply.get(), "(as)", &iterator);
  const gchar* name = nullptr;
  bool found = false;
  while (!found && g_variant_iter_loop(iterator, "&s", &name)) found = g_str_equal(name, interface);
  g_variant_iter_free(iterator);
  return found;
}

// Steps a Value object; nothing when it is none.
bool stepValue(const ObjectReference& object) {
  if (!implements(object, kValueInterface)) return false;
  const auto current = numberProperty(object, "CurrentValue");
  return current && stepUp(object, *current);
}

bool increment(const ObjectReference& object) {
  if (implements(object, kValueInterface)) return stepValue(object);
  const auto role = roleOf(object);
  if (!role || *role != ATSPI_ROLE_SCROLL_PANE) return false;
  const auto found = childrenOf(object);
  if (!found) return false;
  for (const auto& child : *found) {
    if (isVerticalScrollBar(child)) return stepValue(child);
  }
  return false;
}

// The one call that reads `attribute` of an object (all but the object), with
// the type of its reply; false for an attribute read another way.
bool readCall(const std::string& attribute, ObjectCall& call, const char*& replyType) {
  call.parameters = nullptr;
  if (attribute == "AXRole" || attribute == "AXChildren") {
    call.interface = kAccessibleInterface;
    call.method = attribute == "AXRole" ? "GetRole" : "GetChildren";
    replyType = attribute == "AXRole" ? "(u)" : "(a(so))";
  } else if (attribute == "AXDescription" || attribute == "AXTitle") {
    call.interface = "org.freedesktop.DBus.Properties";
    call.method = "Get";
    call.parameters = g_variant_new("(ss)", kAccessibleInterface,
                                    attribute == "AXTitle" ? "Name" : "Description");
    replyType = "(v)";
  } else if (attribute == "AXValue") {
    call.interface = "org.a11y.atspi.Text";
    call.method = "GetText";
    call.parameters = g_variant_new("(ii)", 0, -1);
    replyType = "(s)";
  } else {
    return false;
  }
  return true;
}

// The attribute's value from the reply of its read call, as
// copyAttributeValue gives it.
std::optional<Value> readValue(const std::string& attribute, GVariant* reply) {
  if (reply == nullptr) return std::nullopt;
  if (attribute == "AXRole") {
    guint32 role = 0;
    g_variant_get(reply, "(u)", &role);
    return Value(axRoleName(static_cast<AtspiRole>(role)));
  }
  if (attribute == "AXChildren") {
    std::vector<Element> elements;
    for (auto& child : referencesIn(reply)) elements.push_back(wrapReference(std::move(child)));
    return Value(std::move(elements));
  }
  if (attribute == "AXValue") {
    const gchar* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    return Value(std::string(text));
  }
  GVariant* boxed = nullptr;
  g_variant_get(reply, "(v)", &boxed);
  const Variant value(boxed);
  if (!value || !g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING)) return std::nullopt;
  return stringOrEmpty(std::string(g_variant_get_string(value.get(), nullptr)));
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
  gchar* name = atspi_role_get_name(role);  // a table lookup, no bus call
  if (name == nullptr) return "unknown";
  std::string text(name);
  g_free(name);
  return text;
}

bool AtspiAccessibility::isProcessTrusted() { return connectAccessibilityBus(); }

Element AtspiAccessibility::applicationElement(std::int32_t processId) {
  for (auto& application : desktopApplications()) {
    if (processIdOf(application) == processId) return wrapReference(std::move(application));
  }
  return {};
}

std::optional<Value> AtspiAccessibility::copyAttributeValue(const Element& element,
                                                            const std::string& attribute) {
  const ObjectReference* object = referenceOf(element);
  if (object == nullptr || !connectAccessibilityBus()) return std::nullopt;
  if (attribute == "AXChildren") return children(*object, false);
  if (attribute == "AXWindows") return children(*object, true);
  if (attribute == "AXRole") {
    const auto role = roleOf(*object);
    if (!role) return std::nullopt;
    return Value(axRoleName(*role));
  }
  if (attribute == "AXDescription") return stringOrEmpty(textProperty(*object, "Description"));
  if (attribute == "AXTitle") return stringOrEmpty(textProperty(*object, "Name"));
  if (attribute == "AXValue") return wholeText(*object);
  if (attribute == "AXPosition") return screenPosition(*object);
  if (attribute == "AXFocused") return focused(*object);
  return std::nullopt;
}

std::vector<std::optional<Value>> AtspiAccessibility::copyAttributeValues(
    const std::vector<Element>& elements, const std::string& attribute) {
  std::vector<std::optional<Value>> values(elements.size());
  if (elements.empty() || !connectAccessibilityBus()) return values;
  ObjectCall read{};
  const char* replyType = nullptr;
  if (!readCall(attribute, read, replyType)) {
    return Accessibility::copyAttributeValues(elements, attribute);
  }
  // One set of parameters serves every call.
  const Variant parameters(read.parameters != nullptr ? g_variant_ref_sink(read.parameters)
                                                      : nullptr);
  std::vector<ObjectCall> calls;
  for (const auto& element : elements) {
    const ObjectReference* object = referenceOf(element);
    if (object == nullptr) return Accessibility::copyAttributeValues(elements, attribute);
    calls.push_back({*object, read.interface, read.method, parameters.get()});
  }
  const auto replies =
      callObjects(std::move(calls), replyType,
                  attribute == "AXChildren" ? kTreeCallMilliseconds : kBusCallMilliseconds);
  if (!replies) return values;  // no answer: every read failed
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = readValue(attribute, (*replies)[i].get());
  }
  return values;
}

bool AtspiAccessibility::setAttributeValue(const Element& element, const std::string& attribute,
                                           const Value& value) {
  const ObjectReference* object = referenceOf(element);
  if (object == nullptr || !connectAccessibilityBus()) return false;
  if (attribute == "AXValue") return writeText(*object, value);
  if (attribute == "AXFocused") return writeFocus(*object, value);
  if (attribute == "AXPosition") return writePosition(*object, value);
  return false;  // "AXHidden" among them: AT-SPI cannot hide an application
}

bool AtspiAccessibility::performAction(const Element& element, const std::string& action) {
  const ObjectReference* object = referenceOf(element);
  if (object == nullptr || !connectAccessibilityBus()) return false;
  if (action == "AXPress") return runNamedAction(*object, {"click", "press"});
  if (action == "AXConfirm") return runNamedAction(*object, {"activate"});
  if (action == "AXIncrement") return increment(*object);
  return false;
}

std::optional<std::vector<FoundElement>> AtspiAccessibility::findElements(
    const Element& root, const std::string& role, const std::string& attribute) {
  const ObjectReference* object = referenceOf(root);
  if (object == nullptr || !connectAccessibilityBus()) return std::nullopt;
  return searchDescendants(*object, role, attribute);
}

}  // namespace platform::accessibility
