#include "AtspiBus.h"

#include <atspi/atspi.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform::accessibility {
namespace {

// The session and accessibility buses must answer within this; libatspi's
// calls to applications within kCallMilliseconds each (an application that
// has just joined the bus gets kStartupMilliseconds).
constexpr auto kConnectTimeout = std::chrono::seconds(3);
constexpr int kAddressCallMilliseconds = 2000;
constexpr int kCallMilliseconds = 3000;
constexpr int kStartupMilliseconds = 5000;

struct BusState {
  bool tried = false;
  bool connected = false;
  GDBusConnection* session = nullptr;
};

BusState& busState() {
  static BusState state;
  return state;
}

GLogWriterOutput discardStructured(GLogLevelFlags, const GLogField*, gsize, gpointer) {
  return G_LOG_WRITER_HANDLED;
}

void discardUnstructured(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void silenceLogs() {
  g_log_set_writer_func(discardStructured, nullptr, nullptr);
  g_log_set_default_handler(discardUnstructured, nullptr);
}

std::optional<std::string> nonEmptyVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> sessionBusAddress() {
  if (auto address = nonEmptyVariable("DBUS_SESSION_BUS_ADDRESS")) return address;
  const auto runtime = nonEmptyVariable("XDG_RUNTIME_DIR");
  if (!runtime) return std::nullopt;
  const std::string socket = *runtime + "/bus";
  struct stat info{};
  if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::nullopt;
  gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

GDBusConnection* openBus(const std::string& address) {
  GError* error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  return connection;
}

std::optional<std::string> askAccessibilityBusAddress(GDBusConnection* session) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
      G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kAddressCallMilliseconds, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  if (reply == nullptr) return std::nullopt;
  const gchar* text = nullptr;
  g_variant_get(reply, "(&s)", &text);
  std::optional<std::string> address;
  if (text != nullptr && *text != '\0') address = text;
  g_variant_unref(reply);
  return address;
}

// What the bounded part of the connection found.
struct Found {
  GDBusConnection* session = nullptr;
  std::string accessibilityAddress;
};

std::optional<Found> findBuses(const std::string& sessionAddress) {
  GDBusConnection* session = openBus(sessionAddress);
  if (session == nullptr) return std::nullopt;
  auto address = nonEmptyVariable("AT_SPI_BUS_ADDRESS");
  if (!address) address = askAccessibilityBusAddress(session);
  GDBusConnection* trial = address ? openBus(*address) : nullptr;
  if (trial == nullptr) {
    g_object_unref(session);
    return std::nullopt;
  }
  g_dbus_connection_close_sync(trial, nullptr, nullptr);
  g_object_unref(trial);
  return Found{session, *address};
}

// Runs findBuses on a worker thread and waits at most kConnectTimeout. A
// worker that overruns is left behind; its late answer is dropped.
std::optional<Found> findBusesInTime(const std::string& sessionAddress) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    std::optional<Found> found;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, sessionAddress] {
    auto found = findBuses(sessionAddress);
    std::lock_guard lock(shared->mutex);
    if (shared->abandoned) {
      if (found) g_object_unref(found->session);
      return;
    }
    shared->found = std::move(found);
    shared->finished = true;
    shared->done.notify_one();
  }).detach();
  std::unique_lock lock(shared->mutex);
  if (!shared->done.wait_for(lock, kConnectTimeout, [&] { return shared->finished; })) {
    shared->abandoned = true;
    return std::nullopt;
  }
  return std::move(shared->found);
}

bool connectOnce() {
  silenceLogs();
  const auto sessionAddress = sessionBusAddress();
  if (!sessionAddress) return false;
  auto found = findBusesInTime(*sessionAddress);
  if (!found) return false;
  busState().session = found->session;

  // libatspi takes the address we checked, and never looks elsewhere.
  setenv("AT_SPI_BUS_ADDRESS", found->accessibilityAddress.c_str(), 1);
  atspi_set_timeout(kCallMilliseconds, kStartupMilliseconds);
  const int status = atspi_init();
  if (status != 0 && status != 1) return false;  // 1: already initialised

  AtspiAccessible* desktop = atspi_get_desktop(0);
  if (desktop == nullptr) return false;
  GError* error = nullptr;
  atspi_accessible_get_child_count(desktop, &error);
  g_object_unref(desktop);
  if (error != nullptr) {
    g_error_free(error);
    return false;
  }
  return true;
}

}  // namespace

bool connectAccessibilityBus() {
  BusState& state = busState();
  if (!state.tried) {
    state.tried = true;
    state.connected = connectOnce();
  }
  return state.connected;
}

GDBusConnection* sessionBus() { return busState().connected ? busState().session : nullptr; }

}  // namespace platform::accessibility
