#include "WindowParking.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "Harness.h"

namespace memotitler {
namespace {

using platform::accessibility::Point;
using platform::testing::MemoryDesktop;
using platform::testing::Node;
using testing::Harness;
using testing::kVoiceMemosPid;

const std::string kOk = R"({"result":"ok")" "}";
const std::string kUnavailable = R"({"error":"VoiceMemos window not available","result":"failed"})";

std::string json(const Outcome& outcome) {
  return outcome.record ? encodeJson(*outcome.record).value_or("<unencodable>") : "<none>";
}

struct Parking {
  Harness h;
  Node win = platform::testing::window("window");
  Node app;
  Parking() {
    win->attributes["AXPosition"] = Point{100, 50};
    app = h.addVoiceMemos(win);
  }
  Point position() const { return std::get<Point>(win->attributes.at("AXPosition")); }
  std::filesystem::path stateFile() const { return h.stateDirectory.path() / "window.json"; }
};

TEST(WindowParking, ParkThenRestoreInALaterRun) {
  Parking p;
  const Outcome parked = p.h.run({"--prepare-offscreen"});
  EXPECT_EQ(json(parked), kOk);
  EXPECT_EQ(parked.status, 0);
  EXPECT_EQ(p.position(), (Point{3200, 2400}));
  struct stat st{};
  ASSERT_EQ(stat(p.stateFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A second park (or a visible rename) keeps the first saved place.
  EXPECT_EQ(json(p.h.run({"--prepare-offscreen", "--restore-window"})), kOk);

  // The next run is another process: it shares nothing but the state file.
  SavedWindowStore later(p.stateFile(), getuid());
  Services services{p.h.process, p.h.sleeper, p.h.desktop, p.h.desktop, later, getuid()};
  EXPECT_EQ(json(runMemotitler({"--restore-window"}, services)), kOk);
  EXPECT_EQ(p.position(), (Point{100, 50}));
  EXPECT_FALSE(std::filesystem::exists(p.stateFile()));

  // Nothing saved any more: a restore writes nothing.
  p.h.desktop.events.clear();
  EXPECT_EQ(json(p.h.run({"--restore-window"})), kOk);
  EXPECT_TRUE(p.h.desktop.events.empty());
  EXPECT_TRUE(p.h.sleeper.pauses.empty());
}

TEST(WindowParking, APlaceSavedForAnotherProcessIsDropped) {
  Parking p;
  ASSERT_TRUE(p.h.savedWindow.save({{7, 8}, kVoiceMemosPid + 1}));
  EXPECT_EQ(json(p.h.run({"--restore-window"})), kOk);
  EXPECT_TRUE(p.h.desktop.events.empty());
  EXPECT_FALSE(p.h.savedWindow.load());

  // A park saves over a stale place.
  ASSERT_TRUE(p.h.savedWindow.save({{7, 8}, kVoiceMemosPid + 1}));
  p.h.run({"--prepare-offscreen"});
  EXPECT_EQ(p.h.savedWindow.load(), (SavedWindow{{100, 50}, kVoiceMemosPid}));
}

TEST(WindowParking, AnUnreadablePositionStillParks) {
  Parking p;
  p.win->failingReads = {"AXPosition"};
  EXPECT_EQ(json(p.h.run({"--prepare-offscreen"})), kOk);
  EXPECT_EQ(p.h.desktop.events, std::vector<std::string>{"window.AXPosition = (3200, 2400)"});
  EXPECT_FALSE(p.h.savedWindow.load());
}

TEST(WindowParking, FailuresAndTheLaunch) {
  const std::string notAuthorized =
      "{\"error\":\"Accessibility permission required. System Settings \xE2\x86\x92 Privacy & "
      "Security \xE2\x86\x92 Accessibility.\",\"result\":\"not_authorized\"}";
  {
    Parking p;
    p.h.desktop.trusted = false;
    p.h.desktop.applications.clear();
    const Outcome outcome = p.h.run({"--prepare-offscreen"});
    EXPECT_EQ(json(outcome), notAuthorized);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(p.h.desktop.opens.empty());
    EXPECT_TRUE(p.h.process.calls.empty());
  }
  {
    Parking p;
    p.h.desktop.applications.clear();
    const Outcome outcome = p.h.run({"--restore-window", "--skip-launch"});
    EXPECT_EQ(json(outcome), kUnavailable);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(p.h.desktop.opens.empty());
    EXPECT_TRUE(p.h.process.calls.empty());
    EXPECT_TRUE(p.h.sleeper.pauses.empty());
  }
  {
    Parking p;
    MemoryDesktop::dropWindows(p.app);
    EXPECT_EQ(json(p.h.run({"--prepare-offscreen"})), kUnavailable);
    p.h.desktop.applicationElements.clear();
    EXPECT_EQ(json(p.h.run({"--prepare-offscreen"})), kUnavailable);
  }
  {
    // Not running: a launch that brings it up within its pause.
    Parking p;
    const auto running = p.h.desktop.applications;
    p.h.desktop.applications.clear();
    p.h.desktop.installed["com.apple.VoiceMemos"] = "/apps/VoiceMemos";
    p.h.desktop.onOpen = [&](const MemoryDesktop::Open&) { p.h.desktop.applications = running; };
    EXPECT_EQ(json(p.h.run({"--prepare-offscreen"})), kOk);
    EXPECT_EQ(p.h.desktop.opens,
              (std::vector<MemoryDesktop::Open>{{"/apps/VoiceMemos", {false, true, false}}}));
    EXPECT_EQ(p.h.sleeper.pauses, std::vector<double>{1.0});
    EXPECT_EQ(p.position(), (Point{3200, 2400}));
  }
}

}  // namespace
}  // namespace memotitler
