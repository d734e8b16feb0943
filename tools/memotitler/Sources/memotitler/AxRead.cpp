#include "AxRead.h"

namespace memotitler {
namespace {

template <typename T>
std::optional<T> copyAs(platform::accessibility::Accessibility& ax,
                        const platform::accessibility::Element& element,
                        const std::string& attribute) {
  auto value = ax.copyAttributeValue(element, attribute);
  if (!value) return std::nullopt;
  if (auto* held = std::get_if<T>(&*value)) return std::move(*held);
  return std::nullopt;
}

}  // namespace

std::vector<platform::accessibility::Element> axCopyArray(
    platform::accessibility::Accessibility& ax, const platform::accessibility::Element& element,
    const std::string& attribute) {
  return copyAs<std::vector<platform::accessibility::Element>>(ax, element, attribute)
      .value_or(std::vector<platform::accessibility::Element>{});
}

std::optional<std::string> axCopyString(platform::accessibility::Accessibility& ax,
                                        const platform::accessibility::Element& element,
                                        const std::string& attribute) {
  return copyAs<std::string>(ax, element, attribute);
}

std::optional<platform::accessibility::Point> axCopyPoint(
    platform::accessibility::Accessibility& ax, const platform::accessibility::Element& element,
    const std::string& attribute) {
  return copyAs<platform::accessibility::Point>(ax, element, attribute);
}

}  // namespace memotitler
