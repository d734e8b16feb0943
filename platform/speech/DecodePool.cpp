#include "DecodePool.h"

#include <algorithm>

namespace platform::speech {

DecodePool::DecodePool(int workers, DecoderFactory factory, Deliver deliver,
                       std::size_t maxWaiting)
    : factory_(std::move(factory)), deliver_(std::move(deliver)),
      maxWaiting_(std::max<std::size_t>(1, maxWaiting)),
      waiting_(static_cast<std::size_t>(std::max(1, workers))) {
  for (std::size_t i = 0; i < waiting_.size(); ++i) workers_.emplace_back([this, i] { work(i); });
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
  auto& queue = waiting_[submitted_ % waiting_.size()];
  changed_.wait(lock, [&] { return queue.size() < maxWaiting_ || cancelled_ || failure_; });
  if (cancelled_ || failure_) return false;
  queue.emplace_back(submitted_++, std::move(utterance));
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
    for (auto& queue : waiting_) queue.clear();
  }
  changed_.notify_all();
}

void DecodePool::stop(std::optional<std::string> failure) {
  {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::move(failure);
    for (auto& queue : waiting_) queue.clear();
  }
  changed_.notify_all();
}

std::optional<std::string> DecodePool::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void DecodePool::work(std::size_t worker) {
  std::string error;
  std::unique_ptr<UtteranceDecoder> decoder = factory_(error);
  if (!decoder) {
    stop(error.empty() ? "the recogniser could not be started" : error);
    return;
  }
  auto& queue = waiting_[worker];
  for (;;) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !queue.empty() || stopping_ || failure_; });
    if (queue.empty()) return;
    auto [index, utterance] = std::move(queue.front());
    queue.pop_front();
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
