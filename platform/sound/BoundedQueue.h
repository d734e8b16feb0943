#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace platform::sound {

// A first-in first-out queue of at most `capacity` items between threads.
// push() waits while it is full, pop() while it is empty; close() wakes both
// for good.
template <typename T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

  // False, and the item dropped, once the queue is closed.
  bool push(T item) {
    std::unique_lock hold(lock_);
    notFull_.wait(hold, [&] { return closed_ || items_.size() < capacity_; });
    if (closed_) return false;
    items_.push_back(std::move(item));
    notEmpty_.notify_one();
    return true;
  }

  // The oldest item; nothing once the queue is closed and drained.
  std::optional<T> pop() {
    std::unique_lock hold(lock_);
    notEmpty_.wait(hold, [&] { return closed_ || !items_.empty(); });
    if (items_.empty()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    notFull_.notify_one();
    return item;
  }

  // No more pushes; pops drain what is left.
  void close() {
    std::lock_guard hold(lock_);
    closed_ = true;
    notFull_.notify_all();
    notEmpty_.notify_all();
  }

 private:
  const std::size_t capacity_;
  std::mutex lock_;
  std::condition_variable notFull_;
  std::condition_variable notEmpty_;
  std::deque<T> items_;
  bool closed_ = false;
};

}  // namespace platform::sound
