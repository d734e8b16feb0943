#include "AtspiBus.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "WithinTime.h"

namespace platform::accessibility {
namespace {

// Connecting and the first answers of both buses must come within this.
constexpr std::chrono::milliseconds kConnectTimeout(3000);

struct BusState {
  bool tried = false;
  bool connected = false;
  GDBusConnection* session = nullptr;
  GDBusConnection* accessibility = nullptr;
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
  struct stat info {};
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

// One call whose reply is only checked for arriving.
GVariant* call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
               const char* method, const char* replyType) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus, name, path, interface, method, nullptr,
                                                G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                kBusCallMilliseconds, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  return reply;
}

std::optional<std::string> askAccessibilityBusAddress(GDBusConnection* session) {
  GVariant* reply =
      call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", "(s)");
  if (reply == nullptr) return std::nullopt;
  const gchar* text = nullptr;
  g_variant_get(reply, "(&s)", &text);
  std::optional<std::string> address;
  if (text != nullptr && *text != '\0') address = text;
  g_variant_unref(reply);
  return address;
}

struct Buses {
  GDBusConnection* session = nullptr;
  GDBusConnection* accessibility = nullptr;
};

void release(Buses& buses) {
  if (buses.session != nullptr) g_object_unref(buses.session);
  if (buses.accessibility != nullptr) g_object_unref(buses.accessibility);
  buses = {};
}

std::optional<Buses> findBuses(const std::string& sessionAddress) {
  Buses buses;
  buses.session = openBus(sessionAddress);
  if (buses.session == nullptr) return std::nullopt;
  auto address = nonEmptyVariable("AT_SPI_BUS_ADDRESS");
  if (!address) address = askAccessibilityBusAddress(buses.session);
  if (address) buses.accessibility = openBus(*address);
  // The registry answers (the bus starts it on first use).
  GVariant* children =
      buses.accessibility == nullptr
          ? nullptr
          : call(buses.accessibility, "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                 "org.a11y.atspi.Accessible", "GetChildren", "(a(so))");
  if (children == nullptr) {
    release(buses);
    return std::nullopt;
  }
  g_variant_unref(children);
  return buses;
}

bool connectOnce() {
  silenceLogs();
  const auto sessionAddress = sessionBusAddress();
  if (!sessionAddress) return false;
  // A bus that does not answer in time is left behind; a late answer is
  // dropped.
  const auto found = withinTime<Buses>([address = *sessionAddress] { return findBuses(address); },
                                       release, kConnectTimeout);
  if (!found) return false;
  busState().session = found->session;
  busState().accessibility = found->accessibility;
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

GDBusConnection* accessibilityBus() {
  return busState().connected ? busState().accessibility : nullptr;
}

}  // namespace platform::accessibility
