#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

namespace platform::text {
namespace {

TEST(Utf8, ValidatesAndRepairs) {
  const struct {
    std::string bytes;
    bool valid;
    std::string repaired;
  } cases[] = {
      {"", true, ""},
      {"plain", true, "plain"},
      {"caf\xC3\xA9 \xF0\x9F\x8E\x99", true, "caf\xC3\xA9 \xF0\x9F\x8E\x99"},
      {"a\xFF" "b", false, "a\xEF\xBF\xBD" "b"},
      {"\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},              // overlong '/'
      {"\xED\xA0\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
      {"end\xE2\x82", false, "end\xEF\xBF\xBD"},                     // truncated sequence
      {std::string("nul\0inside", 10), true, std::string("nul\0inside", 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(toValidUtf8(c.bytes), c.repaired) << c.bytes;
    EXPECT_TRUE(isValidUtf8(toValidUtf8(c.bytes)));
  }
}

}  // namespace
}  // namespace platform::text
