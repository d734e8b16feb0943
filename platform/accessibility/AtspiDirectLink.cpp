#include "AtspiDirectLink.h"

#include <dbus/dbus.h>

#include <chrono>
#include <cstddef>
#include <map>

#include "AtspiWire.h"

namespace platform::accessibility {
namespace {

// Enough to hide the round trips; the application reads its socket in order.
constexpr std::size_t kInFlight = 128;

using Clock = std::chrono::steady_clock;

// The message of a call under `serial`; null when it cannot be made.
DBusMessage* messageOf(const ObjectCall& call, std::uint32_t serial) {
  if (!dbus_validate_bus_name(call.object.busName.c_str(), nullptr) ||
      !dbus_validate_path(call.object.path.c_str(), nullptr) ||
      !dbus_validate_interface(call.interface, nullptr) ||
      !dbus_validate_member(call.method, nullptr)) {
    return nullptr;
  }
  DBusMessage* message = dbus_message_new_method_call(
      call.object.busName.c_str(), call.object.path.c_str(), call.interface, call.method);
  if (message == nullptr) return nullptr;
  dbus_message_set_auto_start(message, FALSE);
  dbus_message_set_serial(message, serial);
  if (!appendArguments(message, call.parameters)) {
    dbus_message_unref(message);
    return nullptr;
  }
  return message;
}

Variant valuesOf(DBusMessage* reply) {
  if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN) return nullptr;
  return Variant(argumentsOf(reply));
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

std::optional<std::vector<Variant>> DirectLink::exchange(const std::vector<ObjectCall>& calls,
                                                         int milliseconds) {
  const std::lock_guard lock(mutex_);
  std::vector<Variant> replies(calls.size());
  std::map<dbus_uint32_t, std::size_t> waiting;  // serial -> position of the call
  const auto bound = std::chrono::milliseconds(milliseconds);
  auto lastReply = Clock::now();
  std::size_t next = 0;
  while (dbus_connection_get_is_connected(connection_) &&
         (next < calls.size() || !waiting.empty())) {
    for (; next < calls.size() && waiting.size() < kInFlight; ++next) {
      if (++lastSerial_ == 0) ++lastSerial_;  // 0 is no serial
      DBusMessage* message = messageOf(calls[next], lastSerial_);
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
        replies[it->second] = valuesOf(reply);
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
