#include "platform/text/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace platform::text {
namespace {

TEST(ParseCDouble, AcceptsEveryStrtodForm) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"90", 90.0},      {"90.5", 90.5},      {"1e2", 100.0},   {"-3", -3.0},
      {".5", 0.5},       {"1e-1", 0.1},       {"-0.2", -0.2},   {"0x1p-4", 0.0625},
      {"+7", 7.0},       {"1E+2", 100.0},     {"5.", 5.0},
  };
  for (const auto& c : cases) {
    const auto parsed = parseCDouble(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.value) << c.text;
  }
  EXPECT_TRUE(std::isinf(*parseCDouble("inf")));
  EXPECT_TRUE(std::isinf(*parseCDouble("-Infinity")));
  EXPECT_TRUE(std::isnan(*parseCDouble("nan")));
  EXPECT_TRUE(std::isnan(*parseCDouble("NAN(123)")));
  EXPECT_TRUE(std::isinf(*parseCDouble("1e999"))) << "overflow reads as infinity";
}

TEST(ParseCDouble, RejectsLeftoversAndLeadingSpace) {
  for (const char* text : {"", " 1", "\t1", "\n1", "\v1", "\f1", "\r1", "1 ", "90s", "1:30",
                           "abc", "1e", "--1", "0x", "1,5", "+"}) {
    EXPECT_FALSE(parseCDouble(text).has_value()) << '"' << text << '"';
  }
  EXPECT_FALSE(parseCDouble(std::string_view("1\0" "2", 3)).has_value());
}

TEST(ParseDecimalInt64, TakesSignAndDigitsOnly) {
  EXPECT_EQ(parseDecimalInt64("007"), 7);
  EXPECT_EQ(parseDecimalInt64("+5"), 5);
  EXPECT_EQ(parseDecimalInt64("-12"), -12);
  EXPECT_EQ(parseDecimalInt64("0"), 0);
  EXPECT_EQ(parseDecimalInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parseDecimalInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* text : {"", "+", "-", "3.0", " 3", "3 ", "9223372036854775808",
                           "99999999999999999999", "+-5", "-+5", "0x10", "1e3"}) {
    EXPECT_FALSE(parseDecimalInt64(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace platform::text
