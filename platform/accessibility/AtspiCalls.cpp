#include "AtspiCalls.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "AtspiBus.h"
#include "AtspiDirectLink.h"
#include "AtspiPeer.h"

namespace platform::accessibility {
namespace {

// Enough to hide the round trips; well below the bus's limit of pending
// replies per connection.
constexpr std::size_t kInFlight = 128;

// The replies of one batch, caught by a filter on the connection's own
// thread as they arrive: no task, no main loop and no wake-up of this thread
// per call, which is most of what a call costs here.
struct Batch {
  std::mutex mutex;
  std::condition_variable arrived;
  std::map<guint32, std::size_t> waiting;  // serial -> position of the call
  std::vector<GDBusMessage*> replies;      // owned; null until it arrives
  std::size_t received = 0;
  std::size_t wakeAt = 0;  // the caller is woken when no more calls are waiting
  ~Batch() {
    for (GDBusMessage* reply : replies) {
      if (reply != nullptr) g_object_unref(reply);
    }
  }
};

GDBusMessage* catchReply(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                         gpointer data) {
  const auto type = g_dbus_message_get_message_type(message);
  if (!incoming ||
      (type != G_DBUS_MESSAGE_TYPE_METHOD_RETURN && type != G_DBUS_MESSAGE_TYPE_ERROR)) {
    return message;
  }
  auto& batch = **static_cast<std::shared_ptr<Batch>*>(data);
  const std::lock_guard lock(batch.mutex);
  const auto it = batch.waiting.find(g_dbus_message_get_reply_serial(message));
  if (it == batch.waiting.end()) return message;
  batch.replies[it->second] = message;  // taken over
  batch.waiting.erase(it);
  ++batch.received;
  if (batch.waiting.size() <= batch.wakeAt) batch.arrived.notify_one();
  return nullptr;
}

void releaseBatch(gpointer data) { delete static_cast<std::shared_ptr<Batch>*>(data); }

GDBusMessage* callMessage(const ObjectCall& call) {
  if (!g_dbus_is_name(call.object.busName.c_str()) ||
      !g_variant_is_object_path(call.object.path.c_str())) {
    return nullptr;
  }
  GDBusMessage* message = g_dbus_message_new_method_call(
      call.object.busName.c_str(), call.object.path.c_str(), call.interface, call.method);
  g_dbus_message_set_flags(message, G_DBUS_MESSAGE_FLAGS_NO_AUTO_START);
  if (call.parameters != nullptr) g_dbus_message_set_body(message, call.parameters);
  return message;
}

Variant replyBody(GDBusMessage* reply, const char* replyType) {
  if (reply == nullptr ||
      g_dbus_message_get_message_type(reply) != G_DBUS_MESSAGE_TYPE_METHOD_RETURN) {
    return nullptr;
  }
  GVariant* body = g_dbus_message_get_body(reply);
  if (body == nullptr || !g_variant_is_of_type(body, G_VARIANT_TYPE(replyType))) return nullptr;
  return Variant(g_variant_ref(body));
}

// The application that every one of the calls goes to; null for a mix.
const std::string* soleApplication(const std::vector<ObjectCall>& calls) {
  for (const auto& call : calls) {
    if (call.object.busName != calls.front().object.busName) return nullptr;
  }
  return calls.empty() ? nullptr : &calls.front().object.busName;
}

// Calls that all go to one application go over its own connection; the
// accessibility bus reaches any mix of them.
GDBusConnection* batchConnection(const std::vector<ObjectCall>& calls) {
  const std::string* application = soleApplication(calls);
  return application != nullptr ? connectionTo(*application) : accessibilityBus();
}

}  // namespace

Variant ofType(Variant values, const char* replyType) {
  if (!values || !g_variant_is_of_type(values.get(), G_VARIANT_TYPE(replyType))) return nullptr;
  return values;
}

std::optional<std::vector<Variant>> callObjects(std::vector<ObjectCall> calls,
                                                const char* replyType, int milliseconds) {
  // Owned here whether or not the calls happen.
  std::vector<Variant> parameters;
  for (auto& call : calls) {
    if (call.parameters != nullptr) parameters.emplace_back(g_variant_ref_sink(call.parameters));
  }
  const std::string* application = soleApplication(calls);
  if (DirectLink* link = application != nullptr ? directLinkTo(*application) : nullptr) {
    auto replies = link->exchange(calls, milliseconds);
    if (!replies) {
      if (milliseconds >= kTreeCallMilliseconds) markHung(*application);
      return std::nullopt;
    }
    for (auto& reply : *replies) reply = ofType(std::move(reply), replyType);
    return replies;
  }
  std::vector<GDBusMessage*> messages;
  for (auto& call : calls) messages.push_back(callMessage(call));
  const auto releaseFrom = [&messages](std::size_t first) {
    for (std::size_t i = first; i < messages.size(); ++i) {
      if (messages[i] != nullptr) g_object_unref(messages[i]);
    }
  };
  GDBusConnection* bus = batchConnection(calls);
  if (bus == nullptr) {
    releaseFrom(0);
    return std::nullopt;
  }

  auto batch = std::make_shared<Batch>();
  batch->replies.resize(calls.size());
  const guint filter = g_dbus_connection_add_filter(
      bus, catchReply, new std::shared_ptr<Batch>(batch), releaseBatch);
  bool answered = true;
  std::size_t next = 0;
  std::unique_lock lock(batch->mutex);
  while (answered && (next < messages.size() || !batch->waiting.empty())) {
    // The lock is held while a call is sent, so its reply cannot be looked
    // for before its serial is known.
    for (; next < messages.size() && batch->waiting.size() < kInFlight; ++next) {
      guint32 serial = 0;
      if (messages[next] != nullptr &&
          g_dbus_connection_send_message(bus, messages[next], G_DBUS_SEND_MESSAGE_FLAGS_NONE,
                                         &serial, nullptr)) {
        batch->waiting.emplace(serial, next);
      }
      if (messages[next] != nullptr) g_object_unref(messages[next]);
    }
    // Woken when half the calls in flight have their replies, or all of them
    // when none are left to send.
    batch->wakeAt = next < messages.size() ? kInFlight / 2 : 0;
    const std::size_t received = batch->received;
    if (!batch->arrived.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [&] { return batch->waiting.size() <= batch->wakeAt; })) {
      answered = batch->received != received;  // no reply at all for that long
    }
  }
  batch->waiting.clear();
  lock.unlock();
  releaseFrom(next);
  g_dbus_connection_remove_filter(bus, filter);
  if (!answered) {
    if (milliseconds >= kTreeCallMilliseconds && application != nullptr) markHung(*application);
    return std::nullopt;
  }
  std::vector<Variant> results(calls.size());
  const std::lock_guard done(batch->mutex);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    results[i] = replyBody(batch->replies[i], replyType);
  }
  return results;
}

}  // namespace platform::accessibility
