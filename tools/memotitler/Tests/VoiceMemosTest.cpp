#include "VoiceMemos.h"

#include <gtest/gtest.h>

#include "Harness.h"

namespace memotitler {
namespace {

using platform::workspace::RunningApplication;
using testing::Harness;

TEST(VoiceMemosPid, FirstMatchingApplicationInWorkspaceOrder) {
  const struct {
    std::vector<RunningApplication> running;
    std::optional<std::int32_t> pid;
  } cases[] = {
      {{{"com.apple.Safari", "Safari", 1}, {"com.apple.VoiceMemos", "Voice Memos", 2}}, 2},
      {{{"org.example.voice-memos.app", "Recorder", 3}}, 3},
      {{{std::nullopt, "Voice Memos", 4}}, 4},
      {{{"com.apple.voicememos", "Recorder", 5}}, std::nullopt},
      {{{"com.apple.VoiceMemosX", "voice memos", 6}}, std::nullopt},
      {{{std::nullopt, std::nullopt, 7}}, std::nullopt},
      {{{"x.voice-memos", "A", 8}, {"com.apple.VoiceMemos", "Voice Memos", 9}}, 8},
      {{}, std::nullopt},
  };
  for (const auto& c : cases) {
    Harness h;
    h.desktop.applications = c.running;
    EXPECT_EQ(voiceMemosPid(h.desktop), c.pid);
  }
}

TEST(LaunchVoiceMemos, ThroughTheWorkspaceElseTheOpenToolQuietly) {
  {
    Harness h;
    h.desktop.installed["com.apple.VoiceMemos"] = "/Applications/VoiceMemos.app";
    launchVoiceMemosHidden(h.services);
    ASSERT_EQ(h.desktop.opens.size(), 1u);
    EXPECT_EQ(h.desktop.opens[0].location, "/Applications/VoiceMemos.app");
    EXPECT_EQ(h.desktop.opens[0].configuration,
              (platform::workspace::OpenConfiguration{
                  .activates = false, .hides = true, .createsNewApplicationInstance = false}));
    EXPECT_TRUE(h.process.calls.empty());
    EXPECT_EQ(h.sleeper.pauses, std::vector<double>{1.0});
  }
  for (const bool openStarts : {true, false}) {
    Harness h;
    if (openStarts) h.process.script("/usr/bin/open", 1);
    launchVoiceMemosHidden(h.services);
    EXPECT_TRUE(h.desktop.opens.empty());
    ASSERT_EQ(h.process.calls.size(), 1u);
    EXPECT_EQ(h.process.calls[0].program, "/usr/bin/open");
    EXPECT_EQ(h.process.calls[0].arguments, (std::vector<std::string>{"-gj", "-a", "VoiceMemos"}));
    EXPECT_EQ(h.process.calls[0].streams, platform::process::StandardStreams::Discard);
    EXPECT_EQ(h.sleeper.pauses, std::vector<double>{1.0});
  }
}

TEST(FindOrLaunchVoiceMemos, LaunchesOnlyWhatIsNotRunningAndNotWhenTold) {
  {
    Harness h;
    h.desktop.applications = {{"com.apple.VoiceMemos", "Voice Memos", 10}};
    EXPECT_EQ(findOrLaunchVoiceMemos(h.services, false), 10);
    EXPECT_TRUE(h.sleeper.pauses.empty());
    EXPECT_TRUE(h.process.calls.empty());
  }
  {
    Harness h;
    EXPECT_EQ(findOrLaunchVoiceMemos(h.services, true), std::nullopt);
    EXPECT_TRUE(h.sleeper.pauses.empty());
    EXPECT_TRUE(h.process.calls.empty());
  }
  {
    // A launch that does not bring it up within the pause.
    Harness h;
    EXPECT_EQ(findOrLaunchVoiceMemos(h.services, false), std::nullopt);
    EXPECT_EQ(h.process.calls.size(), 1u);
  }
}

}  // namespace
}  // namespace memotitler
