// hearmark's run fed arbitrary label identifiers and confidences through a
// scripted classifier: the output is one JSON array whose rows keep the
// floor and top limits and only known labels, or the failure (status 1,
// nothing on standard output, one line on standard error).
#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <set>

#include "FuzzInput.h"
#include "Run.h"
#include "platform/testing/MemoryAudioSource.h"
#include "platform/testing/ScriptedClassifier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const double floor = input.ConsumeProbability<double>();
  const auto top = input.ConsumeIntegralInRange<int>(0, 5);
  std::vector<std::string> labels(input.ConsumeIntegralInRange<std::size_t>(1, 4));
  for (std::string& label : labels) label = input.ConsumeRandomLengthString(24);
  std::vector<float> confidences;
  for (int i = 0; i < 3 * 4; ++i) confidences.push_back(input.ConsumeProbability<float>());
  const auto halves = input.ConsumeIntegralInRange<int>(0, 5);

  const auto classifier = std::make_shared<platform::testing::ScriptedClassifier>(
      labels, [&](std::span<const float> window) {
        // Each window is told by its first sample, the half second it starts in.
        const std::size_t k = window.empty() ? 0 : std::size_t(window.front()) % 3;
        std::vector<float> out;
        for (std::size_t i = 0; i < labels.size(); ++i) out.push_back(confidences[k * 4 + i]);
        return out;
      });
  platform::sound::ClassifierCatalog catalog;
  catalog.add("version1", classifier);
  std::vector<float> samples;
  for (int k = 0; k < halves; ++k) samples.insert(samples.end(), 8000, float(k));
  const hearmark::Services services{
      catalog,
      [&](const std::string&, int rate) {
        return platform::audio::OpenResult{
            std::make_unique<platform::testing::MemoryAudioSource>(samples, rate), ""};
      },
      1,
  };
  const hearmark::Outcome outcome = hearmark::runHearmark(
      {"/", "--floor", std::to_string(floor), "--top", std::to_string(top)}, services);

  if (outcome.status != 0) {
    fuzz::check(outcome.status == 1 && outcome.out.empty(), "a failure writes no output");
    fuzz::check(outcome.err.rfind("Error: ", 0) == 0 &&
                    outcome.err.find('\n') == outcome.err.size() - 1,
                "a failure is one error line");
    return 0;
  }
  fuzz::check(outcome.err.empty() && !outcome.out.empty() && outcome.out.back() == '\n',
              "a document and its newline");
  const nlohmann::json rows = nlohmann::json::parse(outcome.out);
  fuzz::check(rows.is_array(), "an array");
  fuzz::check(rows.dump(2) + "\n" == outcome.out, "printed as the whole array with an indent of two");
  const std::set<std::string> known(labels.begin(), labels.end());
  for (const auto& row : rows) {
    fuzz::check(row.size() == 2 && row.at("time").is_number(), "rows of time and labels");
    fuzz::check(row.at("labels").size() <= std::size_t(top), "at most top labels");
    for (const auto& [label, confidence] : row.at("labels").items()) {
      fuzz::check(known.count(label) == 1, "only known labels");
      fuzz::check(confidence.get<double>() >= std::stod(std::to_string(floor)), "none below the floor");
    }
  }
  return 0;
}
