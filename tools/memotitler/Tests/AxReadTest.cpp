#include "AxRead.h"

#include <gtest/gtest.h>

#include "platform/testing/MemoryDesktop.h"

namespace memotitler {
namespace {

using namespace platform::testing;
using platform::accessibility::Point;
using platform::accessibility::Value;

TEST(AxCopy, AValueOfAnotherKindOrAFailedReadIsAbsent) {
  MemoryDesktop desktop;
  Node app = desktop.addApplication({"x", "x", 1}, {window("w")});
  app->attributes = {{"point", Point{1, 2}},       {"text", std::string("t")},
                     {"empty", std::monostate{}}, {"flag", true}};
  const auto e = desktop.applicationElement(1);
  EXPECT_EQ(axCopyPoint(desktop, e, "point"), (Point{1, 2}));
  EXPECT_EQ(axCopyString(desktop, e, "text"), "t");
  EXPECT_EQ(axCopyArray(desktop, e, "AXWindows").size(), 1u);
  for (const char* attribute : {"text", "empty", "flag", "missing"}) {
    EXPECT_EQ(axCopyPoint(desktop, e, attribute), std::nullopt) << attribute;
  }
  for (const char* attribute : {"point", "empty", "flag", "missing"}) {
    EXPECT_EQ(axCopyString(desktop, e, attribute), std::nullopt) << attribute;
    EXPECT_TRUE(axCopyArray(desktop, e, attribute).empty()) << attribute;
  }
  app->failingReads = {"*"};
  EXPECT_TRUE(axCopyArray(desktop, e, "AXWindows").empty());
  EXPECT_EQ(axCopyString(desktop, e, "text"), std::nullopt);
}

}  // namespace
}  // namespace memotitler
