#include "RowSearch.h"

#include <cmath>
#include <cstdint>

#include "AxRead.h"
#include "platform/text/Compare.h"
#include "platform/text/Utf8.h"

namespace memotitler {
namespace {

using platform::accessibility::Accessibility;
using platform::accessibility::Element;

// Texts read from the interface are compared as well-formed UTF-8.
std::optional<std::string> validText(std::optional<std::string> text) {
  if (text) *text = platform::text::toValidUtf8(*text);
  return text;
}

std::optional<std::string> readText(Accessibility& ax, const Element& element,
                                    const std::string& attribute) {
  return validText(axCopyString(ax, element, attribute));
}

bool buttonMatches(const std::string& description, const std::string& findTitle) {
  return platform::text::canonicallyEqual(description, findTitle) ||
         platform::text::canonicallyStartsWith(description, findTitle + ",");
}

std::optional<Element> firstTextField(Accessibility& ax, const Element& button) {
  for (const auto& child : axCopyArray(ax, button, "AXChildren")) {
    if (axCopyString(ax, child, "AXRole") == "AXTextField") return child;
  }
  return std::nullopt;
}

// A text field titled `findTitle` is a candidate of its own.
void addIfFieldMatches(Accessibility& ax, const Element& field,
                       const std::optional<std::string>& value, const std::string& findTitle,
                       std::vector<MatchCandidate>& candidates) {
  if (value && platform::text::canonicallyEqual(*value, findTitle)) {
    candidates.push_back(
        {field, std::nullopt, readText(ax, field, "AXDescription").value_or(findTitle)});
  }
}

// A row button described by `findTitle` is a candidate through its first text
// field.
void addIfButtonMatches(Accessibility& ax, const Element& button,
                        const std::optional<std::string>& description,
                        const std::string& findTitle, std::vector<MatchCandidate>& candidates) {
  const std::string text = description.value_or("");
  if (!buttonMatches(text, findTitle)) return;
  if (const auto field = firstTextField(ax, button)) candidates.push_back({*field, button, text});
}

// The walk element by element, breadth first, one level of the tree at a
// time: each level's roles, texts and children are read together, so that a
// desktop that can make many reads at once pays about one round trip for
// each, while the order and the bound are those of a walk one element after
// another.
std::vector<MatchCandidate> walkMatches(Accessibility& ax, const Element& window,
                                        const std::string& findTitle) {
  std::vector<MatchCandidate> candidates;
  std::vector<Element> level{window};
  std::size_t queued = 1;
  while (!level.empty()) {
    std::vector<std::string> roles;
    std::vector<Element> fields, buttons;
    for (auto& role : axCopyStrings(ax, level, "AXRole")) {
      roles.push_back(role.value_or(""));
      if (roles.back() == "AXTextField") fields.push_back(level[roles.size() - 1]);
      if (roles.back() == "AXButton") buttons.push_back(level[roles.size() - 1]);
    }
    const auto values = axCopyStrings(ax, fields, "AXValue");
    const auto descriptions = axCopyStrings(ax, buttons, "AXDescription");
    std::size_t field = 0, button = 0;
    for (std::size_t i = 0; i < level.size(); ++i) {
      if (roles[i] == "AXTextField") {
        addIfFieldMatches(ax, level[i], validText(values[field++]), findTitle, candidates);
      } else if (roles[i] == "AXButton") {
        addIfButtonMatches(ax, level[i], validText(descriptions[button++]), findTitle,
                           candidates);
      }
    }
    std::vector<Element> next;
    for (auto& children : axCopyArrays(ax, level, "AXChildren")) {
      for (auto& child : children) {
        if (queued >= kMaxElementsWalked) break;
        next.push_back(std::move(child));
        ++queued;
      }
    }
    level = std::move(next);
  }
  return candidates;
}

// The same candidates from two bulk searches, the row buttons with their
// descriptions and the text fields with their values, and reads of the few
// that match. Nothing when the desktop cannot search in bulk, or when only the
// walk can tell the order: the window itself is a button or field, or the
// candidates stand for more than one field (in a tree, a field and the row
// button above it are found in that order by any walk). A subtree too large
// for the walk's bound is left to the walk, too.
std::optional<std::vector<MatchCandidate>> bulkMatches(Accessibility& ax, const Element& window,
                                                       const std::string& findTitle) {
  const auto buttons = ax.findElements(window, "AXButton", "AXDescription");
  if (!buttons) return std::nullopt;
  const auto fields = ax.findElements(window, "AXTextField", "AXValue");
  if (!fields || buttons->size() + fields->size() >= kMaxElementsWalked) return std::nullopt;
  const std::string windowRole = axCopyString(ax, window, "AXRole").value_or("");
  if (windowRole == "AXTextField" || windowRole == "AXButton") return std::nullopt;
  std::vector<MatchCandidate> candidates;
  for (const auto& button : *buttons) {
    addIfButtonMatches(ax, button.element, validText(button.text), findTitle, candidates);
  }
  for (const auto& field : *fields) {
    addIfFieldMatches(ax, field.element, validText(field.text), findTitle, candidates);
  }
  for (const auto& candidate : candidates) {
    if (!(candidate.field == candidates.front().field)) return std::nullopt;
  }
  return candidates;
}

}  // namespace

std::vector<MatchCandidate> findMatches(Accessibility& ax, const Element& window,
                                        const std::string& findTitle,
                                        std::optional<double> expectedDuration) {
  auto found = bulkMatches(ax, window, findTitle);
  const std::vector<MatchCandidate> candidates =
      found ? std::move(*found) : walkMatches(ax, window, findTitle);
  if (!expectedDuration) return candidates;
  std::vector<MatchCandidate> kept;
  for (const auto& candidate : candidates) {
    if (durationMatches(candidate.description, *expectedDuration)) kept.push_back(candidate);
  }
  return kept.empty() ? candidates : kept;
}

bool durationMatches(const std::string& description, double expected) {
  const double rounded = std::round(expected);  // halves away from zero
  // 2^63: the first value past the signed 64-bit range.
  constexpr double kLimit = 9223372036854775808.0;
  if (!std::isfinite(rounded) || rounded < -kLimit || rounded >= kLimit) return false;
  const std::string n = std::to_string(static_cast<std::int64_t>(rounded));
  for (const char* unit : {" sec", " seconds", " min", ":"}) {
    if (platform::text::containsIgnoringCase(description, n + unit)) return true;
  }
  return false;
}

std::vector<MatchCandidate> distinctFields(const std::vector<MatchCandidate>& candidates) {
  std::vector<MatchCandidate> distinct;
  for (const auto& candidate : candidates) {
    bool seen = false;
    for (const auto& earlier : distinct) seen = seen || earlier.field == candidate.field;
    if (!seen) distinct.push_back(candidate);
  }
  return distinct;
}

}  // namespace memotitler
