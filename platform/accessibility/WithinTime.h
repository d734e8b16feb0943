#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::accessibility {

// Runs `work` on a worker thread and waits at most `limit` for its answer:
// nothing when it overruns. A worker that overruns is left behind, and its
// late answer is handed to `discard` (to release what it holds).
template <typename T>
std::optional<T> withinTime(std::function<std::optional<T>()> work, std::function<void(T&)> discard,
                            std::chrono::milliseconds limit) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    std::optional<T> found;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, work = std::move(work), discard = std::move(discard)] {
    auto found = work();
    const std::lock_guard lock(shared->mutex);
    if (shared->abandoned) {
      if (found) discard(*found);
      return;
    }
    shared->found = std::move(found);
    shared->finished = true;
    shared->done.notify_one();
  }).detach();
  std::unique_lock lock(shared->mutex);
  if (!shared->done.wait_for(lock, limit, [&] { return shared->finished; })) {
    shared->abandoned = true;
    return std::nullopt;
  }
  return std::move(shared->found);
}

}  // namespace platform::accessibility
