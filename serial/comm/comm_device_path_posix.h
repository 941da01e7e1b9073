// Which device a COM port is on a POSIX system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial_devices_posix.h"

// The highest number the settings dialog offers, and so the highest an adapter is given.
inline constexpr int kLastListedComPort = 99;

// How a port number came to its device.
struct ComDeviceChoice {
    enum class Source {
        Override,   // the console runner's --device
        PortsLine,  // "COM<n>=path" in [Ports] of a settings file
        Adapter,    // an adapter that no other number reaches, by the stable rule
        Default,    // /dev/ttyS<n-1>
    };
    int number = 0;
    std::string path;
    Source source = Source::Default;
    std::string settingsFile;            // PortsLine: the file that holds the line
    std::optional<SerialDevice> device;  // what is there now, when it is a serial device
};

// COM<number>: an override set below, else the "[Ports]" entry "COM<n>" of the settings
// (COM3=/dev/ttyUSB0), else an adapter given this number, else /dev/ttyS<n-1>. Opens no
// device. The number must be 1 or more.
ComDeviceChoice ChooseComDevice(int number, const DeviceTree& tree = CurrentDeviceTree());

// The choices for COM1 to COM<last>, in order, from one look at the devices.
std::vector<ComDeviceChoice> ListComDevices(int last, const DeviceTree& tree = CurrentDeviceTree());

// The path for a device name "COM%d" or "\\.\COM%d", as ChooseComDevice gives it. Nothing
// for a name of another form or a port number below 1.
std::optional<std::string> ResolveComDevicePath(std::string_view deviceName);

// Makes COM<number> open the given path in this process, ahead of the settings file (the
// console runner's --device). An empty path removes the override.
void SetComDeviceOverride(int number, std::string path);
