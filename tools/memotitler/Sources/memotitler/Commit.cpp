#include "Commit.h"

#include "AxRead.h"

namespace memotitler {
namespace {

bool isScrollArea(platform::accessibility::Accessibility& ax,
                  const platform::accessibility::Element& element) {
  return axCopyString(ax, element, "AXRole") == "AXScrollArea";
}

}  // namespace

void scrollDown(platform::accessibility::Accessibility& ax,
                const platform::accessibility::Element& window) {
  for (const auto& child : axCopyArray(ax, window, "AXChildren")) {
    if (isScrollArea(ax, child)) {
      ax.performAction(child, "AXIncrement");
      return;
    }
    for (const auto& grandchild : axCopyArray(ax, child, "AXChildren")) {
      if (isScrollArea(ax, grandchild)) {
        ax.performAction(grandchild, "AXIncrement");
        return;
      }
    }
  }
}

std::optional<std::string> commitRename(platform::accessibility::Accessibility& ax,
                                        platform::time::Sleeper& sleeper,
                                        const platform::accessibility::Element& field,
                                        const std::optional<platform::accessibility::Element>& button,
                                        const std::string& newTitle) {
  if (button) {
    ax.performAction(*button, "AXPress");
    sleeper.sleepFor(0.35);
  }
  ax.performAction(field, "AXPress");
  sleeper.sleepFor(0.2);
  ax.setAttributeValue(field, "AXFocused", true);
  sleeper.sleepFor(0.1);
  ax.setAttributeValue(field, "AXValue", newTitle);
  sleeper.sleepFor(0.15);
  ax.performAction(field, "AXConfirm");
  sleeper.sleepFor(0.15);
  ax.setAttributeValue(field, "AXFocused", false);
  return axCopyString(ax, field, "AXValue");
}

}  // namespace memotitler
