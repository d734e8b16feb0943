// Word error rate of a transcript against the text that was spoken.
//   voxtext_wer REFERENCE.txt HYPOTHESIS
// HYPOTHESIS is voxtext's JSON document (its "text" is compared) or plain
// text. Words are compared in lower case without punctuation. Prints
// "wer=0.0561 errors=50 words=896 (substitutions=.. deletions=.. insertions=..)".
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> wordsOf(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text + " ") {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '\'') {
      word += static_cast<char>(std::tolower(u));
    } else if (std::isspace(u) || c == '-') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    }
  }
  return words;
}

std::string slurp(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: voxtext_wer REFERENCE HYPOTHESIS\n");
    return 2;
  }
  std::string hypothesis = slurp(argv[2]);
  if (hypothesis.find_first_not_of(" \n") != std::string::npos &&
      hypothesis[hypothesis.find_first_not_of(" \n")] == '{') {
    hypothesis = nlohmann::json::parse(hypothesis).at("text").get<std::string>();
  }
  const auto ref = wordsOf(slurp(argv[1]));
  const auto hyp = wordsOf(hypothesis);

  // Levenshtein distance over words, keeping the kind of each step.
  struct Cell {
    int cost, subs, dels, ins;
  };
  std::vector<std::vector<Cell>> d(ref.size() + 1, std::vector<Cell>(hyp.size() + 1));
  for (std::size_t i = 0; i <= ref.size(); ++i) d[i][0] = {int(i), 0, int(i), 0};
  for (std::size_t j = 0; j <= hyp.size(); ++j) d[0][j] = {int(j), 0, 0, int(j)};
  for (std::size_t i = 1; i <= ref.size(); ++i) {
    for (std::size_t j = 1; j <= hyp.size(); ++j) {
      const bool same = ref[i - 1] == hyp[j - 1];
      Cell best = d[i - 1][j - 1];
      best.cost += same ? 0 : 1;
      best.subs += same ? 0 : 1;
      if (d[i - 1][j].cost + 1 < best.cost) {
        best = d[i - 1][j];
        best.cost += 1;
        best.dels += 1;
      }
      if (d[i][j - 1].cost + 1 < best.cost) {
        best = d[i][j - 1];
        best.cost += 1;
        best.ins += 1;
      }
      d[i][j] = best;
    }
  }
  const Cell& end = d[ref.size()][hyp.size()];
  std::printf("wer=%.4f errors=%d words=%zu (substitutions=%d deletions=%d insertions=%d)\n",
              ref.empty() ? 0.0 : double(end.cost) / double(ref.size()), end.cost, ref.size(),
              end.subs, end.dels, end.ins);
  return 0;
}
