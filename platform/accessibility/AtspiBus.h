#pragma once

#include <gio/gio.h>

namespace platform::accessibility {

// The process's connection to the desktop's accessibility bus (AT-SPI 2).
// libatspi keeps one connection per process, so this does too.
//
// The first call connects, bounded in time: the session bus (its address
// from DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus; nothing is
// auto-launched), the accessibility bus address (AT_SPI_BUS_ADDRESS, else
// asked of the session bus), a trial connection to it, then libatspi and one
// call to the registry. Any failure or time-out answers false, never a hang
// or an abort. Later calls give the first answer.
//
// GLib's and libatspi's log messages are discarded from the first call on:
// the program's standard error carries only its own lines.
bool connectAccessibilityBus();

// The session bus connection made by a successful connectAccessibilityBus;
// null before or without one.
GDBusConnection* sessionBus();

}  // namespace platform::accessibility
