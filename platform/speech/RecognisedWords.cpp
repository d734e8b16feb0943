#include "RecognisedWords.h"

#include <algorithm>
#include <cmath>

namespace platform::speech {

std::optional<std::string> spokenWord(std::string_view token) {
  if (token.empty()) return std::nullopt;
  const auto enclosed = [&](std::string_view open, std::string_view close) {
    return token.size() >= open.size() + close.size() && token.starts_with(open) &&
           token.ends_with(close);
  };
  if (enclosed("<", ">") || enclosed("[", "]") || enclosed("++", "++")) return std::nullopt;
  // "word(2)": the second pronunciation of "word".
  if (token.back() == ')') {
    const auto open = token.rfind('(');
    if (open != std::string_view::npos && open > 0 && open + 2 < token.size() &&
        std::all_of(token.begin() + static_cast<long>(open) + 1, token.end() - 1,
                    [](char c) { return c >= '0' && c <= '9'; })) {
      token = token.substr(0, open);
    }
  }
  return std::string(token);
}

std::optional<Result> resultFromWords(const std::vector<RecognisedWord>& words,
                                      time::MediaTimeRange range, int sampleRate) {
  Result result;
  result.range = range;
  result.isFinal = true;
  for (const RecognisedWord& word : words) {
    const auto text = spokenWord(word.token);
    if (!text) continue;
    if (!result.text.runs.empty()) result.text.runs.push_back(Run{" ", std::nullopt, std::nullopt});
    Run run;
    run.text = *text;
    if (std::isfinite(word.posterior)) run.confidence = std::clamp(word.posterior, 0.0, 1.0);
    run.timeRange = time::MediaTimeRange{
        time::MediaTime::make(word.startSample, sampleRate),
        time::MediaTime::make(std::max<std::int64_t>(0, word.endSample - word.startSample),
                              sampleRate)};
    result.text.runs.push_back(std::move(run));
  }
  if (result.text.runs.empty()) return std::nullopt;
  return result;
}

}  // namespace platform::speech
