// The built memotitler against the recorder test app over a real
// accessibility bus: each test runs in a private headless session of its own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/testing/HeadlessSession.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::testing::HeadlessSession;
using platform::testing::ProgramRun;
using platform::testing::runProgram;
using platform::testing::waitUntil;
using Strings = std::vector<std::string>;

constexpr double kAppStartSeconds = 20;
const std::string kVoiceMemosId = "com.apple.VoiceMemos";

class MemotitlerOnTheBus : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<HeadlessSession>();
    reportFile_ = session_->directory() / "report.json";
  }
  void TearDown() override { session_->stop(); }

  // The recorder's options that make it keep the report file up to date.
  Strings withReport(Strings options) const {
    options.insert(options.end(), {"--report", reportFile_.string()});
    return options;
  }

  // Starts the recorder and waits until it is on the accessibility bus and,
  // unless told otherwise, shows its window.
  void startRecorder(const Strings& options, bool waitForWindow = true) {
    session_->start(RECORDER_BIN, withReport(options));
    ASSERT_TRUE(awaitOnBus(kVoiceMemosId)) << "the recorder did not join the accessibility bus";
    if (waitForWindow) {
      ASSERT_TRUE(waitUntil([&] { return report().contains("position"); }, kAppStartSeconds));
    }
  }

  bool awaitOnBus(const std::string& id) {
    const auto run = runProgram(AWAIT_BIN, {id, std::to_string(kAppStartSeconds)},
                                session_->runOptions());
    return run.status == 0;
  }

  // Runs memotitler in the session. Whatever the outcome, it writes nothing
  // on standard error: GLib and the bus must not leak messages there.
  ProgramRun memotitler(const Strings& arguments) {
    auto run = runProgram(MEMOTITLER_BIN, arguments, session_->runOptions());
    EXPECT_EQ(run.err, "") << ::testing::PrintToString(arguments);
    return run;
  }

  json report() const {
    std::ifstream in(reportFile_);
    const json parsed = json::parse(in, nullptr, false);
    return parsed.is_discarded() ? json::object() : parsed;
  }

  // The scroll steps among the events from `first` on, up to the first time
  // a title field got the focus (focusing a field scrolls it into view).
  int scrollsBeforeEditing(std::size_t first) const {
    const json events = report().value("events", json::array());
    int scrolls = 0;
    for (std::size_t i = first; i < events.size(); ++i) {
      const std::string event = events[i];
      if (event.starts_with("focus ")) break;
      if (event == "scroll") ++scrolls;
    }
    return scrolls;
  }

  // Position reports arrive from the X server a moment after a move.
  bool reportsPosition(int x, int y) {
    return waitUntil([&] { return report().value("position", json()) == json{x, y}; }, 5);
  }

  std::unique_ptr<HeadlessSession> session_;
  fs::path reportFile_;
};

TEST_F(MemotitlerOnTheBus, RenamesAVisibleRowWithTheApplicationHidden) {
  startRecorder({"--recording", "Memo A", "today", "1:30", "--recording", "Memo B", "yesterday",
                 "2:05", "--position", "100", "80"});
  const auto run = memotitler({"--find", "Memo B", "--new-title", "Memo B, edited"});
  EXPECT_EQ(run.out,
            R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"Memo B, edited"})" "\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(report()["titles"], json({"Memo A", "Memo B, edited"}));
  EXPECT_EQ(report()["position"], json({100, 80}));  // a hidden write never moves the window
}

TEST_F(MemotitlerOnTheBus, FindsARowThatAppearsOnlyAfterScrolling) {
  // Ten rows at first and ten more per scroll step: row 25 arrives with the
  // second step.
  startRecorder({"--generate", "40", "--lazy", "10"});
  const std::size_t first = report()["events"].size();  // after the window's own first focus
  const auto run = memotitler({"--find", "Recording 25", "--new-title", "Found"});
  EXPECT_EQ(run.out, R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"Found"})" "\n");
  EXPECT_EQ(scrollsBeforeEditing(first), 2);
  EXPECT_EQ(report()["titles"][24], "Found");
}

TEST_F(MemotitlerOnTheBus, SearchOutcomes) {
  Strings options{"--recording", "Twin", "today", "10 sec", "--recording", "Twin", "today",
                  "20 sec", "--recording", "Memo", "today", "45 seconds", "--recording", "Memo",
                  "today", "90 seconds", "--generate", "60"};
  startRecorder(options);
  struct Case {
    Strings arguments;
    std::string out;
    int status;
    int scrolls;  // scroll steps this run takes
  };
  const std::vector<Case> cases = {
      {{"--find", "Twin", "--new-title", "x"},
       R"({"error":"multiple rows matched","result":"ambiguous"})" "\n", 0, 0},
      {{"--find", "Nobody", "--new-title", "x", "--duration", "90"},
       R"({"error":"recording not found in UI","result":"not_found"})" "\n", 0, 8},
      {{"--find", "Memo", "--new-title", "Memo 90", "--duration", "90"},
       R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"Memo 90"})" "\n", 0, 0},
  };
  for (const auto& c : cases) {
    const std::size_t first = report()["events"].size();
    const auto run = memotitler(c.arguments);
    EXPECT_EQ(run.out, c.out) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(scrollsBeforeEditing(first), c.scrolls);
  }
  const json titles = report()["titles"];
  EXPECT_EQ(Strings(titles.begin(), titles.begin() + 4),
            (Strings{"Twin", "Twin", "Memo", "Memo 90"}));
}

TEST_F(MemotitlerOnTheBus, AFieldThatIgnoresEditsFailsWithTheWindowParked) {
  startRecorder({"--recording", "Memo", "today", "1:00", "--stubborn"});
  const auto run = memotitler({"--find", "Memo", "--new-title", "New"});
  EXPECT_EQ(run.out, R"({"error":"AX value write did not stick","result":"failed"})" "\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(reportsPosition(3200, 2400));
  EXPECT_EQ(report()["titles"], json({"Memo"}));
}

TEST_F(MemotitlerOnTheBus, ParksTheWindowAndALaterRunRestoresIt) {
  startRecorder({"--recording", "Memo", "today", "1:00", "--position", "120", "90"});
  const auto park = memotitler({"--prepare-offscreen"});
  EXPECT_EQ(park.out, R"({"result":"ok"})" "\n");
  EXPECT_EQ(park.status, 0);
  EXPECT_TRUE(reportsPosition(3200, 2400));
  const auto restore = memotitler({"--restore-window"});
  EXPECT_EQ(restore.out, R"({"result":"ok"})" "\n");
  EXPECT_EQ(restore.status, 0);
  EXPECT_TRUE(reportsPosition(120, 90));
}

TEST_F(MemotitlerOnTheBus, WaitsForAWindowThatComesLate) {
  startRecorder({"--recording", "Memo", "today", "1:00", "--window-delay", "0.6"},
                /*waitForWindow=*/false);
  const auto run = memotitler({"--find", "Memo", "--new-title", "Late"});
  EXPECT_EQ(run.out, R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"Late"})" "\n");
}

class MemotitlerLaunch : public MemotitlerOnTheBus {
 protected:
  // Installs the recorder's desktop entry into the session's data directory.
  void installRecorder(const Strings& options) {
    Strings arguments = withReport(options);
    arguments.insert(arguments.end(), {"--install-desktop-entry", session_->dataHome().string()});
    ASSERT_EQ(runProgram(RECORDER_BIN, arguments).status, 0);
  }
};

TEST_F(MemotitlerLaunch, SkipLaunchWithTheAppNotRunning) {
  installRecorder({"--recording", "Memo", "today", "1:00"});
  const auto run = memotitler({"--skip-launch", "--find", "Memo", "--new-title", "New"});
  EXPECT_EQ(run.out, R"({"error":"VoiceMemos process not found","result":"failed"})" "\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(fs::exists(reportFile_));  // nothing was started
}

TEST_F(MemotitlerLaunch, StartsTheAppFromItsDesktopEntry) {
  // The recording's title holds characters that the Exec quoting must carry.
  installRecorder({"--recording", "Memo \"50%\" $HOME", "today", "1:00"});
  const auto run = memotitler({"--find", "Memo \"50%\" $HOME", "--new-title", "Launched"});
  EXPECT_EQ(run.out,
            R"({"hiddenWriteWorked":true,"result":"applied","valueAfter":"Launched"})" "\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(report()["titles"], json({"Launched"}));
}

// A unix socket that accepts connections and never says a word.
class SilentSocket {
 public:
  explicit SilentSocket(const fs::path& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 8);
  }
  ~SilentSocket() { close(fd_); }

 private:
  int fd_;
};

TEST_F(MemotitlerOnTheBus, WithoutAReachableAccessibilityBusItIsNotAuthorizedPromptly) {
  const std::string notAuthorized =
      R"({"error":"Accessibility permission required. System Settings → Privacy & Security → )"
      R"(Accessibility.","result":"not_authorized"})" "\n";
  const fs::path silent = session_->directory() / "silent";
  SilentSocket socket(silent);
  const std::string missing = "unix:path=" + (session_->directory() / "missing").string();
  const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> cases = {
      {"session bus gone", {{"DBUS_SESSION_BUS_ADDRESS", missing}}},
      {"accessibility bus gone", {{"AT_SPI_BUS_ADDRESS", missing}}},
      {"session bus silent", {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + silent.string()}}},
      {"accessibility bus silent", {{"AT_SPI_BUS_ADDRESS", "unix:path=" + silent.string()}}},
  };
  for (const auto& [name, variables] : cases) {
    auto options = session_->runOptions();
    for (const auto& variable : variables) options.setEnv.push_back(variable);
    const auto started = std::chrono::steady_clock::now();
    const auto run = runProgram(MEMOTITLER_BIN, {"--find", "a", "--new-title", "b"}, options);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(run.out, notAuthorized) << name;
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.err, "") << name;
    EXPECT_LT(took.count(), 6.0) << name;
  }
}

}  // namespace
