#pragma once

#include <gio/gio.h>

#include <string>

namespace platform::accessibility {

// The connection that reaches `busName` on the accessibility bus.
//
// An application (a unique name, ":1.42") that serves its accessible objects
// on a socket of its own (Application.GetApplicationBusAddress, as GTK's
// bridge does) is reached there directly, one hop instead of two through the
// bus daemon. It is asked once per name and the answer kept for the process's
// life: unique names are never reused on a bus. The ask and the connection
// are bounded by kBusCallMilliseconds; an application that offers no socket,
// an address that is not a local socket, a failure or a time-out, a closed
// peer connection, and any other name get the accessibility bus itself. Null
// without a connected accessibility bus, and for an application marked hung.
// An application that leaves the ask unanswered (busy, say, building a long
// list at start-up) is asked again after its next answer over the bus (see
// noteAnswered), so that one busy moment does not keep it off its socket.
GDBusConnection* connectionTo(const std::string& busName);

// `busName` has answered a call over the bus.
void noteAnswered(const std::string& busName);

class DirectLink;

// The application's own socket on a link driven by the calling thread, for
// the application that connectionTo reaches there; null for any other name,
// once the application has closed it, and for an application marked hung.
DirectLink* directLinkTo(const std::string& busName);

// From now on, calls to the application owning `busName` fail at once.
void markHung(const std::string& busName);

}  // namespace platform::accessibility
