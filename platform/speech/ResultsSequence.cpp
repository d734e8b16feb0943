#include "ResultsSequence.h"

namespace platform::speech {

ResultsSequence::Step ResultsSequence::next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !pending_.empty() || ended_; });
  if (!pending_.empty()) {
    Step step{std::move(pending_.front()), std::nullopt};
    pending_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return step;
  }
  return Step{std::nullopt, error_};
}

void ResultsSequence::deliver(Result result) {
  {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    pending_.push_back(std::move(result));
  }
  changed_.notify_all();
}

void ResultsSequence::finish() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
}

void ResultsSequence::fail(std::string error) {
  {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    ended_ = true;
    error_ = std::move(error);
  }
  changed_.notify_all();
}

bool ResultsSequence::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

}  // namespace platform::speech

namespace platform::speech {

bool ResultsSequence::waitUntilTaken(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return pending_.empty(); });
}

}  // namespace platform::speech
