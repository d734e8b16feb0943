#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/Accessibility.h"

namespace memotitler {

// One read of an attribute each, where every failure, an empty value and a
// value of another kind count as absent.

// The elements the attribute holds; empty when absent.
std::vector<platform::accessibility::Element> axCopyArray(
    platform::accessibility::Accessibility& ax, const platform::accessibility::Element& element,
    const std::string& attribute);

std::optional<std::string> axCopyString(platform::accessibility::Accessibility& ax,
                                        const platform::accessibility::Element& element,
                                        const std::string& attribute);

// The same for each of the elements, in their order, read together where the
// desktop can.
std::vector<std::vector<platform::accessibility::Element>> axCopyArrays(
    platform::accessibility::Accessibility& ax,
    const std::vector<platform::accessibility::Element>& elements, const std::string& attribute);
std::vector<std::optional<std::string>> axCopyStrings(
    platform::accessibility::Accessibility& ax,
    const std::vector<platform::accessibility::Element>& elements, const std::string& attribute);

std::optional<platform::accessibility::Point> axCopyPoint(
    platform::accessibility::Accessibility& ax, const platform::accessibility::Element& element,
    const std::string& attribute);

}  // namespace memotitler
