// The built memotitler against the recorder test app over a real
// accessibility bus, the app killed or told to quit while the run is in its
// search or its commit: the run still ends by itself with one record.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>

#include "platform/testing/HeadlessSession.h"

namespace {

using nlohmann::json;
using platform::testing::HeadlessSession;
using platform::testing::ProgramRun;
using platform::testing::runProgram;
using platform::testing::waitUntil;

TEST(GoneAwayOnTheBus, VoiceMemosQuittingMidRunLeavesOneRecord) {
  // The exit status each status word ends with.
  const std::map<std::string, int> statuses = {
      {"applied", 0}, {"ambiguous", 0}, {"not_found", 0}, {"failed", 1}, {"not_authorized", 1}};
  const struct {
    const char* when;
    const char* event;  // what the recorder reports just before it goes
    int signal;
  } cases[] = {
      {"killed in the search, at the first scroll", "scroll", SIGKILL},
      {"told to quit in the search, at the first scroll", "scroll", SIGTERM},
      {"killed in the commit, as the title field takes the focus", "focus Recording 120", SIGKILL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    HeadlessSession session;
    const auto report = session.directory() / "report.json";
    // Rows arrive 40 per scroll step: the last one after two steps.
    const pid_t app = session.start(RECORDER_BIN, {"--generate", "120", "--lazy", "40", "--report",
                                                   report.string()});
    ASSERT_EQ(runProgram(AWAIT_BIN, {"com.apple.VoiceMemos", "20"}, session.runOptions()).status, 0);

    auto options = session.runOptions();
    options.timeLimit = std::chrono::seconds(180);
    auto run = std::async(std::launch::async, [&] {
      return runProgram(MEMOTITLER_BIN, {"--find", "Recording 120", "--new-title", "Gone"}, options);
    });
    const bool seen = waitUntil(
        [&] {
          std::ifstream in(report);
          const json parsed = json::parse(in, nullptr, false);
          if (parsed.is_discarded()) return false;
          for (const auto& event : parsed.value("events", json::array())) {
            if (event == c.event) return true;
          }
          return false;
        },
        60);
    kill(app, c.signal);
    const ProgramRun result = run.get();
    session.stop();
    EXPECT_TRUE(seen) << "the recorder never reported " << c.event;

    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
    const json record = json::parse(result.out, nullptr, false);
    ASSERT_TRUE(record.is_object()) << result.out;
    const std::string word = record.value("result", "");
    ASSERT_TRUE(statuses.count(word)) << result.out;
    EXPECT_EQ(result.status, statuses.at(word)) << result.out;
    EXPECT_EQ(result.err, "");
  }
}

}  // namespace
