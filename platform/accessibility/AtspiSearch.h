#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Accessibility.h"
#include "AtspiElement.h"

namespace platform::accessibility {

// The elements below `root` whose role reads as `role` (see axRoleName), in
// depth-first order, each with `attribute` ("AXDescription", "AXTitle" or
// "AXValue") read as text, empty counting as absent except for "AXValue".
//
// One call to the Collection interface of `root` (GetMatches, its roles rule,
// canonical order) finds them, walking the application's live objects, and one
// batch of calls with all of them in flight reads the attribute: two round
// trips' time however many elements there are. Nothing when the application
// has no Collection interface, the query fails or times out, or the attribute
// is not one of the three; a call that fails on its own (its element gone)
// leaves only that element's text absent.
std::optional<std::vector<FoundElement>> searchDescendants(const ObjectReference& root,
                                                           const std::string& role,
                                                           const std::string& attribute);

}  // namespace platform::accessibility
