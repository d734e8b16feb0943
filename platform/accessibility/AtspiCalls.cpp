#include "AtspiCalls.h"

#include <cstddef>

#include "AtspiBus.h"

namespace platform::accessibility {
namespace {

// Enough to hide the round trips; well below the bus's limit of pending
// replies per connection.
constexpr std::size_t kInFlight = 128;

struct Batch {
  std::vector<Variant> replies;
  std::size_t pending = 0;
};

struct Slot {
  Batch* batch;
  std::size_t index;
};

void onReply(GObject* source, GAsyncResult* result, gpointer data) {
  auto* slot = static_cast<Slot*>(data);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (error != nullptr) g_error_free(error);
  slot->batch->replies[slot->index] = Variant(reply);
  --slot->batch->pending;
  delete slot;
}

GVariant* sink(GVariant* parameters) {
  return parameters != nullptr ? g_variant_ref_sink(parameters) : nullptr;
}

}  // namespace

std::vector<Variant> callObjects(std::vector<ObjectCall> calls, const char* replyType) {
  std::vector<Variant> arguments;
  arguments.reserve(calls.size());
  for (auto& call : calls) arguments.emplace_back(sink(call.parameters));
  Batch batch;
  batch.replies.resize(calls.size());
  GDBusConnection* bus = accessibilityBus();
  if (bus == nullptr) return std::move(batch.replies);

  // The replies are dispatched in a context of this call's own, so nothing
  // else of the process runs meanwhile.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  std::size_t next = 0;
  while (next < calls.size() || batch.pending > 0) {
    while (next < calls.size() && batch.pending < kInFlight) {
      const ObjectCall& call = calls[next];
      if (g_dbus_is_name(call.object.busName.c_str()) &&
          g_variant_is_object_path(call.object.path.c_str())) {
        ++batch.pending;
        g_dbus_connection_call(bus, call.object.busName.c_str(), call.object.path.c_str(),
                               call.interface, call.method, arguments[next].get(),
                               G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                               kBusCallMilliseconds, nullptr, onReply, new Slot{&batch, next});
      }
      ++next;
    }
    if (batch.pending > 0) g_main_context_iteration(context, TRUE);
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return std::move(batch.replies);
}

}  // namespace platform::accessibility
