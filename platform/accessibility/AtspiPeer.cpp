#include "AtspiPeer.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "AtspiBus.h"
#include "AtspiDirectLink.h"
#include "WithinTime.h"

namespace platform::accessibility {
namespace {

constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";

// The application's own address, when it gives one on a local socket;
// `unanswered` when it gave no answer in time.
std::optional<std::string> askPeerAddress(GDBusConnection* bus, const std::string& busName,
                                          bool& unanswered) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, busName.c_str(), kRootPath, "org.a11y.atspi.Application", "GetApplicationBusAddress",
      nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kBusCallMilliseconds,
      nullptr, &error);
  if (error != nullptr) {
    unanswered = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
    g_error_free(error);
  }
  if (reply == nullptr) return std::nullopt;
  const gchar* text = nullptr;
  g_variant_get(reply, "(&s)", &text);
  std::optional<std::string> address;
  // Only a socket on this machine: never a network transport handed over by
  // whatever answers to the name.
  if (text != nullptr && g_str_has_prefix(text, "unix:") &&
      g_dbus_is_supported_address(text, nullptr)) {
    address = text;
  }
  g_variant_unref(reply);
  return address;
}

GDBusConnection* openPeer(const std::string& address) {
  GError* error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address.c_str(), G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT, nullptr, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  return connection;
}

struct Peer {
  GDBusConnection* connection = nullptr;  // null: reached through the bus
  std::unique_ptr<DirectLink> link;       // the same socket, for calls made here
  // The application was too busy to say (still building its window, say):
  // asked again once it answers over the bus.
  bool askAgain = false;
};

// A socket that accepts but never completes the handshake (the application
// hung) must not hold the caller: the connection is made on a worker and
// given up after the bound.
Peer connectPeer(GDBusConnection* bus, const std::string& busName) {
  bool unanswered = false;
  const auto address = askPeerAddress(bus, busName, unanswered);
  if (!address) return {.askAgain = unanswered};
  const auto peer = withinTime<GDBusConnection*>(
      [address = *address]() -> std::optional<GDBusConnection*> {
        GDBusConnection* connection = openPeer(address);
        if (connection == nullptr) return std::nullopt;
        return connection;
      },
      [](GDBusConnection*& late) { g_object_unref(late); },
      std::chrono::milliseconds(kBusCallMilliseconds));
  if (!peer) return {};
  // Only an application that has just completed a handshake in time gets a
  // link of its own.
  return {*peer, DirectLink::open(*address)};
}

struct Peers {
  std::mutex mutex;
  std::map<std::string, Peer> byName;
  std::set<std::string> hung;
};

Peers& peers() {
  static Peers* all = new Peers;  // lives as long as the process's connections
  return *all;
}

// The peer of an application, asked and connected on first use; null for a
// well-known name or the bus daemon, and without a bus. Called with the lock
// held.
Peer* peerOf(Peers& all, GDBusConnection* bus, const std::string& busName) {
  if (bus == nullptr || !g_dbus_is_unique_name(busName.c_str())) return nullptr;
  auto it = all.byName.find(busName);
  if (it == all.byName.end()) it = all.byName.emplace(busName, connectPeer(bus, busName)).first;
  return &it->second;
}

}  // namespace

GDBusConnection* connectionTo(const std::string& busName) {
  GDBusConnection* bus = accessibilityBus();
  Peers& all = peers();
  const std::lock_guard lock(all.mutex);
  if (bus != nullptr && all.hung.count(busName) != 0) return nullptr;
  const Peer* peer = peerOf(all, bus, busName);
  if (peer == nullptr || peer->connection == nullptr) return bus;
  return g_dbus_connection_is_closed(peer->connection) ? bus : peer->connection;
}

DirectLink* directLinkTo(const std::string& busName) {
  GDBusConnection* bus = accessibilityBus();
  Peers& all = peers();
  const std::lock_guard lock(all.mutex);
  if (all.hung.count(busName) != 0) return nullptr;
  Peer* peer = peerOf(all, bus, busName);
  if (peer == nullptr || !peer->link || !peer->link->connected()) return nullptr;
  return peer->link.get();
}

void noteAnswered(const std::string& busName) {
  Peers& all = peers();
  const std::lock_guard lock(all.mutex);
  const auto it = all.byName.find(busName);
  if (it != all.byName.end() && it->second.askAgain) all.byName.erase(it);
}

void markHung(const std::string& busName) {
  Peers& all = peers();
  const std::lock_guard lock(all.mutex);
  all.hung.insert(busName);
}

}  // namespace platform::accessibility
