#include "MemoryDesktop.h"

#include <sstream>

namespace platform::testing {
namespace {

// Every read hands out new handles, as a real bus does with its proxies, so
// the programs must compare elements with ==, never by handle address.
class MemoryHandle : public accessibility::ElementHandle {
 public:
  explicit MemoryHandle(Node node) : node_(std::move(node)) {}
  bool sameElement(const accessibility::ElementHandle& other) const override {
    const auto* memory = dynamic_cast<const MemoryHandle*>(&other);
    return memory != nullptr && memory->node_ == node_;
  }
  const Node& node() const { return node_; }

 private:
  Node node_;
};

accessibility::Element handleFor(const Node& node) {
  return accessibility::Element(std::make_shared<MemoryHandle>(node));
}

std::vector<accessibility::Element> handlesFor(const std::vector<Node>& nodes) {
  std::vector<accessibility::Element> elements;
  for (const auto& node : nodes) elements.push_back(handleFor(node));
  return elements;
}

}  // namespace

Node element(std::string label, std::string role, std::vector<Node> children) {
  auto node = std::make_shared<MemoryElement>();
  node->label = std::move(label);
  node->role = std::move(role);
  node->children = std::move(children);
  return node;
}

Node window(std::string label, std::vector<Node> children) {
  return element(std::move(label), "AXWindow", std::move(children));
}

Node scrollArea(std::string label, std::vector<Node> children) {
  return element(std::move(label), "AXScrollArea", std::move(children));
}

Node group(std::string label, std::vector<Node> children) {
  return element(std::move(label), "AXGroup", std::move(children));
}

Node textField(std::string label, std::optional<std::string> value,
               std::optional<std::string> description) {
  auto node = element(std::move(label), "AXTextField");
  if (value) node->attributes["AXValue"] = *value;
  if (description) node->attributes["AXDescription"] = *description;
  return node;
}

Node button(std::string label, std::optional<std::string> description, std::vector<Node> children) {
  auto node = element(std::move(label), "AXButton", std::move(children));
  if (description) node->attributes["AXDescription"] = *description;
  return node;
}

void revealOnScroll(const Node& scroller, const Node& list, std::vector<Node> rows,
                    std::size_t perStep) {
  auto pending = std::make_shared<std::vector<Node>>(std::move(rows));
  auto next = std::make_shared<std::size_t>(0);
  std::weak_ptr<MemoryElement> weakList = list;
  scroller->actions["AXIncrement"] = [pending, next, weakList, perStep] {
    const auto target = weakList.lock();
    for (std::size_t i = 0; target && i < perStep && *next < pending->size(); ++i) {
      target->children.push_back((*pending)[(*next)++]);
    }
  };
}

Node nodeOf(const accessibility::Element& element) {
  const auto* memory = dynamic_cast<const MemoryHandle*>(element.handle());
  return memory != nullptr ? memory->node() : nullptr;
}

std::string describe(const accessibility::Value& value) {
  std::ostringstream out;
  if (std::holds_alternative<std::monostate>(value)) {
    out << "empty";
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    out << '"' << *text << '"';
  } else if (const auto* flag = std::get_if<bool>(&value)) {
    out << (*flag ? "true" : "false");
  } else if (const auto* point = std::get_if<accessibility::Point>(&value)) {
    out << '(' << point->x << ", " << point->y << ')';
  } else if (const auto* list = std::get_if<std::vector<accessibility::Element>>(&value)) {
    out << '[' << list->size() << " elements]";
  }
  return out.str();
}

Node MemoryDesktop::addApplication(workspace::RunningApplication application,
                                   std::vector<Node> windowNodes) {
  auto node = element(application.localizedName.value_or("application"), "AXApplication");
  node->windows = std::move(windowNodes);
  applicationElements[application.processIdentifier] = node;
  applications.push_back(std::move(application));
  return node;
}

void MemoryDesktop::dropWindows(const Node& application) {
  if (application->windows) application->windows->clear();
}

int MemoryDesktop::readCount(const std::string& label, const std::string& attribute) const {
  const auto it = reads_.find({label, attribute});
  return it == reads_.end() ? 0 : it->second;
}

accessibility::Element MemoryDesktop::applicationElement(std::int32_t processId) {
  const auto it = applicationElements.find(processId);
  if (it == applicationElements.end() || !it->second) return {};
  return handleFor(it->second);
}

std::optional<accessibility::Value> MemoryDesktop::copyAttributeValue(
    const accessibility::Element& element, const std::string& attribute) {
  const Node node = nodeOf(element);
  if (!node) return std::nullopt;
  ++reads_[{node->label, attribute}];
  if (node->failingReads.count(attribute) || node->failingReads.count("*")) return std::nullopt;
  if (attribute == "AXRole") {
    if (node->role.empty()) return std::nullopt;
    return node->role;
  }
  if (attribute == "AXChildren") return handlesFor(node->children);
  if (attribute == "AXWindows" && node->windows) return handlesFor(*node->windows);
  const auto it = node->attributes.find(attribute);
  if (it == node->attributes.end()) return std::nullopt;
  return it->second;
}

std::optional<std::vector<accessibility::FoundElement>> MemoryDesktop::findElements(
    const accessibility::Element& root, const std::string& role, const std::string& attribute) {
  const Node rootNode = nodeOf(root);
  if (!searchesInBulk || !rootNode || rootNode->failingReads.count("*")) return std::nullopt;
  const auto fails = [](const Node& node, const std::string& name) {
    return node->failingReads.count(name) > 0 || node->failingReads.count("*") > 0;
  };
  std::vector<accessibility::FoundElement> found;
  std::set<MemoryElement*> reached{rootNode.get()};
  std::vector<Node> pending;  // a stack: depth first, children in order
  const auto pushChildren = [&](const Node& node) {
    if (fails(node, "AXChildren")) return true;
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      if (!reached.insert(child->get()).second) return false;
      pending.push_back(*child);
    }
    return true;
  };
  if (!pushChildren(rootNode)) return std::nullopt;
  while (!pending.empty()) {
    const Node node = pending.back();
    pending.pop_back();
    if (!fails(node, "AXRole") && !node->role.empty() && node->role == role) {
      std::optional<std::string> text;
      const auto it = node->attributes.find(attribute);
      if (!fails(node, attribute) && it != node->attributes.end()) {
        if (const auto* value = std::get_if<std::string>(&it->second)) text = *value;
      }
      found.push_back({handleFor(node), std::move(text)});
    }
    if (!pushChildren(node)) return std::nullopt;
  }
  ++bulkSearches;
  return found;
}

bool MemoryDesktop::setAttributeValue(const accessibility::Element& element,
                                      const std::string& attribute,
                                      const accessibility::Value& value) {
  const Node node = nodeOf(element);
  if (!node) return false;
  std::string event = node->label + "." + attribute + " = " + describe(value);
  const bool refused = node->refusedWrites.count(attribute) || node->refusedWrites.count("*") ||
                       (node->acceptsWrite && !node->acceptsWrite(attribute, value));
  if (refused) {
    events.push_back(event + " (refused)");
    return false;
  }
  events.push_back(std::move(event));
  node->attributes[attribute] = value;
  return true;
}

bool MemoryDesktop::performAction(const accessibility::Element& element, const std::string& action) {
  const Node node = nodeOf(element);
  if (!node) return false;
  events.push_back(node->label + "." + action);
  if (const auto it = node->actions.find(action); it != node->actions.end() && it->second) {
    it->second();
  }
  return true;
}

std::optional<std::string> MemoryDesktop::applicationLocation(const std::string& bundleIdentifier) {
  const auto it = installed.find(bundleIdentifier);
  if (it == installed.end()) return std::nullopt;
  return it->second;
}

void MemoryDesktop::openApplication(const std::string& location,
                                    const workspace::OpenConfiguration& configuration) {
  opens.push_back({location, configuration});
  if (onOpen) onOpen(opens.back());
}

}  // namespace platform::testing
