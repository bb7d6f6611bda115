#pragma once

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace tv::linux_os {

// The process behind an X window as the X server itself saw it connect (the X Resource
// extension's local client pid): unlike a window's own _NET_WM_PID it cannot be made up by the
// client, and it is the real pid of a sandboxed one. Absent for remote clients, for servers
// without the extension, and for a window that is gone.
std::optional<std::int32_t> clientPidOf(xcb_connection_t* connection, std::uint32_t window);

// The same, else the window's own _NET_WM_PID where the server cannot say.
std::optional<std::int32_t> windowPidOf(xcb_connection_t* connection, std::uint32_t window);

}  // namespace tv::linux_os
