#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct DBusConnection;

namespace platform::accessibility {

// Owner of a GDBus message.
struct MessageRelease {
  void operator()(GDBusMessage* message) const { g_object_unref(message); }
};
using Message = std::unique_ptr<GDBusMessage, MessageRelease>;

// A private libdbus connection to an application's own socket, driven on the
// calling thread.
//
// GDBus hands every message to its worker thread and back; for the thousand
// small reads of one search of a window that hop costs more than the
// application takes to answer. Here the calls are written and their replies
// read by the caller itself, many in flight at a time. The messages are
// GDBus's, carried in their wire form, so callers build and read them as
// they do for a GDBus connection.
class DirectLink {
 public:
  // Nothing when the address cannot be connected to. The handshake itself
  // happens with the first exchange, within its bound.
  static std::unique_ptr<DirectLink> open(const std::string& address);
  ~DirectLink();
  DirectLink(const DirectLink&) = delete;
  DirectLink& operator=(const DirectLink&) = delete;

  // False once the application has closed its end; looks without waiting.
  bool connected();

  // Sends the calls, many in flight at a time, and waits for their replies.
  // The replies in the calls' order; null for a call that could not be sent
  // or whose reply did not come before the link closed. Nothing when no
  // reply at all came for `milliseconds` (the application stopped answering).
  // One exchange at a time; concurrent callers wait their turn.
  std::optional<std::vector<Message>> exchange(const std::vector<GDBusMessage*>& calls,
                                               int milliseconds);

 private:
  explicit DirectLink(DBusConnection* connection) : connection_(connection) {}
  std::mutex mutex_;
  DBusConnection* connection_;
  std::uint32_t lastSerial_ = 0;
};

}  // namespace platform::accessibility
