#include "Commit.h"

#include <gtest/gtest.h>

#include "platform/testing/MemoryDesktop.h"
#include "platform/testing/RecordingSleeper.h"

namespace memotitler {
namespace {

using namespace platform::testing;
using platform::accessibility::Element;

// Handles for nodes, read the way the program reads them: through the desktop.
struct Ui {
  MemoryDesktop desktop;
  Element window;
  explicit Ui(const Node& win) {
    desktop.addApplication({"x", "x", 1}, {win});
    window = children(desktop.applicationElement(1), "AXWindows")[0];
  }
  std::vector<Element> children(const Element& e, const char* attribute = "AXChildren") {
    return std::get<std::vector<Element>>(*desktop.copyAttributeValue(e, attribute));
  }
};

TEST(ScrollDown, StepsTheFirstScrollAreaWithinTwoLevels) {
  const struct {
    const char* name;
    Node window;
    std::vector<std::string> events;
  } cases[] = {
      {"child", window("w", {group("g"), scrollArea("s1"), scrollArea("s2")}), {"s1.AXIncrement"}},
      {"a child's own grandchild comes before the next child",
       window("w", {group("g", {scrollArea("inner")}), scrollArea("s")}), {"inner.AXIncrement"}},
      {"three levels down is too deep", window("w", {group("g", {group("h", {scrollArea("s")})})}), {}},
      {"none", window("w", {group("g")}), {}},
      {"no children", window("w"), {}},
  };
  for (const auto& c : cases) {
    Ui ui(c.window);
    scrollDown(ui.desktop, ui.window);
    EXPECT_EQ(ui.desktop.events, c.events) << c.name;
  }
  // A child whose children cannot be read is passed over.
  Node unreadable = group("g", {scrollArea("hidden")});
  unreadable->failingReads = {"AXChildren"};
  Ui ui(window("w", {unreadable, group("h", {scrollArea("s")})}));
  scrollDown(ui.desktop, ui.window);
  EXPECT_EQ(ui.desktop.events, std::vector<std::string>{"s.AXIncrement"});
}

TEST(CommitRename, StepsPausesAndReadBack) {
  {
    Ui ui(window("w", {button("row", "Memo", {textField("f", "Memo")})}));
    const auto row = ui.children(ui.window)[0];
    const auto field = ui.children(row)[0];
    RecordingSleeper sleeper;
    EXPECT_EQ(commitRename(ui.desktop, sleeper, field, row, "New"), "New");
    EXPECT_EQ(ui.desktop.events,
              (std::vector<std::string>{"row.AXPress", "f.AXPress", "f.AXFocused = true",
                                        "f.AXValue = \"New\"", "f.AXConfirm", "f.AXFocused = false"}));
    EXPECT_EQ(sleeper.pauses, (std::vector<double>{0.35, 0.2, 0.1, 0.15, 0.15}));
  }
  {
    // Without a row: no row press and no 0.35 s pause. The field ignores the
    // write and keeps its text.
    Node f = textField("f", "Memo");
    f->refusedWrites = {"AXValue"};
    Ui ui(window("w", {f}));
    RecordingSleeper sleeper;
    EXPECT_EQ(commitRename(ui.desktop, sleeper, ui.children(ui.window)[0], std::nullopt, "New"), "Memo");
    EXPECT_EQ(ui.desktop.events[0], "f.AXPress");
    EXPECT_EQ(sleeper.pauses, (std::vector<double>{0.2, 0.1, 0.15, 0.15}));
  }
  {
    Node f = textField("f", "Memo");
    f->failingReads = {"AXValue"};
    Ui ui(window("w", {f}));
    RecordingSleeper sleeper;
    EXPECT_EQ(commitRename(ui.desktop, sleeper, ui.children(ui.window)[0], std::nullopt, "New"),
              std::nullopt);
  }
}

}  // namespace
}  // namespace memotitler
