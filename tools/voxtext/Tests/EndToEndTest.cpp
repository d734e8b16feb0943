// Speech made here with flite, transcribed by the built program as the host
// runs it, from a wave file and from AAC in an .m4a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/audio/AudioSource.h"
#include "platform/process/ProcessLauncher.h"
#include "platform/testing/ColouredNoise.h"
#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"
#include "platform/testing/WaveHeader.h"

namespace {

namespace fs = std::filesystem;

class SpokenRecording : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new platform::testing::TemporaryDirectory;
    platform::process::RealProcessLauncher launcher;
    const auto run = [&](const std::string& program, std::vector<std::string> arguments) {
      const auto status = launcher.runAndWait(program, arguments);
      ASSERT_TRUE(status && *status == 0) << program << " " << ::testing::PrintToString(arguments);
    };
    const std::string one = (dir_->path() / "one.wav").string();
    const std::string two = (dir_->path() / "two.wav").string();
    run("/usr/bin/flite", {"-voice", "slt", "-t", "My sister works as a nurse at the hospital near the river.",
                           "-o", one});
    run("/usr/bin/flite", {"-voice", "slt", "-t", "Open the window and let the fresh air in.", "-o", two});
    // Half a second before, a pause between the sentences, a little after.
    run("/usr/bin/ffmpeg",
        {"-nostdin", "-v", "error", "-y", "-i", one, "-i", two, "-filter_complex",
         "[0:a]adelay=500,apad=pad_dur=0.8[a];[1:a]apad=pad_dur=0.4[b];[a][b]concat=n=2:v=0:a=1",
         "-ar", "16000", "-ac", "1", wav()});
    run("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", wav(), "-c:a", "aac", "-b:a",
                            "64k", m4a()});
    auto first = platform::audio::openAudioFile(one, 16000);
    ASSERT_TRUE(first.source);
    firstSentenceEnd_ = 0.5 + seconds(*first.source);
    auto whole = platform::audio::openAudioFile(wav(), 16000);
    ASSERT_TRUE(whole.source);
    duration_ = seconds(*whole.source);
  }
  static void TearDownTestSuite() {
    delete dir_;
  }

  static double seconds(platform::audio::AudioSource& source) {
    std::vector<float> block(8192);
    std::size_t total = 0;
    while (const std::size_t n = source.read(block)) total += n;
    return static_cast<double>(total) / source.sampleRate();
  }
  static std::string wav() { return (dir_->path() / "speech.wav").string(); }
  static std::string m4a() { return (dir_->path() / "speech.m4a").string(); }

  static nlohmann::json transcribe(const std::string& path) {
    platform::testing::RunOptions options;
    options.unsetEnv = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const auto run = platform::testing::runProgram(VOXTEXT_BIN, {path}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.out.ends_with("}\n") && run.out.find('\n') == run.out.size() - 1);
    return nlohmann::json::parse(run.out, nullptr, false);
  }

  // Every sentence is one segment; every word lies inside its segment and
  // the audio, after the word before it, and carries a confidence.
  static void expectTranscript(const nlohmann::json& doc) {
    ASSERT_TRUE(doc.is_object());
    EXPECT_EQ(doc["locale"], "en-US");
    const std::string text = doc["text"];
    for (const char* word :
         {"sister", "works", "nurse", "hospital", "river", "open", "window", "fresh", "air"}) {
      EXPECT_NE(text.find(word), std::string::npos) << word << " in " << text;
    }
    const auto& segments = doc["results"];
    ASSERT_EQ(segments.size(), 2u) << text;
    EXPECT_EQ(doc["firstFinalizedText"], segments[0]["text"]);
    EXPECT_EQ(text, segments[0]["text"].get<std::string>() + "\n" +
                        segments[1]["text"].get<std::string>());
    double previousEnd = 0;
    for (const auto& segment : segments) {
      const double start = segment["start"], end = segment["end"];
      EXPECT_LE(0.0, start);
      EXPECT_LE(end, duration_ + 0.05);
      ASSERT_FALSE(segment["words"].empty());
      for (const auto& word : segment["words"]) {
        const double wordStart = word["start"], wordEnd = word["end"], confidence = word["confidence"];
        EXPECT_LE(previousEnd, wordStart + 1e-9) << word;  // an end is start plus duration
        EXPECT_LT(wordStart, wordEnd) << word;
        EXPECT_LE(start, wordStart) << word;
        EXPECT_LE(wordEnd, end) << word;
        EXPECT_TRUE(0 <= confidence && confidence <= 1) << word;
        previousEnd = wordEnd;
      }
    }
    // The second sentence begins after the pause, where it was put.
    const double secondStart = segments[1]["words"][0]["start"];
    EXPECT_NEAR(secondStart, firstSentenceEnd_ + 0.8, 0.4);
    EXPECT_NEAR(segments[0]["words"][0]["start"].get<double>(), 0.5, 0.3);
  }

  static platform::testing::TemporaryDirectory* dir_;
  static double firstSentenceEnd_;
  static double duration_;
};

platform::testing::TemporaryDirectory* SpokenRecording::dir_ = nullptr;
double SpokenRecording::firstSentenceEnd_ = 0;
double SpokenRecording::duration_ = 0;

TEST_F(SpokenRecording, WaveFileIsTranscribedWithWordTimes) {
  const auto doc = transcribe(wav());
  expectTranscript(doc);
  std::string release;
  std::getline(std::ifstream("/proc/sys/kernel/osrelease"), release);
  EXPECT_EQ(doc["macOSBuild"], release);
}

TEST_F(SpokenRecording, AacInM4aGivesTheSameWordsAtTheSameTimes) {
  const auto fromWav = transcribe(wav());
  const auto fromM4a = transcribe(m4a());
  expectTranscript(fromM4a);
  ASSERT_EQ(fromM4a["results"].size(), fromWav["results"].size());
  for (std::size_t s = 0; s < fromWav["results"].size(); ++s) {
    const auto& a = fromWav["results"][s]["words"];
    const auto& b = fromM4a["results"][s]["words"];
    if (a.size() != b.size()) continue;  // the words themselves are checked above
    for (std::size_t w = 0; w < a.size(); ++w) {
      EXPECT_NEAR(a[w]["start"].get<double>(), b[w]["start"].get<double>(), 0.06) << a[w] << b[w];
    }
  }
}

// Steady noise alone, loud (-20 dBFS RMS) and from the first sample, six
// seconds of it as a wave file: pink (a fan, hiss) and brown (rumble).
TEST(NoiseAlone, IsAnEmptyTranscriptAndStatusZero) {
  platform::testing::TemporaryDirectory dir;
  using platform::testing::NoiseColour;
  for (const auto& [kind, colour] : {std::pair{"pink", NoiseColour::Pink}, std::pair{"brown", NoiseColour::Brown}}) {
    const std::vector<float> noise = platform::testing::colouredNoise(colour, 16000 * 6, -20.0);
    const std::string path = (dir.path() / (std::string(kind) + ".wav")).string();
    std::ofstream file(path, std::ios::binary);
    file << platform::testing::waveHeader(16000, 1, static_cast<std::uint32_t>(noise.size() * 2));
    for (const float n : noise) {
      const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(n, -1.0f, 1.0f) * 32767));
      file.put(static_cast<char>(sample & 0xff)).put(static_cast<char>((sample >> 8) & 0xff));
    }
    file.close();

    platform::testing::RunOptions options;
    options.unsetEnv = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const auto run = platform::testing::runProgram(VOXTEXT_BIN, {path}, options);
    EXPECT_EQ(run.status, 0) << kind;
    EXPECT_EQ(run.err, "") << kind;
    const auto doc = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(doc.is_object()) << kind << ": " << run.out;
    EXPECT_EQ(doc["text"], "") << kind;
    EXPECT_TRUE(doc["results"].empty()) << kind;
  }
}

}  // namespace
