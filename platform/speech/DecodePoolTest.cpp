#include "platform/speech/DecodePool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace platform::speech {
namespace {

Utterance utterance(std::int64_t index) { return Utterance{index, {}}; }

Result resultNamed(std::int64_t index) {
  Result result;
  result.text.runs.push_back(Run{std::to_string(index), std::nullopt, std::nullopt});
  return result;
}

class Delivered {
 public:
  void operator()(Result result) {
    std::lock_guard lock(mutex_);
    texts_.push_back(result.text.characters());
  }
  std::vector<std::string> texts() {
    std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Utterance 0 is held until utterance 1 has been recognised, so the second
// worker always finishes first.
class HoldFirstDecoder : public UtteranceDecoder {
 public:
  explicit HoldFirstDecoder(std::shared_future<void> secondDone, std::promise<void>& signal,
                            std::once_flag& once)
      : secondDone_(std::move(secondDone)), signal_(signal), once_(once) {}
  Decoded decode(const Utterance& u) override {
    if (u.startSample == 0) secondDone_.wait();
    if (u.startSample == 1) std::call_once(once_, [&] { signal_.set_value(); });
    if (u.startSample == 3) return {std::nullopt, std::nullopt};  // nothing said
    return {resultNamed(u.startSample), std::nullopt};
  }

 private:
  std::shared_future<void> secondDone_;
  std::promise<void>& signal_;
  std::once_flag& once_;
};

TEST(DecodePool, DeliversInSubmissionOrderWhenWorkersFinishOutOfOrder) {
  std::promise<void> second;
  std::once_flag once;
  const std::shared_future<void> secondDone = second.get_future().share();
  Delivered delivered;
  DecodePool pool(
      2,
      [&](std::string&) -> std::unique_ptr<UtteranceDecoder> {
        return std::make_unique<HoldFirstDecoder>(secondDone, second, once);
      },
      std::ref(delivered), 1);
  for (std::int64_t i = 0; i < 6; ++i) ASSERT_TRUE(pool.submit(utterance(i)));
  EXPECT_EQ(pool.drain(), std::nullopt);
  EXPECT_EQ(delivered.texts(), (std::vector<std::string>{"0", "1", "2", "4", "5"}));
}

// Holds utterance 0 until released and counts the others as they are
// recognised.
class HoldZeroDecoder : public UtteranceDecoder {
 public:
  struct Shared {
    std::shared_future<void> released;
    std::mutex mutex;
    std::condition_variable changed;
    int others = 0;
  };
  explicit HoldZeroDecoder(Shared& shared) : shared_(shared) {}
  Decoded decode(const Utterance& u) override {
    if (u.startSample == 0) {
      shared_.released.wait();
    } else {
      std::lock_guard lock(shared_.mutex);
      ++shared_.others;
      shared_.changed.notify_all();
    }
    return {resultNamed(u.startSample), std::nullopt};
  }

 private:
  Shared& shared_;
};

TEST(DecodePool, ALongUtteranceDoesNotHoldUpTheOtherWorker) {
  std::promise<void> release;
  HoldZeroDecoder::Shared shared;
  shared.released = release.get_future().share();
  Delivered delivered;
  DecodePool pool(
      2, [&](std::string&) -> std::unique_ptr<UtteranceDecoder> {
        return std::make_unique<HoldZeroDecoder>(shared);
      },
      std::ref(delivered), 1);
  constexpr int kCount = 12;
  std::thread submitter([&] {
    for (std::int64_t i = 0; i < kCount; ++i) pool.submit(utterance(i));
  });
  {
    // While utterance 0 is recognised, the free worker takes every other one.
    std::unique_lock lock(shared.mutex);
    const bool allOthers = shared.changed.wait_for(lock, std::chrono::seconds(20), [&] {
      return shared.others == kCount - 1;
    });
    EXPECT_TRUE(allOthers) << shared.others << " recognised while utterance 0 was";
  }
  EXPECT_TRUE(delivered.texts().empty());  // none before utterance 0
  release.set_value();
  submitter.join();
  EXPECT_EQ(pool.drain(), std::nullopt);
  std::vector<std::string> expected;
  for (int i = 0; i < kCount; ++i) expected.push_back(std::to_string(i));
  EXPECT_EQ(delivered.texts(), expected);
}

class FailingDecoder : public UtteranceDecoder {
 public:
  Decoded decode(const Utterance& u) override {
    if (u.startSample == 2) return {std::nullopt, "the recogniser failed on the audio"};
    return {resultNamed(u.startSample), std::nullopt};
  }
};

TEST(DecodePool, AFailureStopsTheWorkAndIsReported) {
  Delivered delivered;
  DecodePool pool(
      1, [](std::string&) -> std::unique_ptr<UtteranceDecoder> {
        return std::make_unique<FailingDecoder>();
      },
      std::ref(delivered));
  bool refused = false;
  for (std::int64_t i = 0; i < 50 && !refused; ++i) refused = !pool.submit(utterance(i));
  EXPECT_EQ(pool.drain(), "the recogniser failed on the audio");
  EXPECT_EQ(delivered.texts(), (std::vector<std::string>{"0", "1"}));
  EXPECT_FALSE(pool.submit(utterance(99)));
}

TEST(DecodePool, ADecoderThatCannotLoadFailsThePool) {
  Delivered delivered;
  DecodePool pool(
      2, [](std::string& error) -> std::unique_ptr<UtteranceDecoder> {
        error = "the speech model could not be loaded";
        return nullptr;
      },
      std::ref(delivered));
  pool.submit(utterance(0));
  EXPECT_EQ(pool.drain(), "the speech model could not be loaded");
  EXPECT_TRUE(delivered.texts().empty());
}

TEST(DecodePool, CancelDropsWaitingWorkAndReleasesTheWaiters) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  class Blocking : public UtteranceDecoder {
   public:
    explicit Blocking(std::shared_future<void> r) : released_(std::move(r)) {}
    Decoded decode(const Utterance& u) override {
      released_.wait();
      return {resultNamed(u.startSample), std::nullopt};
    }
    std::shared_future<void> released_;
  };
  Delivered delivered;
  auto pool = std::make_unique<DecodePool>(
      1, [&](std::string&) -> std::unique_ptr<UtteranceDecoder> {
        return std::make_unique<Blocking>(released);
      },
      std::ref(delivered), 2);
  ASSERT_TRUE(pool->submit(utterance(0)));
  ASSERT_TRUE(pool->submit(utterance(1)));
  pool->cancel();
  EXPECT_FALSE(pool->submit(utterance(2)));
  EXPECT_EQ(pool->drain(), std::nullopt);  // returns although work was under way
  release.set_value();
  pool.reset();  // the recognition under way ends, and is dropped
  EXPECT_TRUE(delivered.texts().empty());
}

}  // namespace
}  // namespace platform::speech
