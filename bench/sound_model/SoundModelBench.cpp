// sound_model_bench [windows] [threads]: how fast the sound model classifies
// one-second windows (front end and network), on one thread and on several.
// hearmark's windows overlap by half, so each window stands for half a second
// of new audio: real-time factor = windows per second / 2.
#include "platform/sound/model/SoundModel.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace model = platform::sound::model;

namespace {

std::vector<float> testWindow(unsigned seed) {
  std::vector<float> w(model::kWindowSamples);
  for (std::size_t i = 0; i < w.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    const float noise = static_cast<float>(seed >> 8) / static_cast<float>(1u << 24) - 0.5f;
    w[i] = 0.1f * noise + 0.3f * std::sin(0.05f * static_cast<float>(i));
  }
  return w;
}

double run(int windows, int threads, const std::vector<std::vector<float>>& inputs) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> pool;
  float sink = 0.0f;
  std::vector<float> sinks(static_cast<std::size_t>(threads));
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      for (int i = t; i < windows; i += threads) {
        sinks[static_cast<std::size_t>(t)] += model::classify(inputs[static_cast<std::size_t>(i) % inputs.size()])[0];
      }
    });
  }
  for (std::thread& th : pool) th.join();
  for (float s : sinks) sink += s;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (sink < 0) std::puts("");  // keeps the work from being optimised away
  return windows / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int windows = argc > 1 ? std::atoi(argv[1]) : 400;
  const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
  std::vector<std::vector<float>> inputs;
  for (unsigned i = 0; i < 8; ++i) inputs.push_back(testWindow(i + 1));
  model::classify(inputs[0]);  // builds the front end's tables
  std::printf("model %.*s, %zu labels\n", static_cast<int>(model::version().size()), model::version().data(),
              model::labels().size());
  for (int t : {1, threads}) {
    const double rate = run(windows, t, inputs);
    std::printf("%d thread(s): %.0f windows/s, %.0fx real time (windows overlapping by half)\n", t, rate, rate / 2);
  }
  return 0;
}
