#pragma once

#include <optional>
#include <string>

#include "platform/accessibility/Accessibility.h"
#include "platform/time/Sleeper.h"

namespace memotitler {

// Steps the first scroll area among the window's children, or else among
// their children, by one increment. Does nothing when there is none.
void scrollDown(platform::accessibility::Accessibility& ax,
                const platform::accessibility::Element& window);

// Presses the row (when there is one) and the field, focuses the field,
// writes the title, confirms, unfocuses, and returns what the field holds
// afterwards (nothing when it cannot be read).
std::optional<std::string> commitRename(platform::accessibility::Accessibility& ax,
                                        platform::time::Sleeper& sleeper,
                                        const platform::accessibility::Element& field,
                                        const std::optional<platform::accessibility::Element>& button,
                                        const std::string& newTitle);

}  // namespace memotitler
