#include "Run.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <semaphore>

#include <nlohmann/json.hpp>

#include "Collector.h"
#include "Config.h"
#include "platform/sound/ClassifySoundRequest.h"

namespace hearmark {
namespace {

namespace sound = platform::sound;

Outcome failure(const std::string& message, int status = 1) { return {"", message + "\n", status}; }

bool existsAt(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

// The rows as a pretty-printed JSON array, or why they cannot be written.
// Written row by row, as the whole array would print with an indent of two,
// so no second copy of every row is held as a JSON tree.
Outcome jsonDocument(const std::vector<Row>& rows) {
  std::string text = "[";
  try {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      nlohmann::json labels = nlohmann::json::object();
      for (const auto& [identifier, confidence] : rows[i].labels) labels[identifier] = confidence;
      const nlohmann::json row = {{"time", rows[i].time}, {"labels", std::move(labels)}};
      text += i == 0 ? "\n  " : ",\n  ";
      for (const char c : row.dump(2)) {
        text += c;
        if (c == '\n') text += "  ";
      }
    }
  } catch (const nlohmann::json::exception& e) {
    return failure(std::string("Error: ") + e.what());
  }
  text += rows.empty() ? "]\n" : "\n]\n";
  return {std::move(text), "", 0};
}

}  // namespace

Outcome listLabels(const Services& services) {
  const auto made = sound::makeClassifySoundRequest(services.classifiers,
                                                    sound::kClassifierIdentifierVersion1);
  if (!made.request) return failure("Error: " + made.error.localizedDescription);
  // Byte order of UTF-8 text is code point order.
  std::vector<std::string> labels = made.request->knownClassifications();
  std::sort(labels.begin(), labels.end());
  Outcome outcome;
  for (const std::string& label : labels) outcome.out += label + "\n";
  return outcome;
}

Outcome runHearmark(const std::vector<std::string>& args, const Services& services) {
  if (!args.empty() && args.front() == "--list-labels") return listLabels(services);
  const std::optional<Config> config = parseArgs(args);
  if (!config) return {"", kUsage, 2};
  // A directory passes here and is refused by the analyzer.
  if (!existsAt(config->path)) return failure("File not found: " + config->path);

  const auto made = sound::makeClassifySoundRequest(services.classifiers,
                                                    sound::kClassifierIdentifierVersion1);
  if (!made.request) return failure("Error: " + made.error.localizedDescription);
  made.request->setWindowDuration(platform::time::MediaTime::make(1000, 1000));
  made.request->setOverlapFactor(0.5);

  auto opened = sound::AudioFileAnalyzer::open(config->path, services.openAudio, services.workers);
  if (!opened.analyzer) return failure("Error: " + opened.error.localizedDescription);

  const auto collector = std::make_shared<Collector>(config->floor, config->top);
  if (const auto error = opened.analyzer->addRequest(made.request, collector)) {
    return failure("Error: " + error->localizedDescription);
  }

  std::binary_semaphore done(0);
  opened.analyzer->analyze([&done](bool) { done.release(); });
  done.acquire();
  // Wait for the analysis thread to end before the semaphore goes away.
  opened.analyzer.reset();

  if (const auto message = collector->errorMessage()) return failure("Analysis failed: " + *message);
  return jsonDocument(collector->snapshot());
}

}  // namespace hearmark
