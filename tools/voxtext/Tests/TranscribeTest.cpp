#include "Transcribe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Entry.h"
#include "platform/testing/MemoryAudioSource.h"
#include "platform/testing/ScriptedSpeechService.h"

namespace voxtext {
namespace {

using platform::speech::Locale;
using platform::speech::Result;
using TextRun = platform::speech::Run;
using platform::testing::ScriptedSpeechService;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

Result spoken(std::string text, bool isFinal = true) {
  Result r;
  r.text.runs.push_back(TextRun{std::move(text), 0.9, std::nullopt});
  r.range = {platform::time::MediaTime::make(0, 1), platform::time::MediaTime::make(1, 1)};
  r.isFinal = isFinal;
  return r;
}

// Runs the pipeline against a scripted service and an in-memory audio file
// of `samples` samples, or a file that does not open when `openError` is set.
struct PipelineRun {
  std::variant<Failure, nlohmann::json> outcome;
  std::vector<std::string> calls;
  std::string openedPath;
};

PipelineRun transcribeWith(ScriptedSpeechService& service, std::size_t samples = 16000,
                    std::optional<std::string> openError = {}) {
  PipelineRun run;
  const Services services{
      service,
      [&](const std::string& path, int rate) -> platform::audio::OpenResult {
        service.calls.push_back("open " + std::to_string(rate));
        run.openedPath = path;
        if (openError) return {nullptr, *openError};
        return {std::make_unique<platform::testing::MemoryAudioSource>(
                    std::vector<float>(samples, 0.0f), rate),
                {}};
      },
      [] { return "build-1"; },
      [] { return true; },
  };
  run.outcome = transcribe("/recordings/memo.m4a", services);
  run.calls = service.calls;
  return run;
}

const std::vector<std::string> kUpToTheAnalyzer = {
    "isAvailable", "currentLocale", "supportedLocale en-US", "installedLocales",
    "makeTranscriber en-US", "makeAnalyzer", "open 16000"};

std::vector<std::string> upToTheAnalyzerThen(std::vector<std::string> more) {
  std::vector<std::string> all = kUpToTheAnalyzer;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

TEST(Transcribe, PreconditionsFailBeforeAnythingIsCreated) {
  struct Case {
    const char* name;
    ScriptedSpeechService::Script script;
    Failure expected;
  };
  ScriptedSpeechService::Script unavailable;
  unavailable.available = false;
  ScriptedSpeechService::Script japanese;
  japanese.current = Locale{"ja", "JP"};
  japanese.supported = [](const Locale&) { return std::optional<Locale>(); };
  ScriptedSpeechService::Script notInstalled;
  notInstalled.current = Locale{"en", "GB"};
  notInstalled.supported = [](const Locale&) { return std::optional<Locale>(Locale{"en", "US"}); };
  notInstalled.installed = {{"de", "DE"}, {"en", ""}, {"en", "GB"}};

  const Case cases[] = {
      {"unavailable", unavailable, {"SpeechTranscriber unavailable on this Mac", 2}},
      {"unsupported", japanese, {"locale unsupported: ja-JP", 2}},
      // The supported locale is the one named, not the current one.
      {"not installed", notInstalled, {"locale model not installed: en-US", 2}},
  };
  for (const Case& c : cases) {
    ScriptedSpeechService service(c.script);
    const PipelineRun run = transcribeWith(service);
    ASSERT_TRUE(std::holds_alternative<Failure>(run.outcome)) << c.name;
    EXPECT_EQ(std::get<Failure>(run.outcome), c.expected) << c.name;
    for (const std::string& call : run.calls) {
      EXPECT_FALSE(call.starts_with("make") || call.starts_with("open")) << c.name << ": " << call;
    }
  }
  ScriptedSpeechService service(unavailable);
  EXPECT_THAT(transcribeWith(service).calls, ElementsAre("isAvailable"))
      << "no locale is looked at";
}

TEST(Transcribe, EveryFailureAfterSetUpCancelsTheAnalyzerFirst) {
  struct Case {
    const char* name;
    ScriptedSpeechService::Script script;
    std::optional<std::string> openError;
    std::string message;
    std::vector<std::string> calls;
  };
  ScriptedSpeechService::Script plain;
  plain.results = {spoken("lost")};
  ScriptedSpeechService::Script analyzeFails = plain;
  analyzeFails.analyzeError = "the recogniser failed on the audio";
  ScriptedSpeechService::Script finalizeFails = plain;
  finalizeFails.finalizeError = "the speech model could not be loaded";
  ScriptedSpeechService::Script sequenceFails = plain;
  sequenceFails.sequenceError = "results stopped";

  const Case cases[] = {
      {"open", plain, "Invalid data found when processing input",
       "Transcription failed: Invalid data found when processing input",
       upToTheAnalyzerThen({"cancelAndFinishNow"})},
      {"analysis", analyzeFails, std::nullopt,
       "Transcription failed: the recogniser failed on the audio",
       upToTheAnalyzerThen({"analyzeSequence", "cancelAndFinishNow"})},
      {"finalisation", finalizeFails, std::nullopt,
       "Transcription failed: the speech model could not be loaded",
       upToTheAnalyzerThen({"analyzeSequence", "finalizeAndFinish 16000/16000",
                            "cancelAndFinishNow"})},
      {"results sequence", sequenceFails, std::nullopt, "Transcription failed: results stopped",
       upToTheAnalyzerThen({"analyzeSequence", "finalizeAndFinish 16000/16000",
                            "cancelAndFinishNow"})},
  };
  for (const Case& c : cases) {
    ScriptedSpeechService service(c.script);
    const PipelineRun run = transcribeWith(service, 16000, c.openError);
    ASSERT_TRUE(std::holds_alternative<Failure>(run.outcome)) << c.name;
    EXPECT_EQ(std::get<Failure>(run.outcome), (Failure{c.message, 1})) << c.name;
    EXPECT_THAT(run.calls, ElementsAreArray(c.calls)) << c.name;
  }
}

TEST(Transcribe, KeepsFinalResultsCollectedWhileTheAnalysisRuns) {
  ScriptedSpeechService::Script script;
  script.current = Locale{"en", "GB"};
  script.supported = [](const Locale&) { return std::optional<Locale>(Locale{"en", "US"}); };
  script.installed = {{"de", "DE"}, {"en", "US"}};
  script.results = {spoken("first"), spoken("maybe", false), spoken("second")};
  ScriptedSpeechService service(script);

  const PipelineRun run = transcribeWith(service, 24000);
  ASSERT_TRUE(std::holds_alternative<nlohmann::json>(run.outcome));
  const auto& doc = std::get<nlohmann::json>(run.outcome);
  EXPECT_EQ(doc["text"], "first\nsecond") << "non-final results are dropped";
  EXPECT_EQ(doc["locale"], "en-US") << "the supported locale, not the current one";
  EXPECT_EQ(doc["macOSBuild"], "build-1");
  EXPECT_EQ(run.openedPath, "/recordings/memo.m4a");
  EXPECT_THAT(run.calls,
              ElementsAre("isAvailable", "currentLocale", "supportedLocale en-GB",
                          "installedLocales", "makeTranscriber en-US", "makeAnalyzer",
                          "open 16000", "analyzeSequence", "finalizeAndFinish 24000/16000"));
  EXPECT_TRUE(service.resultsTakenDuringAnalysis);
  EXPECT_EQ(service.transcriberLocale, (Locale{"en", "US"}));
  EXPECT_EQ(service.transcriberOptions->attributeOptions,
            (std::set{platform::speech::AttributeOption::AudioTimeRange,
                      platform::speech::AttributeOption::TranscriptionConfidence}));
}

TEST(Transcribe, AudioWithoutSamplesIsCancelledAndStillWritten) {
  ScriptedSpeechService::Script script;
  script.results = {spoken("early")};
  ScriptedSpeechService service(script);
  const PipelineRun run = transcribeWith(service, 0);
  ASSERT_TRUE(std::holds_alternative<nlohmann::json>(run.outcome));
  EXPECT_EQ(std::get<nlohmann::json>(run.outcome)["text"], "early");
  EXPECT_THAT(run.calls, ElementsAreArray(upToTheAnalyzerThen(
                             {"analyzeSequence", "cancelAndFinishNow"})));
}

TEST(Entry, ChecksOperandThenFileThenSystem) {
  ScriptedSpeechService service({});
  bool recentEnough = false;
  const Services services{
      service,
      [](const std::string&, int) -> platform::audio::OpenResult { return {nullptr, "unused"}; },
      [] { return ""; },
      [&] { return recentEnough; },
  };
  const auto failureOf = [&](std::vector<std::string> arguments) {
    return runVoxtext(arguments, services).failure;
  };
  EXPECT_EQ(failureOf({}), (Failure{"Usage: voxtext <audio-file>", 1}));
  EXPECT_EQ(failureOf({"voxtext"}), (Failure{"Usage: voxtext <audio-file>", 1}));
  EXPECT_EQ(failureOf({"voxtext", "/", "/"}), (Failure{"Usage: voxtext <audio-file>", 1}));
  EXPECT_EQ(failureOf({"voxtext", "/no/such/file"}), (Failure{"File not found: /no/such/file", 1}))
      << "a missing file is reported first, even on an old system";
  EXPECT_EQ(failureOf({"voxtext", "/"}), (Failure{"macOS 26 required", 2}));
  EXPECT_TRUE(service.calls.empty());
  recentEnough = true;
  EXPECT_EQ(failureOf({"voxtext", "/"}), (Failure{"Transcription failed: unused", 1}));
}

}  // namespace
}  // namespace voxtext
