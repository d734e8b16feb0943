#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/Accessibility.h"

namespace memotitler {

// One element standing for the searched recording.
struct MatchCandidate {
  platform::accessibility::Element field;                  // where the new title goes
  std::optional<platform::accessibility::Element> button;  // the row it was found through
  std::string description;                                 // what the duration test reads
};

// The walk visits at most this many elements, so a cyclic or endless tree
// cannot hang a run.
inline constexpr std::size_t kMaxElementsWalked = 100000;

// Walks the window's subtree breadth-first and lists the text fields titled
// `findTitle` and the row buttons described by it (with their first text
// field), in the order found. With an expected duration, keeps those whose
// description mentions it, unless that would keep none.
std::vector<MatchCandidate> findMatches(platform::accessibility::Accessibility& ax,
                                        const platform::accessibility::Element& window,
                                        const std::string& findTitle,
                                        std::optional<double> expectedDuration);

// Whether the description mentions the duration, rounded to whole seconds, as
// "N sec", "N seconds", "N min" or "N:", ignoring case. A duration that is not
// finite or does not round into the 64-bit range mentions nothing.
bool durationMatches(const std::string& description, double expected);

// The candidates with one per field: a later candidate whose field equals an
// earlier one's is the same row found again, and is dropped.
std::vector<MatchCandidate> distinctFields(const std::vector<MatchCandidate>& candidates);

}  // namespace memotitler
