#include "Rename.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>

#include "Harness.h"
#include "RowSearch.h"
#include "platform/text/Utf8.h"

namespace memotitler {
namespace {

using platform::accessibility::Point;
using platform::accessibility::Value;
using platform::testing::Node;
using namespace platform::testing;
using testing::Harness;

// Voice Memos' list: a scroll area holding a group of rows; each row a button
// described "title, date, duration" whose text field holds the title.
struct Recordings {
  Node title = textField("title", "Memo", "Memo");
  Node row = button("row", "Memo, today, 2:05", {title});
  Node list = group("list", {row});
  Node scroller = scrollArea("scroller", {list});
  Node win = window("window", {scroller});
  Node app;

  explicit Recordings(Harness& h) {
    win->attributes["AXPosition"] = Point{100, 50};
    app = h.addVoiceMemos(win);
  }
  Point windowPosition() const { return std::get<Point>(win->attributes.at("AXPosition")); }
};

const std::vector<std::string> kRename = {"--find", "Memo", "--new-title", "New"};

std::string json(const Outcome& outcome) {
  return outcome.record ? encodeJson(*outcome.record).value_or("<unencodable>") : "<none>";
}

// The writes and actions of one commit.
std::vector<std::string> commitEvents(bool withRow, const std::string& value) {
  std::vector<std::string> events;
  if (withRow) events.push_back("row.AXPress");
  events.insert(events.end(), {"title.AXPress", "title.AXFocused = true",
                                "title.AXValue = \"" + value + "\"", "title.AXConfirm",
                                "title.AXFocused = false"});
  return events;
}

const std::vector<double> kCommitPauses = {0.35, 0.2, 0.1, 0.15, 0.15};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
std::vector<double> operator+(std::vector<double> a, const std::vector<double>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RunRename, EveryOutcomeThatEndsBeforeTheWrite) {
  const std::string notAuthorized =
      "{\"error\":\"Accessibility permission required. System Settings \xE2\x86\x92 Privacy & "
      "Security \xE2\x86\x92 Accessibility.\",\"result\":\"not_authorized\"}";
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::function<void(Harness&, Recordings&)> setUp;
    std::string json;
    int status;
    std::vector<std::string> events = {};  // only "not found" scrolls
  } cases[] = {
      {"permission missing comes before the titles", {"--find", "Memo"},
       [](Harness& h, Recordings&) { h.desktop.trusted = false; }, notAuthorized, 1},
      {"no --find", {"--new-title", "New"}, [](Harness&, Recordings&) {},
       R"({"error":"usage: memotitler --find TITLE --new-title TITLE [--date ISO] [--duration SEC]","result":"failed"})",
       1},
      {"not running and --skip-launch", kRename + std::vector<std::string>{"--skip-launch"},
       [](Harness& h, Recordings&) { h.desktop.applications.clear(); },
       R"({"error":"VoiceMemos process not found","result":"failed"})", 1},
      {"no application element", kRename,
       [](Harness& h, Recordings&) { h.desktop.applicationElements.clear(); },
       R"({"error":"VoiceMemos process not found","result":"failed"})", 1},
      {"no window", kRename, [](Harness&, Recordings& r) { MemoryDesktop::dropWindows(r.app); },
       R"({"error":"no VoiceMemos window","result":"failed"})", 1},
      {"two rows", kRename,
       [](Harness&, Recordings& r) {
         r.list->children.push_back(button("row2", "Memo, yesterday", {textField("title2", "Memo")}));
       },
       R"({"error":"multiple rows matched","result":"ambiguous"})", 0},
      {"no row", {"--find", "Other", "--new-title", "New"}, [](Harness&, Recordings&) {},
       R"({"error":"recording not found in UI","result":"not_found"})", 0,
       std::vector<std::string>(8, "scroller.AXIncrement")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    Recordings r(h);
    c.setUp(h, r);
    const Outcome outcome = h.run(c.args);
    EXPECT_EQ(json(outcome), c.json);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_TRUE(h.process.calls.empty());
    EXPECT_TRUE(h.desktop.opens.empty());
    EXPECT_EQ(h.desktop.events, c.events);
  }
}

TEST(RunRename, AttemptsAndPausesOfTheWindowWaitAndTheSearch) {
  {
    Harness h;
    Recordings r(h);
    MemoryDesktop::dropWindows(r.app);
    h.run(kRename);
    EXPECT_EQ(h.desktop.readCount("Voice Memos", "AXWindows"), 10);
    EXPECT_EQ(h.sleeper.pauses, std::vector<double>(10, 0.2));
  }
  {
    // A window that appears on the third look: two pauses, then the run goes on.
    struct CallingSleeper : RecordingSleeper {
      std::function<void()> afterPause;
      void sleepFor(double seconds) override {
        RecordingSleeper::sleepFor(seconds);
        afterPause();
      }
    } sleeper;
    Harness h;
    Recordings r(h);
    MemoryDesktop::dropWindows(r.app);
    sleeper.afterPause = [&] {
      if (sleeper.pauses.size() == 2) r.app->windows = std::vector<Node>{r.win};
    };
    Services services{h.process, sleeper, h.desktop, h.desktop, h.savedWindow, 0};
    const Outcome outcome = runMemotitler(kRename, services);
    EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"New"})");
    EXPECT_EQ(h.desktop.readCount("Voice Memos", "AXWindows"), 3);
    EXPECT_EQ(sleeper.pauses, (std::vector<double>{0.2, 0.2, 0.2} + kCommitPauses));
  }
  {
    Harness h;
    Recordings r(h);
    h.run({"--find", "Other", "--new-title", "New"});
    EXPECT_EQ(h.desktop.events, std::vector<std::string>(8, "scroller.AXIncrement"));
    EXPECT_EQ(h.sleeper.pauses, std::vector<double>(8, 0.2));
    EXPECT_EQ(h.desktop.readCount("window", "AXRole"), 8) << "eight searches";
  }
  for (const bool bulk : {true, false}) {
    // The row comes into view on the third scroll: four searches, three scrolls,
    // whether the desktop searches in bulk or the search walks.
    SCOPED_TRACE(bulk ? "bulk searches" : "element by element");
    Harness h;
    h.desktop.searchesInBulk = bulk;
    Recordings r(h);
    r.list->children.clear();
    revealOnScroll(r.scroller, r.list,
                   {button("a", "Alpha, today", {textField("ta", "Alpha")}),
                    button("b", "Beta, today", {textField("tb", "Beta")}), r.row});
    const Outcome outcome = h.run(kRename);
    EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"New"})");
    EXPECT_EQ(h.desktop.readCount("window", "AXRole"), 4);
    EXPECT_EQ(std::count(h.desktop.events.begin(), h.desktop.events.end(), "scroller.AXIncrement"), 3);
    EXPECT_EQ(h.sleeper.pauses, (std::vector<double>{0.2, 0.2, 0.2, 0.2} + kCommitPauses));
  }
}

TEST(RunRename, HiddenWriteTakes) {
  Harness h;
  Recordings r(h);
  const Outcome outcome = h.run(kRename + std::vector<std::string>{"--date", "2024-05-01"});
  EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"New"})");
  EXPECT_EQ(outcome.status, 0);
  const auto expected = std::vector<std::string>{"Voice Memos.AXHidden = true"} +
                        commitEvents(true, "New") +
                        std::vector<std::string>{"Voice Memos.AXHidden = false"};
  EXPECT_EQ(h.desktop.events, expected);
  EXPECT_EQ(h.sleeper.pauses, std::vector<double>{0.2} + kCommitPauses);
  EXPECT_EQ(r.windowPosition(), (Point{100, 50}));
  EXPECT_FALSE(h.savedWindow.load());
}

TEST(RunRename, HiddenWriteFailsParkedWriteTakes) {
  Harness h;
  Recordings r(h);
  MemoryElement* app = r.app.get();
  r.title->acceptsWrite = [app](const std::string& attribute, const Value&) {
    return attribute != "AXValue" || app->attributes["AXHidden"] == Value(false);
  };
  const Outcome outcome = h.run(kRename);
  EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":false,"result":"applied","valueAfter":"New"})");
  EXPECT_EQ(outcome.status, 0);
  auto hiddenCommit = commitEvents(true, "New");
  hiddenCommit[3] += " (refused)";
  const auto expected = std::vector<std::string>{"Voice Memos.AXHidden = true"} + hiddenCommit +
                        std::vector<std::string>{"Voice Memos.AXHidden = false",
                                                 "window.AXPosition = (3200, 2400)"} +
                        commitEvents(true, "New");
  EXPECT_EQ(h.desktop.events, expected);
  EXPECT_EQ(h.sleeper.pauses, std::vector<double>{0.2} + kCommitPauses + std::vector<double>{0.1} +
                                  kCommitPauses);
  EXPECT_EQ(r.windowPosition(), (Point{3200, 2400}));
  EXPECT_EQ(h.savedWindow.load(), (SavedWindow{{100, 50}, testing::kVoiceMemosPid}));

  // A later restore run brings the window back.
  EXPECT_EQ(json(h.run({"--restore-window"})), R"({"result":"ok")" "}");
  EXPECT_EQ(r.windowPosition(), (Point{100, 50}));
}

TEST(RunRename, WithoutHiddenFirstTheOnlyWriteIsParked) {
  Harness h;
  Recordings r(h);
  const Outcome outcome = h.run(kRename + std::vector<std::string>{"--no-hidden-first"});
  EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":false,"result":"applied","valueAfter":"New"})");
  const auto expected = std::vector<std::string>{"Voice Memos.AXHidden = false",
                                                 "window.AXPosition = (3200, 2400)"} +
                        commitEvents(true, "New");
  EXPECT_EQ(h.desktop.events, expected);
  EXPECT_EQ(h.sleeper.pauses, std::vector<double>{0.1} + kCommitPauses);
}

TEST(RunRename, AReadBackThatDiffersInAnyWayDidNotTake) {
  Harness h;
  Recordings r(h);
  // The field keeps the title with a blank after it.
  MemoryElement* title = r.title.get();
  r.title->acceptsWrite = [title](const std::string& attribute, const Value& value) {
    if (attribute != "AXValue") return true;
    title->attributes["AXValue"] = std::get<std::string>(value) + " ";
    return false;
  };
  const Outcome outcome = h.run(kRename);
  EXPECT_EQ(json(outcome), R"({"error":"AX value write did not stick","result":"failed"})");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(std::count(h.desktop.events.begin(), h.desktop.events.end(), "title.AXConfirm"), 2);
  EXPECT_EQ(r.windowPosition(), (Point{3200, 2400}));
}

TEST(RunRename, AnUnreadableFieldCountsAsEmpty) {
  Harness h;
  Recordings r(h);
  r.title->failingReads = {"AXValue"};
  const Outcome outcome = h.run({"--find", "Memo", "--new-title", ""});
  EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":true,"result":"applied"})");
}

TEST(RunRename, ARowFoundTwiceIsOneRow) {
  // The row's own text field also holds the title: the search lists it twice,
  // the run renames it once.
  for (const auto& extra : {std::vector<std::string>{}, std::vector<std::string>{"--duration", "999"}}) {
    Harness h;
    Recordings r(h);
    const auto args = kRename + extra;
    const auto window = std::get<std::vector<platform::accessibility::Element>>(
        *h.desktop.copyAttributeValue(h.desktop.applicationElement(testing::kVoiceMemosPid), "AXWindows"))[0];
    ASSERT_EQ(findMatches(h.desktop, window, "Memo", std::nullopt).size(), 2u);
    const Outcome outcome = h.run(args);
    EXPECT_EQ(json(outcome), R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"New"})");
    EXPECT_EQ(std::count(h.desktop.events.begin(), h.desktop.events.end(), "row.AXPress"), 1)
        << "the candidate with the button is the one kept";
  }
}

TEST(RunRename, TitlesOfAnyBytesGiveValidJson) {
  for (const std::string& title :
       {std::string("say \"hi\""), std::string("back\\slash"), std::string("two\nlines"),
        std::string("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"), std::string("\xF0\x9F\x8E\x99 memo"),
        std::string("bad \xFF\xC0 bytes"), std::string("ctl \x01\x7F")}) {
    SCOPED_TRACE(title);
    const std::string decoded = platform::text::toValidUtf8(title);
    Harness h;
    Recordings r(h);
    r.title->attributes["AXValue"] = decoded;
    r.row->attributes["AXDescription"] = decoded + ", today";
    const Outcome outcome = h.run({"--find", title, "--new-title", title});
    const auto line = encodeJson(*outcome.record);
    ASSERT_TRUE(line);
    const auto parsed = nlohmann::json::parse(*line);
    EXPECT_EQ(parsed.at("result"), "applied");
    EXPECT_EQ(parsed.at("valueAfter"), decoded);
    EXPECT_EQ(std::get<std::string>(r.title->attributes.at("AXValue")), decoded);
  }
}

}  // namespace
}  // namespace memotitler
