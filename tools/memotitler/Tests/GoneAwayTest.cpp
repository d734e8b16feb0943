// A rename run against a Voice Memos that quits halfway, and against trees
// that never end: each run still ends with one clean record and its status,
// after a bounded number of reads and pauses.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "Harness.h"
#include "RowSearch.h"

namespace memotitler {
namespace {

using namespace platform::testing;
using testing::Harness;

// Voice Memos quits: it leaves the running applications, and every element it
// handed out stops answering reads and refuses writes.
void quit(Harness& h, const Node& app) {
  std::erase_if(h.desktop.applications, [](const auto& a) { return a.processIdentifier == testing::kVoiceMemosPid; });
  std::vector<Node> pending{app};
  std::set<MemoryElement*> seen;
  while (!pending.empty()) {
    const Node node = pending.back();
    pending.pop_back();
    if (!seen.insert(node.get()).second) continue;
    node->failingReads = {"*"};
    node->refusedWrites = {"*"};
    for (const Node& child : node->children) pending.push_back(child);
    if (node->windows) pending.insert(pending.end(), node->windows->begin(), node->windows->end());
  }
}

std::string line(const Outcome& outcome) {
  EXPECT_TRUE(outcome.record.has_value());
  return outcome.record ? encodeJson(*outcome.record).value_or("<unencodable>") : "<none>";
}

TEST(GoneAway, VoiceMemosQuittingMidwayEndsWithACleanRecord) {
  const std::string notFound = "{\"error\":\"recording not found in UI\",\"result\":\"not_found\"}";
  const std::string didNotStick = "{\"error\":\"AX value write did not stick\",\"result\":\"failed\"}";
  const struct {
    const char* when;
    // Arms the quit on the tree built below; gets a function that quits.
    std::function<void(Node& scroller, Node& row, Node& title, std::function<void()> quitNow)> arm;
    std::string json;
    int status;
  } cases[] = {
      {"on the first scroll between searches",
       [](Node& scroller, Node&, Node&, std::function<void()> quitNow) {
         scroller->actions["AXIncrement"] = quitNow;
       },
       notFound, 0},
      {"when the row is pressed for the commit",
       [](Node&, Node& row, Node&, std::function<void()> quitNow) { row->actions["AXPress"] = quitNow; },
       didNotStick, 1},
      {"as the new title is written",
       [](Node&, Node&, Node& title, std::function<void()> quitNow) {
         title->acceptsWrite = [quitNow](const std::string& attribute, const auto&) {
           if (attribute == "AXValue") quitNow();
           return true;
         };
       },
       didNotStick, 1},
  };
  // Each case with bulk searches and element by element.
  for (std::size_t i = 0; i < 2 * std::size(cases); ++i) {
    const auto& c = cases[i / 2];
    const bool bulk = i % 2 == 0;
    SCOPED_TRACE(std::string(c.when) + (bulk ? ", bulk searches" : ", element by element"));
    Harness h;
    h.desktop.searchesInBulk = bulk;
    Node title = textField("title", "Other", "Other");
    Node row = button("row", "Other, today, 0:05", {title});
    Node list = group("list", {row});
    Node scroller = scrollArea("scroller", {list});
    Node win = window("window", {scroller});
    win->attributes["AXPosition"] = platform::accessibility::Point{100, 50};
    const Node app = h.addVoiceMemos(win);
    const bool searchCase = c.json == notFound;
    if (!searchCase) {
      title->attributes["AXValue"] = std::string("Memo");
      row->attributes["AXDescription"] = std::string("Memo, today, 0:05");
    }
    // The handlers live in the tree: they hold the application weakly, so the
    // tree is freed with the harness.
    c.arm(scroller, row, title, [&h, weakApp = std::weak_ptr<MemoryElement>(app)] {
      if (const Node a = weakApp.lock()) quit(h, a);
    });

    const Outcome outcome = h.run({"--find", "Memo", "--new-title", "New", "--duration", "5"});
    EXPECT_EQ(line(outcome), c.json);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_LT(h.sleeper.pauses.size(), 40u) << "a dead application is not waited on without end";
  }
}

TEST(GoneAway, CyclicAndEnormousTreesEndAfterBoundedWalks) {
  {
    SCOPED_TRACE("a list that contains itself, with the row in it");
    Harness h;
    Node loop = group("loop");
    Node title = textField("title", "Memo", "Memo");
    loop->children = {loop, button("row", "Memo, 0:05", {title})};
    h.addVoiceMemos(window("window", {scrollArea("scroller", {loop})}));
    const Outcome outcome = h.run({"--find", "Memo", "--new-title", "New"});
    // The row found again and again through the cycle is one row.
    EXPECT_EQ(line(outcome), "{\"hiddenWriteWorked\":true,\"result\":\"applied\",\"valueAfter\":\"New\"}");
    loop->children.clear();
  }
  {
    SCOPED_TRACE("a cycle without the row");
    Harness h;
    Node loop = group("loop");
    loop->children = {loop, textField("other", "Other")};
    h.addVoiceMemos(window("window", {scrollArea("scroller", {loop})}));
    const Outcome outcome = h.run({"--find", "Memo", "--new-title", "New"});
    EXPECT_EQ(line(outcome), "{\"error\":\"recording not found in UI\",\"result\":\"not_found\"}");
    EXPECT_EQ(outcome.status, 0);
    const int searches = 8;
    EXPECT_LE(h.desktop.readCount("loop", "AXRole") + h.desktop.readCount("other", "AXRole"),
              searches * static_cast<int>(kMaxElementsWalked));
    loop->children.clear();
  }
  {
    // The walk's own bound; an application's bulk search ends by itself.
    SCOPED_TRACE("a list longer than the walk, the row past its bound");
    Harness h;
    h.desktop.searchesInBulk = false;
    std::vector<Node> rows;
    for (std::size_t i = 0; i < kMaxElementsWalked + 10; ++i) rows.push_back(group("g"));
    rows.push_back(textField("title", "Memo"));
    h.addVoiceMemos(window("window", {scrollArea("scroller", {group("list", rows)})}));
    const Outcome outcome = h.run({"--find", "Memo", "--new-title", "New"});
    EXPECT_EQ(line(outcome), "{\"error\":\"recording not found in UI\",\"result\":\"not_found\"}");
    EXPECT_EQ(h.desktop.readCount("title", "AXRole"), 0);
  }
}

}  // namespace
}  // namespace memotitler
