#include "JsonResult.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "VoiceMemos.h"

namespace memotitler {
namespace {

TEST(EncodeJson, SortedCompactAndOnlyPresentFields) {
  EXPECT_EQ(encodeJson({.result = "ok"}), R"({"result":"ok"})");
  EXPECT_EQ(encodeJson({.result = "ok", .locked = false}), R"({"locked":false,"result":"ok"})");
  EXPECT_EQ(encodeJson({.result = "ok", .locked = true}), R"({"locked":true,"result":"ok"})");
  EXPECT_EQ(encodeJson({.result = "ambiguous", .error = "multiple rows matched"}),
            R"({"error":"multiple rows matched","result":"ambiguous"})");
  EXPECT_EQ(encodeJson({.result = "applied", .valueAfter = "New", .hiddenWriteWorked = false}),
            R"({"hiddenWriteWorked":false,"result":"applied","valueAfter":"New"})");
}

TEST(EncodeJson, NotAuthorizedLine) {
  const std::string expected =
      "{\"error\":\"Accessibility permission required. System Settings \xE2\x86\x92 Privacy & "
      "Security \xE2\x86\x92 Accessibility.\",\"result\":\"not_authorized\"}";
  EXPECT_EQ(encodeJson(notAuthorizedRecord()), expected);
  EXPECT_EQ(std::string(kNotAuthorizedMessage).size(), 92u);
}

TEST(EncodeJson, TitlesRoundTrip) {
  for (const std::string title : {"quote \" and \\ backslash", "line\nbreak\ttab\x01", "caf\xC3\xA9",
                                  "\xF0\x9F\x8E\x99 memo", "/solidus"}) {
    const auto text = encodeJson({.result = "applied", .valueAfter = title});
    ASSERT_TRUE(text);
    EXPECT_EQ(text->find('\n'), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(*text)["valueAfter"], title);
  }
}

TEST(EncodeJson, InvalidUtf8WritesNothing) {
  EXPECT_FALSE(encodeJson({.result = "applied", .valueAfter = "bad\xFF"}));
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  printJson({.result = "applied", .valueAfter = "bad\xFF"}, out);
  printJson({.result = "ok"}, out);
  std::fclose(out);
  EXPECT_EQ(std::string(buffer, size), "{\"result\":\"ok\"}\n");
  std::free(buffer);
}

}  // namespace
}  // namespace memotitler
