// Transcript texts the JSON writer must carry intact: quotes, backslashes,
// line breaks, control characters and a megabyte of text come back the same
// from the line written; text that is not UTF-8 gives the encoding failure and
// no output at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "Document.h"

namespace voxtext {
namespace {

using platform::speech::Result;
using platform::time::MediaTime;

Result spoken(const std::string& word) {
  Result result;
  result.range = {MediaTime::make(0, 1), MediaTime::make(2, 1)};
  result.text.runs.push_back({word, 0.9, platform::time::MediaTimeRange{MediaTime::make(0, 1),
                                                                         MediaTime::make(1, 1)}});
  return result;
}

std::string written(const nlohmann::json& document, std::optional<Failure>& failure) {
  std::FILE* out = std::tmpfile();
  failure = emit(document, out);
  std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  return text;
}

TEST(HostileText, EveryTextComesBackFromTheLineWritten) {
  std::string megabyte;
  while (megabyte.size() < (1u << 20)) megabyte += "\"quoted\" \\ back\x01\x1f\x7f caf\xc3\xa9 \xf0\x9f\x8e\x99 ";
  megabyte += "end";
  for (const std::string& word : {std::string("say \"hi\""), std::string("C:\\memos\\"),
                                  std::string("ctl\x01\x02\x1b[0m"), std::string("line\xe2\x80\xa8sep"),
                                  megabyte}) {
    SCOPED_TRACE(word.substr(0, 40));
    std::optional<Failure> failure;
    const std::string text =
        written(output({spoken(word)}, "en-US", [] { return std::string("24A\"335"); }), failure);
    ASSERT_FALSE(failure);
    ASSERT_EQ(text.back(), '\n');
    ASSERT_EQ(text.find('\n'), text.size() - 1) << "one line";
    const auto back = nlohmann::json::parse(text);
    EXPECT_EQ(back["results"][0]["words"][0]["text"], word);
    EXPECT_EQ(back["text"], word);
    EXPECT_EQ(back["macOSBuild"], "24A\"335");
  }
}

TEST(HostileText, TextThatIsNotUtf8WritesNothing) {
  for (const std::string& word : {std::string("bad \xff byte"), std::string("cut \xe2\x82"),
                                  std::string("overlong \xc0\xaf"), std::string("surrogate \xed\xa0\x80")}) {
    std::optional<Failure> failure;
    EXPECT_EQ(written(output({spoken(word)}, "en-US", [] { return std::string("1"); }), failure), "");
    EXPECT_EQ(failure, (Failure{"Could not encode the transcript as JSON", 1}));
  }
}

}  // namespace
}  // namespace voxtext
