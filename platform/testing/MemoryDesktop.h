#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/accessibility/Accessibility.h"
#include "platform/workspace/Workspace.h"

namespace platform::testing {

// One element of an in-memory user interface.
struct MemoryElement {
  std::string label;  // names the element in MemoryDesktop::events
  std::string role;   // answered for "AXRole"; empty: the read fails
  // Answered for reads of other attributes; writes that are accepted land here.
  std::map<std::string, accessibility::Value> attributes;
  // Element lists answered for "AXChildren" (always) and "AXWindows" (when
  // `windows` is set), as fresh handles on every read.
  std::vector<std::shared_ptr<MemoryElement>> children;
  std::optional<std::vector<std::shared_ptr<MemoryElement>>> windows;

  // Reads of these attributes fail; "*" makes every read fail.
  std::set<std::string> failingReads;
  // Writes to these attributes are refused and change nothing; "*": all.
  std::set<std::string> refusedWrites;
  // When set, asked about every write that is not refused above; false
  // refuses it.
  std::function<bool(const std::string& attribute, const accessibility::Value& value)> acceptsWrite;
  // Run when the action is performed. Actions without a handler are accepted
  // and do nothing.
  std::map<std::string, std::function<void()>> actions;
};
using Node = std::shared_ptr<MemoryElement>;

// Builders for small trees.
Node element(std::string label, std::string role, std::vector<Node> children = {});
Node window(std::string label, std::vector<Node> children = {});
Node scrollArea(std::string label, std::vector<Node> children = {});
Node group(std::string label, std::vector<Node> children = {});
// A text field whose "AXValue" is `value` and whose "AXDescription" is
// `description`, each left unset (reads fail) when absent.
Node textField(std::string label, std::optional<std::string> value,
               std::optional<std::string> description = std::nullopt);
// A button whose "AXDescription" is `description` (unset when absent).
Node button(std::string label, std::optional<std::string> description,
            std::vector<Node> children = {});

// Each "AXIncrement" on `scroller` moves the next `perStep` of `rows` into
// `list`'s children.
void revealOnScroll(const Node& scroller, const Node& list, std::vector<Node> rows,
                    std::size_t perStep = 1);

// The node behind an element handed out by a MemoryDesktop; null for others.
Node nodeOf(const accessibility::Element& element);

// An in-memory desktop: the running applications, their element trees and
// what is installed. Records every attribute write and action in order, and
// counts reads.
class MemoryDesktop : public accessibility::Accessibility, public workspace::Workspace {
 public:
  // Adds a running application (in workspace order) whose application
  // element has these windows; returns that element.
  Node addApplication(workspace::RunningApplication application, std::vector<Node> windowNodes = {});
  // Removes every window of the application element.
  static void dropWindows(const Node& application);

  // How many reads of `attribute` reached the element labelled `label`.
  int readCount(const std::string& label, const std::string& attribute) const;

  // Accessibility
  bool isProcessTrusted() override { return trusted; }
  accessibility::Element applicationElement(std::int32_t processId) override;
  std::optional<accessibility::Value> copyAttributeValue(const accessibility::Element& element,
                                                         const std::string& attribute) override;
  bool setAttributeValue(const accessibility::Element& element, const std::string& attribute,
                         const accessibility::Value& value) override;
  bool performAction(const accessibility::Element& element, const std::string& action) override;
  // Looks through the tree as reads would see it, without counting them as
  // reads: an element whose "AXRole" read fails is not found, one whose
  // "AXChildren" read fails is not looked into. Nothing when `searchesInBulk`
  // is off, the root fails every read (its application is gone), or an element
  // is reached twice (a tree that is not one, which an application's own
  // search would not get through).
  std::optional<std::vector<accessibility::FoundElement>> findElements(
      const accessibility::Element& root, const std::string& role,
      const std::string& attribute) override;

  // Workspace
  std::vector<workspace::RunningApplication> runningApplications() override { return applications; }
  std::optional<std::string> applicationLocation(const std::string& bundleIdentifier) override;
  void openApplication(const std::string& location,
                       const workspace::OpenConfiguration& configuration) override;

  bool trusted = true;
  bool searchesInBulk = true;  // off: a desktop that reads element by element only
  int bulkSearches = 0;        // findElements calls that gave an answer
  std::vector<workspace::RunningApplication> applications;
  std::map<std::int32_t, Node> applicationElements;  // by process id
  std::map<std::string, std::string> installed;      // bundle identifier -> location

  struct Open {
    std::string location;
    workspace::OpenConfiguration configuration;
    bool operator==(const Open&) const = default;
  };
  std::vector<Open> opens;
  // Run after an open is recorded, e.g. to add the application it starts.
  std::function<void(const Open&)> onOpen;

  // Writes and actions in order: `label.AXValue = "New"`, `label.AXFocused =
  // true`, `label.AXPosition = (3200, 2400)`, `label.AXPress`; a refused write
  // ends in " (refused)".
  std::vector<std::string> events;

 private:
  std::map<std::pair<std::string, std::string>, int> reads_;
};

// Text form of a value, as in MemoryDesktop::events.
std::string describe(const accessibility::Value& value);

}  // namespace platform::testing
