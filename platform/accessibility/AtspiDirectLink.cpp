#include "AtspiDirectLink.h"

#include <dbus/dbus.h>

#include <chrono>
#include <cstddef>
#include <map>

namespace platform::accessibility {
namespace {

// Enough to hide the round trips; the application reads its socket in order.
constexpr std::size_t kInFlight = 128;

using Clock = std::chrono::steady_clock;

// A GDBus message in libdbus's form, under `serial`; null when either side
// will not take it.
DBusMessage* toLibdbus(GDBusMessage* message, std::uint32_t serial) {
  g_dbus_message_set_serial(message, serial);
  gsize size = 0;
  guchar* blob = g_dbus_message_to_blob(message, &size, G_DBUS_CAPABILITY_FLAGS_NONE, nullptr);
  if (blob == nullptr) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* converted = size <= static_cast<gsize>(DBUS_MAXIMUM_MESSAGE_LENGTH)
                               ? dbus_message_demarshal(reinterpret_cast<const char*>(blob),
                                                        static_cast<int>(size), &error)
                               : nullptr;
  dbus_error_free(&error);
  g_free(blob);
  return converted;
}

Message toGdbus(DBusMessage* message) {
  char* blob = nullptr;
  int size = 0;
  if (!dbus_message_marshal(message, &blob, &size)) return nullptr;
  GDBusMessage* converted = g_dbus_message_new_from_blob(
      reinterpret_cast<guchar*>(blob), static_cast<gsize>(size), G_DBUS_CAPABILITY_FLAGS_NONE,
      nullptr);
  dbus_free(blob);
  return Message(converted);
}

}  // namespace

std::unique_ptr<DirectLink> DirectLink::open(const std::string& address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* connection = dbus_connection_open_private(address.c_str(), &error);
  dbus_error_free(&error);
  if (connection == nullptr) return nullptr;
  // A closed socket must end the exchange, not the process.
  dbus_connection_set_exit_on_disconnect(connection, FALSE);
  return std::unique_ptr<DirectLink>(new DirectLink(connection));
}

DirectLink::~DirectLink() {
  dbus_connection_close(connection_);
  dbus_connection_unref(connection_);
}

bool DirectLink::connected() {
  const std::lock_guard lock(mutex_);
  // A look at the socket without waiting notices a hang-up.
  return dbus_connection_read_write(connection_, 0) != 0 &&
         dbus_connection_get_is_connected(connection_) != 0;
}

std::optional<std::vector<Message>> DirectLink::exchange(const std::vector<GDBusMessage*>& calls,
                                                         int milliseconds) {
  const std::lock_guard lock(mutex_);
  std::vector<Message> replies(calls.size());
  std::map<dbus_uint32_t, std::size_t> waiting;  // serial -> position of the call
  const auto bound = std::chrono::milliseconds(milliseconds);
  auto lastReply = Clock::now();
  std::size_t next = 0;
  while (dbus_connection_get_is_connected(connection_) &&
         (next < calls.size() || !waiting.empty())) {
    for (; next < calls.size() && waiting.size() < kInFlight; ++next) {
      if (calls[next] == nullptr) continue;
      if (++lastSerial_ == 0) ++lastSerial_;  // 0 is no serial
      DBusMessage* message = toLibdbus(calls[next], lastSerial_);
      if (message == nullptr) continue;
      dbus_uint32_t serial = 0;
      if (dbus_connection_send(connection_, message, &serial)) waiting.emplace(serial, next);
      dbus_message_unref(message);
    }
    if (waiting.empty()) continue;
    const auto left = bound - (Clock::now() - lastReply);
    if (left <= Clock::duration::zero()) return std::nullopt;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    // Replies read along with the hang-up are still taken.
    const bool open = dbus_connection_read_write(connection_, static_cast<int>(wait));
    while (DBusMessage* reply = dbus_connection_pop_message(connection_)) {
      const auto it = waiting.find(dbus_message_get_reply_serial(reply));
      if (it != waiting.end()) {
        replies[it->second] = toGdbus(reply);
        waiting.erase(it);
        lastReply = Clock::now();
      }
      dbus_message_unref(reply);
    }
    if (!open) break;
  }
  return replies;
}

}  // namespace platform::accessibility
