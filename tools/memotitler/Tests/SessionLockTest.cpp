#include "SessionLock.h"

#include <gtest/gtest.h>

#include "platform/testing/FakeProcessLauncher.h"

namespace memotitler {
namespace {

using platform::testing::FakeProcessLauncher;

TEST(IsSessionLocked, ReadsTheIoregFlag) {
  const struct {
    int status;
    std::string output;
    bool locked;
  } cases[] = {
      {0, R"(  | "CGSSessionScreenIsLocked"=Yes)", true},
      {0, R"("CGSSessionScreenIsLocked"=No)", false},
      {0, R"("CGSSessionScreenIsLocked" = Yes)", false},
      {0, "+-o IOConsoleUsers\n", false},
      {0, "", false},
      {0, R"("CGSSessionScreenIsLocked"=No "CGSSessionScreenIsLocked"=Yes)", true},
      {0, R"("CGSSessionScreenIsLocked"=yes)", false},
      {1, R"("CGSSessionScreenIsLocked"=Yes)", true},
      {0, "\xFF\"CGSSessionScreenIsLocked\"=Yes", false},
  };
  for (const auto& c : cases) {
    FakeProcessLauncher launcher;
    launcher.script("/usr/sbin/ioreg", c.status, c.output);
    EXPECT_EQ(isSessionLocked(launcher, 1000), c.locked) << c.output;
    ASSERT_EQ(launcher.calls.size(), 1u) << "ioreg answered: logind is not asked";
    EXPECT_EQ(launcher.calls[0].arguments,
              (std::vector<std::string>{"-n", "IOConsoleUsers", "-r", "-k", "CGSSessionScreenIsLocked"}));
    EXPECT_EQ(launcher.calls[0].errors, platform::process::ErrorStream::Inherit);
  }
}

TEST(IsSessionLocked, AsksLogindWhereThereIsNoIoreg) {
  FakeProcessLauncher nothing;
  EXPECT_FALSE(isSessionLocked(nothing, 1000));

  const std::string loginctl = "/usr/bin/loginctl";
  FakeProcessLauncher locked;
  locked.scriptCall(loginctl, {"show-user", "1000", "-p", "Display", "--value"}, 0, "\n");
  locked.scriptCall(loginctl, {"list-sessions", "--no-legend"}, 0,
                    "c1 1001 bob seat0\n  4 1000 me - pts/1\n  7 1000 me seat0 tty2\n");
  locked.scriptCall(loginctl, {"show-session", "4", "-p", "Type", "--value"}, 0, "tty\n");
  locked.scriptCall(loginctl, {"show-session", "7", "-p", "Type", "--value"}, 0, "wayland\n");
  locked.scriptCall(loginctl, {"show-session", "7", "-p", "LockedHint", "--value"}, 0, "yes\n");
  EXPECT_TRUE(isSessionLocked(locked, 1000));
  for (const auto& call : locked.calls) {
    if (call.program == loginctl) {
      EXPECT_EQ(call.errors, platform::process::ErrorStream::Discard);
    }
  }

  FakeProcessLauncher viaDisplay;
  viaDisplay.scriptCall(loginctl, {"show-user", "1000", "-p", "Display", "--value"}, 0, "2\n");
  viaDisplay.scriptCall(loginctl, {"show-session", "2", "-p", "LockedHint", "--value"}, 0, "yes\n");
  EXPECT_TRUE(isSessionLocked(viaDisplay, 1000));

  FakeProcessLauncher unlocked;
  unlocked.script(loginctl, 0, "no\n");
  EXPECT_FALSE(isSessionLocked(unlocked, 1000));

  FakeProcessLauncher failing;
  failing.script(loginctl, 1, "yes\n");
  EXPECT_FALSE(isSessionLocked(failing, 1000));
}

}  // namespace
}  // namespace memotitler
