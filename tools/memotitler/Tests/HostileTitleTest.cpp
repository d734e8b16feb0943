// Titles the host passes through unchanged: quotes, backslashes, line breaks,
// control characters, characters outside ASCII and a megabyte of text are
// found, written and reported back exactly.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Harness.h"

namespace memotitler {
namespace {

using namespace platform::testing;
using testing::Harness;

TEST(HostileTitle, EveryTitleIsFoundWrittenAndReportedExactly) {
  std::string megabyte;
  while (megabyte.size() < (1u << 20)) megabyte += "memo \"x\" \\ \x01 \xc3\xa9 ";
  const std::string titles[] = {"say \"hi\"", "C:\\memos\\", "two\nlines", "ctl\x01\x1b[0m\x7f",
                                "\xe2\x80\xa8 \xf0\x9f\x8e\x99", "  padded  ", megabyte};
  for (const std::string& title : titles) {
    SCOPED_TRACE(title.substr(0, 40));
    Harness h;
    const Node field = textField("title", title, title);
    h.addVoiceMemos(window("window", {button("row", title + ", today, 0:05", {field})}));
    const std::string renamed = title + " (renamed)";
    const Outcome outcome = h.run({"--find", title, "--new-title", renamed, "--duration", "5"});
    ASSERT_TRUE(outcome.record);
    const auto line = encodeJson(*outcome.record);
    ASSERT_TRUE(line);
    const auto back = nlohmann::json::parse(*line);
    EXPECT_EQ(back["result"], "applied");
    EXPECT_EQ(back["valueAfter"], renamed);
    EXPECT_EQ(std::get<std::string>(field->attributes.at("AXValue")), renamed);
  }
}

}  // namespace
}  // namespace memotitler
