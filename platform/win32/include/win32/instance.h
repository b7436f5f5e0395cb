// Windows of other running instances of the program (same user): FindWindow finds their top-level
// windows by class and title, and WM_COPYDATA, activation and restoring reach them. Each process
// that shows a top-level window of a class listens on a per-user local socket named after that class
// ($XDG_RUNTIME_DIR, or a private folder under /tmp); the first live process of a class owns it.
// Backends call this; the system's code only calls FindWindow, SendMessage and ShowWindow.
#pragma once

#include "win32/types.h"

#include <string>

namespace kel::ui
{

// Installs the FindWindow lookup in other instances (SetForeignWindowFinder). A window found there
// is a local stand-in (a message-only window): WM_COPYDATA sent to it is delivered to the real
// window on its user-interface thread and its result returned; SetForegroundWindow or ShowWindow
// on it restores and activates the real window. Idempotent.
void InstallForeignWindowFinder();

// Serves top-level windows of className to other instances. Idempotent. False when the socket
// cannot be made or a live process of this user already serves the class.
bool ServeWindowClass(const std::string& className);

// Stops serving every class: closes the sockets and removes their files (also done at exit).
void StopServingWindowClasses();

// The socket file of a class (the class name is compared case-insensitively, as FindWindow does).
std::string WindowClassSocketPath(const std::string& className);

} // namespace kel::ui
