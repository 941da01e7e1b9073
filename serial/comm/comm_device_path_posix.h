// Which device a COM port is on a POSIX system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The path for a device name "COM%d" or "\\.\COM%d": an override set below, else the
// "[Ports]" entry "COM<n>" of the settings file (COM3=/dev/ttyUSB0), else /dev/ttyS<n-1>.
// Nothing for a name of another form or a port number below 1.
std::optional<std::string> ResolveComDevicePath(std::string_view deviceName);

// Makes COM<number> open the given path in this process, ahead of the settings file (the
// console runner's --device). An empty path removes the override.
void SetComDeviceOverride(int number, std::string path);
