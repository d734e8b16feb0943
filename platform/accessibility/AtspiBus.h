#pragma once

#include <gio/gio.h>

namespace platform::accessibility {

// The process's connections to the desktop's session bus and accessibility
// bus (AT-SPI 2).
//
// The first call connects, bounded in time: the session bus (its address
// from DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus; nothing is
// auto-launched), the accessibility bus address (AT_SPI_BUS_ADDRESS, else
// asked of the session bus), the accessibility bus itself, and one call to
// its registry. Any failure or time-out answers false, never a hang or an
// abort. Later calls give the first answer.
//
// GLib's log messages are discarded from the first call on: the program's
// standard error carries only its own lines.
bool connectAccessibilityBus();

// The connections made by a successful connectAccessibilityBus; null before
// or without one.
GDBusConnection* sessionBus();
GDBusConnection* accessibilityBus();

// Every call to an application or a bus daemon is bounded by this,
inline constexpr int kBusCallMilliseconds = 3000;
// except a call whose answer grows with the application's tree (an element's
// children, a search of a window): GTK 3 takes seconds to list a container of
// 5,000 children. An application that leaves such a call unanswered this long
// has hung, and is not called again (see connectionTo).
inline constexpr int kTreeCallMilliseconds = 25000;

}  // namespace platform::accessibility
