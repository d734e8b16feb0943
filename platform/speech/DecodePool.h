#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Result.h"
#include "UtteranceCutter.h"

namespace platform::speech {

// Recognises one utterance at a time. Each worker of a pool has its own.
class UtteranceDecoder {
 public:
  virtual ~UtteranceDecoder() = default;
  struct Decoded {
    std::optional<Result> result;    // none when nothing was said
    std::optional<std::string> error;
  };
  virtual Decoded decode(const Utterance& utterance) = 0;
};

// Recognises utterances on several worker threads and delivers their results
// in the order the utterances were submitted, each as soon as it and all
// before it are done. Whichever worker is free takes the next utterance, so a
// long utterance on one worker never holds up the others; a decoder therefore
// must recognise each utterance on its own, carrying nothing from one to the
// next, or the transcript would change with the timing. Work waiting to start
// is bounded, so memory stays flat however long the stream.
class DecodePool {
 public:
  // Makes a worker's decoder, on the worker's thread; null and a reason when
  // it cannot.
  using DecoderFactory = std::function<std::unique_ptr<UtteranceDecoder>(std::string& error)>;
  using Deliver = std::function<void(Result)>;

  // At most maxWaiting utterances per worker wait to start.
  DecodePool(int workers, DecoderFactory factory, Deliver deliver, std::size_t maxWaiting = 2);
  ~DecodePool();  // cancels and joins the workers
  DecodePool(const DecodePool&) = delete;
  DecodePool& operator=(const DecodePool&) = delete;

  // Queues an utterance for the next free worker, blocking while too many wait.
  // False once the pool has failed or been cancelled.
  bool submit(Utterance utterance);

  // Waits until every submitted utterance is recognised and delivered. The
  // first failure's reason, if any happened.
  std::optional<std::string> drain();

  // Drops what waits; recognitions under way finish and are dropped too.
  void cancel();

  std::optional<std::string> failure() const;

 private:
  void work();
  void stop(std::optional<std::string> failure);
  void complete(std::uint64_t index, std::optional<Result> result);

  DecoderFactory factory_;
  Deliver deliver_;
  std::size_t maxWaiting_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::uint64_t, Utterance>> waiting_;
  std::map<std::uint64_t, std::optional<Result>> done_;  // finished out of order
  std::uint64_t submitted_ = 0;
  std::uint64_t delivered_ = 0;
  bool stopping_ = false;
  bool cancelled_ = false;
  std::optional<std::string> failure_;
  std::vector<std::thread> workers_;
};

}  // namespace platform::speech
