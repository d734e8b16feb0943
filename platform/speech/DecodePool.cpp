#include "DecodePool.h"

#include <algorithm>

namespace platform::speech {

DecodePool::DecodePool(int workers, DecoderFactory factory, Deliver deliver,
                       std::size_t maxWaiting)
    : factory_(std::move(factory)), deliver_(std::move(deliver)),
      maxWaiting_(std::max<std::size_t>(1, maxWaiting) *
                  static_cast<std::size_t>(std::max(1, workers))) {
  for (int i = 0; i < std::max(1, workers); ++i) workers_.emplace_back([this] { work(); });
}

DecodePool::~DecodePool() {
  cancel();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

bool DecodePool::submit(Utterance utterance) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return waiting_.size() < maxWaiting_ || cancelled_ || failure_; });
  if (cancelled_ || failure_) return false;
  waiting_.emplace_back(submitted_++, std::move(utterance));
  lock.unlock();
  changed_.notify_all();
  return true;
}

std::optional<std::string> DecodePool::drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return delivered_ == submitted_ || cancelled_ || failure_; });
  return failure_;
}

void DecodePool::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    waiting_.clear();
  }
  changed_.notify_all();
}

void DecodePool::stop(std::optional<std::string> failure) {
  {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::move(failure);
    waiting_.clear();
  }
  changed_.notify_all();
}

std::optional<std::string> DecodePool::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void DecodePool::work() {
  std::string error;
  std::unique_ptr<UtteranceDecoder> decoder = factory_(error);
  if (!decoder) {
    stop(error.empty() ? "the recogniser could not be started" : error);
    return;
  }
  for (;;) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !waiting_.empty() || stopping_ || failure_; });
    if (waiting_.empty()) return;
    auto [index, utterance] = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    changed_.notify_all();  // room for the next submission

    UtteranceDecoder::Decoded decoded = decoder->decode(utterance);
    if (decoded.error) {
      stop(std::move(decoded.error));
      return;
    }
    complete(index, std::move(decoded.result));
  }
}

void DecodePool::complete(std::uint64_t index, std::optional<Result> result) {
  // Delivery happens under the lock, so results leave in order even when two
  // workers finish at once; delivering only appends to a queue.
  {
    std::lock_guard lock(mutex_);
    done_.emplace(index, std::move(result));
    for (auto next = done_.find(delivered_); next != done_.end(); next = done_.find(delivered_)) {
      if (next->second && !cancelled_) deliver_(std::move(*next->second));
      done_.erase(next);
      ++delivered_;
    }
  }
  changed_.notify_all();
}

}  // namespace platform::speech
