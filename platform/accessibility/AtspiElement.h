#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Accessibility.h"
#include "AtspiBus.h"

namespace platform::accessibility {

// Where an object lives on the accessibility bus: the connection name of
// its application and its object path.
struct ObjectReference {
  std::string busName;
  std::string path;
  bool operator==(const ObjectReference&) const = default;
};

// An element on the accessibility bus. Two handles are the same element when
// they name the same object path of the same application connection.
class AtspiElement final : public ElementHandle {
 public:
  explicit AtspiElement(ObjectReference reference) : reference_(std::move(reference)) {}
  bool sameElement(const ElementHandle& other) const override;
  const ObjectReference& reference() const { return reference_; }

 private:
  ObjectReference reference_;
};

Element wrapReference(ObjectReference reference);
// The object behind an element; null for a null element or one that another
// implementation made.
const ObjectReference* referenceOf(const Element& element);

// Owner of a GVariant reply.
struct VariantRelease {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, VariantRelease>;

// One synchronous call to an object on the accessibility bus, bounded by
// `milliseconds` (kBusCallMilliseconds or kTreeCallMilliseconds; a tree call
// left unanswered marks the application hung). Null on any failure, a reply
// of another type among them. Takes over `parameters` when it is floating.
Variant callObject(const ObjectReference& object, const char* interface, const char* method,
                   GVariant* parameters, const char* replyType,
                   int milliseconds = kBusCallMilliseconds);

// One property of an object, unboxed; null on any failure or another type.
Variant objectProperty(const ObjectReference& object, const char* interface, const char* name,
                       const char* type);

// The objects of an "(a(so))" reply, in order, without null references.
std::vector<ObjectReference> referencesIn(GVariant* reply);

// The children of an object, in order, bounded as a tree call; nothing when
// they cannot be read.
std::optional<std::vector<ObjectReference>> childrenOf(const ObjectReference& object);

// The applications on the accessibility bus, in the registry's order; empty
// when the bus is not connected.
std::vector<ObjectReference> desktopApplications();

// The process that owns an application's connection to the bus.
std::optional<std::int32_t> processIdOf(const ObjectReference& application);

// A text property ("Name", "Description") of an object.
std::optional<std::string> textProperty(const ObjectReference& object, const char* name);

}  // namespace platform::accessibility
