// Start-up of the Qt window-system backend. Qt-free: the program's start and the ui tests call this
// without seeing a Qt type.
#pragma once

#include "win32/uidriver.h"

#include <memory>
#include <string>
#include <vector>

namespace kel::qt
{

// Creates the Qt application object (once per process) on the calling thread, which becomes the
// user-interface thread, sets LC_NUMERIC and LC_TIME back to "C", and initialises the window manager
// with the Qt driver. argc/argv are handed to Qt (may be 0/nullptr). False when the window manager is
// already initialised or Qt cannot start.
bool StartUi(int argc = 0, char** argv = nullptr);
// Shuts the window manager down and drops the driver; the Qt application object stays for a later
// StartUi (Qt cannot be started twice in one process).
void StopUi();

// Destroys the Qt application object after StopUi (the program's end, the tests' end). Widgets
// still alive go with it.
void EndQt();

// A new Qt driver (the Qt application must exist). For callers that run kel::ui::Initialize
// themselves.
std::unique_ptr<kel::ui::Driver> CreateDriver();

// Sets LC_NUMERIC and LC_TIME back to "C" (Qt switches the C runtime to the user's locale).
void RestoreCLocale();

// Installs the backend's drawing devices, printers and fonts with the drawing core (which then
// also gives the window manager its DCs for BeginPaint/GetDC). The driver's Init does it; a program
// that draws without starting the window manager calls it after making its Qt application.
void InstallDrawing();

// Plays the wave-out devices and PlaySound's wave files through Qt Multimedia (StartUi does it; a
// machine without a sound output plays silently). RemoveAudio ends the audio thread (StopUi does it).
void InstallAudio();
void RemoveAudio();

// Tests: drags local files (UTF-8 paths) onto the widget of hwnd at clientPt and drops them there,
// as the window system would deliver it. True when the drop was accepted.
bool SimulateFileDrop(HWND hwnd, POINT clientPt, const std::vector<std::string>& utf8Paths);

} // namespace kel::qt
