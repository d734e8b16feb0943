#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sound {

// Something that labels one window of mono float audio: one confidence in
// [0, 1] per label, in the order of labels(). Must be safe to call from
// several threads at once.
class Classifier {
 public:
  virtual ~Classifier() = default;

  // The rate of the samples classify() expects.
  virtual int sampleRate() const = 0;

  // The label identifiers, in the order of classify()'s output.
  virtual const std::vector<std::string>& labels() const = 0;

  // A window shorter than the classifier's own is heard as if padded with
  // silence.
  virtual std::vector<float> classify(std::span<const float> window) const = 0;
};

// The classifiers installed on this machine, by identifier.
class ClassifierCatalog {
 public:
  void add(std::string identifier, std::shared_ptr<const Classifier> classifier) {
    classifiers_[std::move(identifier)] = std::move(classifier);
  }

  // Null when no classifier has that identifier.
  std::shared_ptr<const Classifier> find(std::string_view identifier) const {
    const auto found = classifiers_.find(identifier);
    return found == classifiers_.end() ? nullptr : found->second;
  }

 private:
  std::map<std::string, std::shared_ptr<const Classifier>, std::less<>> classifiers_;
};

}  // namespace platform::sound
