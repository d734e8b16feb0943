#include "AtspiSearch.h"

#include <atspi/atspi.h>

#include <array>

#include "AtspiAccessibility.h"
#include "AtspiCalls.h"

namespace platform::accessibility {
namespace {

// The roles words of a match rule: bit r set for every role r read as `role`.
std::array<gint32, 4> roleBits(const std::string& role) {
  std::array<gint32, 4> bits{};
  for (int r = 0; r < ATSPI_ROLE_LAST_DEFINED && r < 128; ++r) {
    if (axRoleName(static_cast<AtspiRole>(r)) == role) {
      bits[static_cast<std::size_t>(r / 32)] |= static_cast<gint32>(1u << (r % 32));
    }
  }
  return bits;
}

// A rule of the Collection interface that matches any of the roles and puts
// no condition on states, attributes or interfaces.
GVariant* rolesRule(const std::array<gint32, 4>& roles) {
  GVariantBuilder words;
  g_variant_builder_init(&words, G_VARIANT_TYPE("ai"));
  for (const gint32 word : roles) g_variant_builder_add(&words, "i", word);
  return g_variant_new("((aiia{ss}iaiiasib)uib)", nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
                       ATSPI_Collection_MATCH_ALL, &words, ATSPI_Collection_MATCH_ANY, nullptr,
                       ATSPI_Collection_MATCH_ALL, FALSE, ATSPI_Collection_SORT_ORDER_CANONICAL, 0,
                       TRUE);
}

std::optional<std::vector<ObjectReference>> matches(const ObjectReference& root,
                                                    const std::string& role) {
  const auto bits = roleBits(role);
  if (bits == std::array<gint32, 4>{}) return std::nullopt;
  const Variant reply = callObject(root, "org.a11y.atspi.Collection", "GetMatches", rolesRule(bits),
                                   "(a(so))", kTreeCallMilliseconds);
  if (!reply) return std::nullopt;
  return referencesIn(reply.get());
}

// The Accessible property read for an attribute; null for "AXValue" (the
// Text interface) and for one that cannot be read in bulk.
const char* propertyOf(const std::string& attribute) {
  return attribute == "AXDescription" ? "Description" : attribute == "AXTitle" ? "Name" : nullptr;
}

// The call that reads "AXValue" or the attribute's property of one element.
ObjectCall attributeCall(const ObjectReference& object, const char* property) {
  if (property == nullptr) {
    return ObjectCall{object, "org.a11y.atspi.Text", "GetText", g_variant_new("(ii)", 0, -1)};
  }
  return ObjectCall{object, "org.freedesktop.DBus.Properties", "Get",
                    g_variant_new("(ss)", "org.a11y.atspi.Accessible", property)};
}

// The text of a reply: "(s)" from GetText, "(v)" holding a string from Get.
std::optional<std::string> replyText(GVariant* reply) {
  if (reply == nullptr) return std::nullopt;
  if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(s)"))) {
    const gchar* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    return std::string(text);
  }
  GVariant* boxed = nullptr;
  g_variant_get(reply, "(v)", &boxed);
  const Variant value(boxed);
  if (!value || !g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING)) return std::nullopt;
  return std::string(g_variant_get_string(value.get(), nullptr));
}

}  // namespace

std::optional<std::vector<FoundElement>> searchDescendants(const ObjectReference& root,
                                                           const std::string& role,
                                                           const std::string& attribute) {
  const char* property = propertyOf(attribute);
  if (property == nullptr && attribute != "AXValue") return std::nullopt;
  auto objects = matches(root, role);
  if (!objects) return std::nullopt;
  std::vector<ObjectCall> calls;
  calls.reserve(objects->size());
  for (const auto& object : *objects) calls.push_back(attributeCall(object, property));
  const auto replies = callObjects(std::move(calls), property == nullptr ? "(s)" : "(v)");
  if (!replies) return std::nullopt;
  std::vector<FoundElement> found;
  found.reserve(objects->size());
  for (std::size_t i = 0; i < objects->size(); ++i) {
    auto text = replyText((*replies)[i].get());
    // An empty description or name reads as no value, as it does one by one.
    if (property != nullptr && text && text->empty()) text.reset();
    found.push_back({wrapReference(std::move((*objects)[i])), std::move(text)});
  }
  return found;
}

}  // namespace platform::accessibility
