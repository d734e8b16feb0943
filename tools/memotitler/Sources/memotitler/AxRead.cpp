#include "AxRead.h"

namespace memotitler {
namespace {

template <typename T>
std::optional<T> valueAs(std::optional<platform::accessibility::Value> value) {
  if (!value) return std::nullopt;
  if (auto* held = std::get_if<T>(&*value)) return std::move(*held);
  return std::nullopt;
}

template <typename T>
std::optional<T> copyAs(platform::accessibility::Accessibility& ax,
                        const platform::accessibility::Element& element,
                        const std::string& attribute) {
  return valueAs<T>(ax.copyAttributeValue(element, attribute));
}

// One value for each element, in order; a desktop that answers with fewer
// leaves the rest absent.
template <typename T>
std::vector<std::optional<T>> copyAllAs(
    platform::accessibility::Accessibility& ax,
    const std::vector<platform::accessibility::Element>& elements, const std::string& attribute) {
  auto values = ax.copyAttributeValues(elements, attribute);
  std::vector<std::optional<T>> held(elements.size());
  for (std::size_t i = 0; i < held.size() && i < values.size(); ++i) {
    held[i] = valueAs<T>(std::move(values[i]));
  }
  return held;
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

std::vector<std::vector<platform::accessibility::Element>> axCopyArrays(
    platform::accessibility::Accessibility& ax,
    const std::vector<platform::accessibility::Element>& elements, const std::string& attribute) {
  std::vector<std::vector<platform::accessibility::Element>> arrays;
  for (auto& array :
       copyAllAs<std::vector<platform::accessibility::Element>>(ax, elements, attribute)) {
    arrays.push_back(array.value_or(std::vector<platform::accessibility::Element>{}));
  }
  return arrays;
}

std::vector<std::optional<std::string>> axCopyStrings(
    platform::accessibility::Accessibility& ax,
    const std::vector<platform::accessibility::Element>& elements, const std::string& attribute) {
  return copyAllAs<std::string>(ax, elements, attribute);
}

std::optional<platform::accessibility::Point> axCopyPoint(
    platform::accessibility::Accessibility& ax, const platform::accessibility::Element& element,
    const std::string& attribute) {
  return copyAs<platform::accessibility::Point>(ax, element, attribute);
}

}  // namespace memotitler
