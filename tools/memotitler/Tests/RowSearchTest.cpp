#include "RowSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/testing/MemoryDesktop.h"

namespace memotitler {
namespace {

using namespace platform::testing;

// The window element of a desktop whose only application shows `win`.
struct Search {
  MemoryDesktop desktop;
  platform::accessibility::Element window;
  explicit Search(const Node& win) {
    desktop.addApplication({"com.apple.VoiceMemos", "Voice Memos", 1}, {win});
    window = std::get<std::vector<platform::accessibility::Element>>(
        *desktop.copyAttributeValue(desktop.applicationElement(1), "AXWindows"))[0];
  }
  // Each candidate as "field<-button: description", with the desktop
  // searching in bulk or not.
  std::vector<std::string> findBy(bool bulk, const std::string& title,
                                  std::optional<double> duration = {}) {
    desktop.searchesInBulk = bulk;
    std::vector<std::string> found;
    for (const auto& c : findMatches(desktop, window, title, duration)) {
      found.push_back(nodeOf(c.field)->label + (c.button ? "<-" + nodeOf(*c.button)->label : "") +
                      ": " + c.description);
    }
    return found;
  }
  // The candidates, which must be the same both ways.
  std::vector<std::string> find(const std::string& title, std::optional<double> duration = {}) {
    const auto walked = findBy(false, title, duration);
    EXPECT_EQ(findBy(true, title, duration), walked) << "bulk searches against the walk";
    return walked;
  }
};

TEST(FindMatches, WhichButtonsAndFieldsMatch) {
  const std::string cafe = "Caf\xC3\xA9";
  const std::string cafeDecomposed = "Cafe\xCC\x81";
  const struct {
    const char* title;
    Node element;
    bool matches;
  } cases[] = {
      {"Memo", button("b", "Memo, yesterday, 2:05", {textField("f", "x")}), true},
      {"Memo", button("b", "Memo", {textField("f", "x")}), true},
      {"Memo", button("b", "Memo 2, yesterday", {textField("f", "x")}), false},
      {"Memo", button("b", "memo, yesterday", {textField("f", "x")}), false},
      {"Memo", button("b", "Memo, today", {group("g", {textField("f", "x")})}), false},
      {"Memo", button("b", std::nullopt, {textField("f", "x")}), false},
      {"", button("b", std::nullopt, {textField("f", "x")}), true},
      {"Memo", textField("f", "Memo"), true},
      {"Memo", textField("f", "Memo "), false},
      {"Memo", textField("f", std::nullopt), false},
      {cafe.c_str(), textField("f", cafeDecomposed), true},
      {cafe.c_str(), button("b", cafeDecomposed + ", today", {textField("f", "x")}), true},
  };
  for (const auto& c : cases) {
    Search s(window("w", {c.element}));
    EXPECT_EQ(s.find(c.title).size(), c.matches ? 1u : 0u) << c.title << " / " << c.element->label;
  }
}

TEST(FindMatches, ListsInWalkOrderWithDescriptions) {
  // Breadth first: the row button (depth 1) comes before the fields (depth 2),
  // and its own field then matches again on its own. A field without a
  // description is described by the title.
  Search s(window("w", {group("list", {textField("t2", "Memo")}),
                        button("row", "Memo, today", {textField("t1", "Memo", "T1")})}));
  EXPECT_EQ(s.find("Memo"), (std::vector<std::string>{"t1<-row: Memo, today", "t2: Memo", "t1: T1"}));
}

TEST(FindMatches, DurationNarrowsButNeverEmpties) {
  const auto rows = [] {
    return window("w", {button("a", "Memo, 1:30", {textField("ta", "x")}),
                        button("b", "Memo, 200 seconds", {textField("tb", "x")})});
  };
  EXPECT_EQ(Search(rows()).find("Memo", 200.4), (std::vector<std::string>{"tb<-b: Memo, 200 seconds"}));
  EXPECT_EQ(Search(rows()).find("Memo", 90).size(), 2u) << "neither mentions 90: both kept";
  EXPECT_EQ(Search(rows()).find("Memo").size(), 2u);
}

TEST(FindMatches, UnreadableOrEndlessTrees) {
  Node win = window("w", {textField("f", "Memo")});
  win->failingReads = {"AXChildren"};
  EXPECT_TRUE(Search(win).find("Memo").empty());

  // A tree that contains itself: no bulk search gets through it, and the walk
  // stops at its bound.
  Node loop = group("loop");
  loop->children = {loop, textField("f", "Memo")};
  Search s(window("w", {loop}));
  const auto found = s.findBy(true, "Memo");
  EXPECT_FALSE(found.empty());
  EXPECT_EQ(s.desktop.readCount("w", "AXRole") + s.desktop.readCount("loop", "AXRole") +
                s.desktop.readCount("f", "AXRole"),
            static_cast<int>(kMaxElementsWalked));
  loop->children.clear();  // break the cycle so the tree can be freed
}

TEST(FindMatches, BulkSearchesReadOnlyTheMatchingRow) {
  std::vector<Node> rows;
  for (const std::string title : {"Alpha", "Memo", "Gamma"}) {
    rows.push_back(button("row " + title, title + ", today, 0:05",
                          {element("icon", "AXImage"), textField(title, title, "field")}));
  }
  Search s(window("w", {scrollArea("scroller", {group("list", rows)})}));
  EXPECT_EQ(s.findBy(true, "Memo"),
            (std::vector<std::string>{"Memo<-row Memo: Memo, today, 0:05", "Memo: field"}));
  EXPECT_EQ(s.desktop.bulkSearches, 2) << "the buttons and the fields";
  EXPECT_EQ(s.desktop.readCount("list", "AXChildren") +
                s.desktop.readCount("row Alpha", "AXChildren") +
                s.desktop.readCount("Alpha", "AXRole"),
            0)
      << "nothing read element by element but the match";
  EXPECT_EQ(s.desktop.readCount("Memo", "AXRole"), 1) << "the row's first text field";
}

TEST(FindMatches, BulkSearchesLeaveToTheWalkWhatOnlyItCanOrder) {
  // Each tree gives the same candidates both ways (Search::find checks); the
  // first two need the walk's order, the third is not a tree.
  Node shared = textField("shared", "Memo");
  const struct {
    const char* what;
    Node window;
    std::vector<std::string> found;
  } cases[] = {
      {"rows at different depths: the shallower first, though later in the list",
       window("w", {group("list", {button("deep", "Memo", {textField("t1", "x")})}),
                    button("shallow", "Memo", {textField("t2", "x")})}),
       {"t2<-shallow: Memo", "t1<-deep: Memo"}},
      {"the window itself a text field", textField("w", "Memo", "itself"), {"w: itself"}},
      {"an element reached twice", window("w", {group("a", {shared}), group("b", {shared})}),
       {"shared: Memo", "shared: Memo"}},
  };
  for (const auto& c : cases) {
    Search s(c.window);
    EXPECT_EQ(s.find("Memo"), c.found) << c.what;
  }
}

TEST(DurationMatches, RoundsAndLooksForTheFourTexts) {
  const struct {
    const char* description;
    double expected;
    bool matches;
  } cases[] = {
      {"Memo, 201 sec", 200.5, true},       {"Memo, 200 sec", 200.4, true},
      {"Memo, 200 sec", 200.5, false},      {"at -1:00", -0.5, true},
      {"Memo, 120 SECONDS", 120, true},     {"Memo, 120 Sec", 120, true},
      {"3 min", 3, true},                   {"3 minutes", 3, true},
      {"Memo, 120 seconds", 20, true},      {"13:05", 3, true},
      {"120", 120, false},                  {"120sec", 120, false},
      {"0 sec", -0.4, true},                {"", 0, false},
      {"nan sec", std::nan(""), false},     {"inf sec", INFINITY, false},
      {"9223372036854775807 sec", 9.3e18, false},
      {"-9223372036854775808 sec", -9223372036854775808.0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(durationMatches(c.description, c.expected), c.matches)
        << c.description << " / " << c.expected;
  }
}

TEST(DistinctFields, KeepsTheFirstCandidateOfEachField) {
  MemoryDesktop desktop;
  Node f1 = textField("f1", "Memo");
  Node f2 = textField("f2", "Memo");
  Node row = button("row", "Memo");
  desktop.addApplication({"x", "x", 1}, {window("w", {row, f1, f2})});
  const auto win = std::get<std::vector<platform::accessibility::Element>>(
      *desktop.copyAttributeValue(desktop.applicationElement(1), "AXWindows"))[0];
  const auto children = [&] {
    return std::get<std::vector<platform::accessibility::Element>>(
        *desktop.copyAttributeValue(win, "AXChildren"));
  };
  // Every read gives new handles; the same field read twice is still one field.
  const auto first = children();
  const auto again = children();
  const std::vector<MatchCandidate> candidates = {
      {first[1], first[0], "from the row"}, {again[1], std::nullopt, "alone"}, {first[2], {}, "other"}};
  const auto distinct = distinctFields(candidates);
  ASSERT_EQ(distinct.size(), 2u);
  EXPECT_EQ(distinct[0].description, "from the row");
  EXPECT_EQ(distinct[1].description, "other");
}

}  // namespace
}  // namespace memotitler
