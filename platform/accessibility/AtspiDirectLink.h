#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AtspiCalls.h"

struct DBusConnection;

namespace platform::accessibility {

// A private libdbus connection to an application's own socket, driven on the
// calling thread.
//
// GDBus hands every message to its worker thread and back and builds each
// one through a serialised GVariant; for the thousand small reads of one
// search of a window that costs more than the application takes to answer.
// Here the calls are written and their replies read by the caller itself,
// many in flight at a time, and the values go straight between GLib's and
// libdbus's forms, so callers pass and get the same GVariants as they do
// with GDBus.
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

  // Makes the calls (their parameters stay the caller's), many in flight at a
  // time, and waits for their replies. The replies' values in the calls'
  // order, each a tuple; null for an error, for a call that could not be
  // made, and for one whose reply did not come before the link closed.
  // Nothing when no reply at all came for `milliseconds` (the application
  // stopped answering). One exchange at a time; concurrent callers wait
  // their turn.
  std::optional<std::vector<Variant>> exchange(const std::vector<ObjectCall>& calls,
                                               int milliseconds);

 private:
  explicit DirectLink(DBusConnection* connection) : connection_(connection) {}
  std::mutex mutex_;
  DBusConnection* connection_;
  std::uint32_t lastSerial_ = 0;
};

}  // namespace platform::accessibility
