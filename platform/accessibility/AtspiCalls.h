#pragma once

#include <optional>
#include <vector>

#include "AtspiElement.h"

namespace platform::accessibility {

// One call of many made at once.
struct ObjectCall {
  ObjectReference object;
  const char* interface;
  const char* method;
  GVariant* parameters;  // taken over when floating; null for none
};

// `values` when they are of `replyType`, else null.
Variant ofType(Variant values, const char* replyType);

// Makes the calls with many in flight at a time, so that they cost about one
// round trip together instead of one each, and waits for every reply. The
// replies in the calls' order, null where a call failed or answered with
// another type than `replyType`; nothing when the bus is not connected or no
// reply came for `milliseconds` (the application stopped answering).
//
// `milliseconds` bounds the wait for the next reply: kTreeCallMilliseconds
// for calls whose answers grow with the tree, and then an application left
// silent that long is marked hung.
std::optional<std::vector<Variant>> callObjects(std::vector<ObjectCall> calls,
                                                const char* replyType,
                                                int milliseconds = kBusCallMilliseconds);

}  // namespace platform::accessibility
