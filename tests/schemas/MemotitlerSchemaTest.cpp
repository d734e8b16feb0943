// memotitler's records hold to docs/schemas/memotitler.schema.json: the built
// program in a headless session, before and with the recorder test app on the
// accessibility bus, and the record shapes only the in-memory desktop reaches.
#include <gtest/gtest.h>

#include "Harness.h"
#include "JsonResult.h"
#include "SchemaCheck.h"
#include "platform/testing/HeadlessSession.h"

namespace {

using platform::testing::HeadlessSession;
using platform::testing::runProgram;
using Strings = std::vector<std::string>;

TEST(MemotitlerSchema, RecordsOfTheBuiltProgramOverTheBus) {
  HeadlessSession session;
  std::vector<std::string> records;
  const auto recordOf = [&](const Strings& arguments, auto options) {
    const auto run = runProgram(MEMOTITLER_BIN, arguments, options);
    EXPECT_EQ(run.err, "") << testing::PrintToString(arguments);
    records.push_back(run.out);
    return run.out;
  };
  auto noBus = session.runOptions();
  noBus.setEnv.emplace_back("DBUS_SESSION_BUS_ADDRESS",
                            "unix:path=" + (session.directory() / "missing").string());

  recordOf({"--session-check"}, session.runOptions());
  recordOf({"--find", "Memo"}, session.runOptions());
  recordOf({"--find", "Memo", "--new-title", "New"}, noBus);
  recordOf({"--skip-launch", "--find", "Memo", "--new-title", "New"}, session.runOptions());
  recordOf({"--skip-launch", "--prepare-offscreen"}, session.runOptions());

  session.start(RECORDER_BIN, {"--recording", "Memo", "today", "1:00", "--recording", "Twin",
                               "today", "0:10", "--recording", "Twin", "today", "0:20"});
  ASSERT_EQ(runProgram(AWAIT_BIN, {"com.apple.VoiceMemos", "20"}, session.runOptions()).status, 0);
  recordOf({"--find", "Memo", "--new-title", "Memo, edited"}, session.runOptions());
  recordOf({"--find", "Twin", "--new-title", "One twin"}, session.runOptions());
  recordOf({"--find", "Nobody", "--new-title", "Nothing"}, session.runOptions());
  recordOf({"--prepare-offscreen"}, session.runOptions());
  recordOf({"--restore-window"}, session.runOptions());

  std::string all;
  for (const auto& record : records) all += record;
  for (const char* word : {"ok", "failed", "not_authorized", "applied", "ambiguous", "not_found"}) {
    EXPECT_NE(all.find("\"result\":\"" + std::string(word) + "\""), std::string::npos) << word;
  }
  schemas::expectValid("memotitler", records);
}

TEST(MemotitlerSchema, RecordsOnlyTheInMemoryDesktopReaches) {
  using namespace platform::testing;
  using memotitler::testing::Harness;
  const auto record = [](const std::function<void(Harness&, const Node& app, const Node& title)>& setUp,
                         const Strings& arguments) {
    Harness h;
    const Node title = textField("title", "Memo", "Memo");
    const Node win = window("window", {scrollArea("scroller", {button("row", "Memo, today, 2:05", {title})})});
    const Node app = h.addVoiceMemos(win);
    setUp(h, app, title);
    const auto outcome = h.run(arguments);
    return outcome.record ? memotitler::encodeJson(*outcome.record).value_or("") : "";
  };
  const Strings rename = {"--find", "Memo", "--new-title", "New"};
  const std::vector<std::string> records = {
      // Taken only once the window is parked: hiddenWriteWorked false.
      record([](Harness&, const Node& app, const Node& title) {
               MemoryElement* application = app.get();  // no cycle through the tree
               title->acceptsWrite = [application](const std::string& attribute, const auto&) {
                 return attribute != "AXValue" ||
                        application->attributes["AXHidden"] == platform::accessibility::Value(false);
               };
             }, rename),
      // An unreadable field and an empty new title: applied without valueAfter.
      record([](Harness&, const Node&, const Node& title) { title->failingReads = {"AXValue"}; },
             {"--find", "Memo", "--new-title", ""}),
      record([](Harness&, const Node&, const Node& title) {
               title->acceptsWrite = [](const std::string& attribute, const auto&) { return attribute != "AXValue"; };
             }, rename),
      record([](Harness&, const Node& app, const Node&) { MemoryDesktop::dropWindows(app); }, rename),
      record([](Harness& h, const Node&, const Node&) { h.desktop.trusted = false; }, rename),
  };
  EXPECT_NE(records[0].find("\"hiddenWriteWorked\":false"), std::string::npos) << records[0];
  EXPECT_EQ(records[1].find("valueAfter"), std::string::npos) << records[1];
  schemas::expectValid("memotitler", records);
}

}  // namespace
