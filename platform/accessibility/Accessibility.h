#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform::accessibility {

// What an implementation keeps for one user-interface element of another
// process. Handles are made by the implementation; the programs only pass
// them back to it and compare them.
class ElementHandle {
 public:
  virtual ~ElementHandle() = default;
  // True when both handles stand for the same user-interface element, even
  // when they were obtained by different reads.
  virtual bool sameElement(const ElementHandle& other) const = 0;
};

// A shared, reference-counted handle to one element, or null. Copies share
// the handle; the element is released when the last copy goes.
class Element {
 public:
  Element() = default;
  explicit Element(std::shared_ptr<const ElementHandle> handle) : handle_(std::move(handle)) {}

  explicit operator bool() const { return handle_ != nullptr; }
  const ElementHandle* handle() const { return handle_.get(); }

  // Two null elements are equal; a null and a non-null one are not; two
  // non-null ones are equal when the implementation says they are the same
  // element.
  friend bool operator==(const Element& a, const Element& b) {
    if (!a.handle_ || !b.handle_) return !a.handle_ && !b.handle_;
    return a.handle_ == b.handle_ || a.handle_->sameElement(*b.handle_);
  }

 private:
  std::shared_ptr<const ElementHandle> handle_;
};

// A screen point: a window's top-left corner, in points.
struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

// An attribute's value. std::monostate is a read that succeeded but gave no
// value.
using Value = std::variant<std::monostate, std::string, bool, std::vector<Element>, Point>;

// An element found by Accessibility::findElements, with its attribute as read.
struct FoundElement {
  Element element;
  // The attribute's text; absent when the read failed or gave an empty value
  // or one that is not text.
  std::optional<std::string> text;
};

// The accessibility interface of the desktop: the calls are synchronous round
// trips to the application that owns the element.
class Accessibility {
 public:
  virtual ~Accessibility() = default;

  // Whether this process may use the interface. Never prompts the user.
  virtual bool isProcessTrusted() = 0;

  // The element of the application with this process id; null when there is
  // none.
  virtual Element applicationElement(std::int32_t processId) = 0;

  // Reads one attribute. Nothing when the read fails (the element is gone, the
  // attribute is unknown, the application does not answer); otherwise the
  // value, which may be empty (std::monostate).
  virtual std::optional<Value> copyAttributeValue(const Element& element,
                                                  const std::string& attribute) = 0;

  // Reads one attribute of each element, as copyAttributeValue does, in the
  // elements' order. A desktop may make the reads together, in about one
  // round trip; by default they are made one by one.
  virtual std::vector<std::optional<Value>> copyAttributeValues(
      const std::vector<Element>& elements, const std::string& attribute) {
    std::vector<std::optional<Value>> values;
    values.reserve(elements.size());
    for (const auto& element : elements) values.push_back(copyAttributeValue(element, attribute));
    return values;
  }

  // Attempts a write. True when the application accepted it; callers may
  // ignore the answer.
  virtual bool setAttributeValue(const Element& element, const std::string& attribute,
                                 const Value& value) = 0;

  // Attempts an action ("AXPress", "AXConfirm", "AXIncrement"). True when the
  // application accepted it; callers may ignore the answer.
  virtual bool performAction(const Element& element, const std::string& action) = 0;

  // The elements below `root` (not `root` itself) whose "AXRole" reads as
  // `role`, in depth-first order (an element before its children, children in
  // their order), each with its `attribute` read as text: all of them in a
  // few round trips, asked afresh on every call. Nothing when this desktop or
  // application cannot search in bulk, or the search failed: the caller then
  // reads element by element.
  virtual std::optional<std::vector<FoundElement>> findElements(const Element& root,
                                                                const std::string& role,
                                                                const std::string& attribute) {
    (void)root;
    (void)role;
    (void)attribute;
    return std::nullopt;
  }
};

// The desktop's accessibility interface on this machine.
std::unique_ptr<Accessibility> makeSystemAccessibility();

}  // namespace platform::accessibility
