#include "platform/text/Compare.h"

#include <gtest/gtest.h>

namespace platform::text {
namespace {

const std::string kPrecomposed = "Caf\xC3\xA9";   // é as one code point
const std::string kDecomposed = "Cafe\xCC\x81";   // e + combining acute

TEST(CanonicalCompare, EqualityAndPrefixFollowCanonicalEquivalence) {
  EXPECT_TRUE(canonicallyEqual(kPrecomposed, kDecomposed));
  EXPECT_FALSE(canonicallyEqual("Memo", "memo"));
  EXPECT_FALSE(canonicallyEqual("Memo", "Memo "));
  EXPECT_FALSE(canonicallyEqual("Cafe", kPrecomposed));

  EXPECT_TRUE(canonicallyStartsWith(kPrecomposed + ", today", kDecomposed + ","));
  EXPECT_TRUE(canonicallyStartsWith(kDecomposed + ", today", kPrecomposed + ","));
  EXPECT_TRUE(canonicallyStartsWith("Memo", "Memo"));
  EXPECT_FALSE(canonicallyStartsWith("Memo", "Memo,"));
  // The accent belongs to the last letter: "Cafe" does not begin "Café".
  EXPECT_FALSE(canonicallyStartsWith(kPrecomposed, "Cafe"));
  // Nor does a Hangul syllable begin with the syllable it extends.
  EXPECT_FALSE(canonicallyStartsWith("\xEA\xB0\x81", "\xEA\xB0\x80"));  // 각 / 가
}

TEST(CanonicalCompare, CaseInsensitiveContainsFoldsCase) {
  EXPECT_TRUE(containsIgnoringCase("Memo, 120 SECONDS", "120 seconds"));
  EXPECT_TRUE(containsIgnoringCase("120 Sec", "120 sec"));
  EXPECT_TRUE(containsIgnoringCase("STRASSE", "stra\xC3\x9F" "e"));  // ß folds to ss
  EXPECT_TRUE(containsIgnoringCase("x " + kDecomposed, "caf\xC3\xA9"));
  EXPECT_FALSE(containsIgnoringCase("12 sec", "120 sec"));
  EXPECT_TRUE(containsIgnoringCase("anything", ""));
  // Ill-formed bytes read as U+FFFD and never crash.
  EXPECT_TRUE(containsIgnoringCase("\xFF" "ab", "AB"));
}

}  // namespace
}  // namespace platform::text
