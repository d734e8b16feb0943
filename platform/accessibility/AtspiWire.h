#pragma once

#include <dbus/dbus.h>
#include <gio/gio.h>

namespace platform::accessibility {

// GLib's values in and out of libdbus's messages, one type at a time, with
// no serialised copy in between.

// Appends the children of `tuple` (null for none) as the message's
// arguments. False when one cannot be carried: a file handle, or a value
// libdbus refuses.
bool appendArguments(DBusMessage* message, GVariant* tuple);

// The message's arguments as one tuple, "()" for none; null when one cannot
// be read (a file handle). The caller owns the value.
GVariant* argumentsOf(DBusMessage* message);

}  // namespace platform::accessibility
