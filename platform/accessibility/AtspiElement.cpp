#include "AtspiElement.h"

#include "AtspiBus.h"
#include "AtspiCalls.h"
#include "AtspiDirectLink.h"
#include "AtspiPeer.h"

namespace platform::accessibility {
namespace {

constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
constexpr const char* kNullPath = "/org/a11y/atspi/null";

GVariant* sink(GVariant* parameters) {
  return parameters != nullptr ? g_variant_ref_sink(parameters) : nullptr;
}

}  // namespace

bool AtspiElement::sameElement(const ElementHandle& other) const {
  const auto* theirs = dynamic_cast<const AtspiElement*>(&other);
  return theirs != nullptr && theirs->reference_ == reference_;
}

Element wrapReference(ObjectReference reference) {
  return Element(std::make_shared<const AtspiElement>(std::move(reference)));
}

const ObjectReference* referenceOf(const Element& element) {
  const auto* handle = dynamic_cast<const AtspiElement*>(element.handle());
  return handle != nullptr ? &handle->reference() : nullptr;
}

Variant callObject(const ObjectReference& object, const char* interface, const char* method,
                   GVariant* parameters, const char* replyType, int milliseconds) {
  // Owned here whether or not the call happens.
  const Variant arguments(sink(parameters));
  if (DirectLink* link = directLinkTo(object.busName)) {
    auto replies = link->exchange({{object, interface, method, arguments.get()}}, milliseconds);
    if (!replies) {
      if (milliseconds >= kTreeCallMilliseconds) markHung(object.busName);
      return nullptr;
    }
    return ofType(std::move(replies->front()), replyType);
  }
  GDBusConnection* bus = connectionTo(object.busName);
  if (bus == nullptr || !g_dbus_is_name(object.busName.c_str()) ||
      !g_variant_is_object_path(object.path.c_str())) {
    return nullptr;
  }
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, object.busName.c_str(), object.path.c_str(), interface, method, arguments.get(),
      G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START, milliseconds, nullptr, &error);
  if (error != nullptr) {
    if (milliseconds >= kTreeCallMilliseconds &&
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
      markHung(object.busName);
    }
    g_error_free(error);
  }
  if (reply != nullptr) noteAnswered(object.busName);
  return Variant(reply);
}

Variant objectProperty(const ObjectReference& object, const char* interface, const char* name,
                       const char* type) {
  const Variant reply = callObject(object, "org.freedesktop.DBus.Properties", "Get",
                                   g_variant_new("(ss)", interface, name), "(v)");
  if (!reply) return nullptr;
  GVariant* value = nullptr;
  g_variant_get(reply.get(), "(v)", &value);
  Variant result(value);
  if (!result || !g_variant_is_of_type(result.get(), G_VARIANT_TYPE(type))) return nullptr;
  return result;
}

std::vector<ObjectReference> referencesIn(GVariant* reply) {
  std::vector<ObjectReference> references;
  GVariantIter* iterator = nullptr;
  g_variant_get(reply, "(a(so))", &iterator);
  const gchar* busName = nullptr;
  const gchar* path = nullptr;
  while (g_variant_iter_loop(iterator, "(&s&o)", &busName, &path)) {
    if (*busName == '\0' || g_str_equal(path, kNullPath)) continue;
    references.push_back({busName, path});
  }
  g_variant_iter_free(iterator);
  return references;
}

std::optional<std::vector<ObjectReference>> childrenOf(const ObjectReference& object) {
  const Variant reply =
      callObject(object, kAccessible, "GetChildren", nullptr, "(a(so))", kTreeCallMilliseconds);
  if (!reply) return std::nullopt;
  return referencesIn(reply.get());
}

std::vector<ObjectReference> desktopApplications() {
  if (!connectAccessibilityBus()) return {};
  const Variant reply = callObject({"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"},
                                   kAccessible, "GetChildren", nullptr, "(a(so))");
  return reply ? referencesIn(reply.get()) : std::vector<ObjectReference>{};
}

std::optional<std::int32_t> processIdOf(const ObjectReference& application) {
  const Variant reply = callObject({"org.freedesktop.DBus", "/org/freedesktop/DBus"},
                                   "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                                   g_variant_new("(s)", application.busName.c_str()), "(u)");
  if (!reply) return std::nullopt;
  guint32 pid = 0;
  g_variant_get(reply.get(), "(u)", &pid);
  if (pid == 0 || pid > static_cast<guint32>(INT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(pid);
}

std::optional<std::string> textProperty(const ObjectReference& object, const char* name) {
  const Variant value = objectProperty(object, kAccessible, name, "s");
  if (!value) return std::nullopt;
  return std::string(g_variant_get_string(value.get(), nullptr));
}

}  // namespace platform::accessibility
