#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/Classifier.h"

namespace platform::testing {

// A classifier whose answers come from a script: a function of the window's
// samples. Records how many windows it heard and on how many threads.
class ScriptedClassifier : public sound::Classifier {
 public:
  using Script = std::function<std::vector<float>(std::span<const float> window)>;

  ScriptedClassifier(std::vector<std::string> labels, Script script, int sampleRate = 16000)
      : labels_(std::move(labels)), script_(std::move(script)), rate_(sampleRate) {}

  int sampleRate() const override { return rate_; }
  const std::vector<std::string>& labels() const override { return labels_; }
  std::vector<float> classify(std::span<const float> window) const override {
    {
      std::lock_guard hold(lock_);
      ++calls_;
      threads_.insert(std::this_thread::get_id());
    }
    return script_(window);
  }

  std::size_t calls() const {
    std::lock_guard hold(lock_);
    return calls_;
  }
  std::size_t threadsSeen() const {
    std::lock_guard hold(lock_);
    return threads_.size();
  }

 private:
  std::vector<std::string> labels_;
  Script script_;
  int rate_;
  mutable std::mutex lock_;
  mutable std::size_t calls_ = 0;
  mutable std::set<std::thread::id> threads_;
};

}  // namespace platform::testing
