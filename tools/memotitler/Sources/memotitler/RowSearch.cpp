#include "RowSearch.h"

#include <cmath>
#include <cstdint>
#include <deque>

#include "AxRead.h"
#include "platform/text/Compare.h"
#include "platform/text/Utf8.h"

namespace memotitler {
namespace {

using platform::accessibility::Accessibility;
using platform::accessibility::Element;

// Texts read from the interface are compared as well-formed UTF-8.
std::optional<std::string> readText(Accessibility& ax, const Element& element,
                                    const std::string& attribute) {
  auto text = axCopyString(ax, element, attribute);
  if (text) *text = platform::text::toValidUtf8(*text);
  return text;
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

}  // namespace

std::vector<MatchCandidate> findMatches(Accessibility& ax, const Element& window,
                                        const std::string& findTitle,
                                        std::optional<double> expectedDuration) {
  std::vector<MatchCandidate> candidates;
  std::deque<Element> queue{window};
  std::size_t queued = 1;
  while (!queue.empty()) {
    const Element element = std::move(queue.front());
    queue.pop_front();
    const std::string role = axCopyString(ax, element, "AXRole").value_or("");
    if (role == "AXTextField") {
      const auto value = readText(ax, element, "AXValue");
      if (value && platform::text::canonicallyEqual(*value, findTitle)) {
        candidates.push_back({element, std::nullopt,
                              readText(ax, element, "AXDescription").value_or(findTitle)});
      }
    } else if (role == "AXButton") {
      const std::string description = readText(ax, element, "AXDescription").value_or("");
      if (buttonMatches(description, findTitle)) {
        if (const auto field = firstTextField(ax, element)) {
          candidates.push_back({*field, element, description});
        }
      }
    }
    for (auto& child : axCopyArray(ax, element, "AXChildren")) {
      if (queued >= kMaxElementsWalked) break;
      queue.push_back(std::move(child));
      ++queued;
    }
  }
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
