// Shared between the serial-line sources: the tty device and the COM name map.
#pragma once

#include "win32/commdevice.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kel
{

// Opens a tty exclusively (a second open anywhere fails as busy). On failure returns nullptr,
// a Win32 error code in error and the cause in words ("permission denied - ...").
std::shared_ptr<CommDevice> OpenTtyDevice(const std::string& path, DWORD& error, std::string& cause);

// Parses "COM1=/dev/ttyUSB0;COM3=/tmp/vtty". Entries that do not parse are returned in bad.
std::map<int, std::string> ParseComMap(const std::string& text, std::vector<std::string>* bad);

// Serial devices under a sysfs class folder ("/sys/class/tty"), in COM order, as /dev paths.
std::vector<std::string> ScanSerialDevices(const std::string& classDir);

// Every COM number known now (virtual, assigned, found) with its device path, in number order.
std::map<int, std::string> ComPortMap();

// The opener of an in-process port registered as COMn, or an empty function.
VirtualComOpener FindVirtualComPort(int n);

// Number of "COMn" (any case, n >= 1, no leading zero), or 0.
int ParseComName(const std::string& name);

// Sets the text LastCommErrorDetail returns on this thread.
void SetCommErrorDetail(std::string text);

// Folder scanned for serial devices; tests point it at a fake tree ("" restores the default).
void SetSerialClassDir(const std::string& dir);

} // namespace kel
