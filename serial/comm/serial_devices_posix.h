// The serial devices this machine has, found in /dev and the kernel's device tree (sysfs)
// without opening any of them: an open raises DTR on many adapters, which some machines
// take as a signal.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where the device nodes and the kernel's device tree are. The tests lay out their own.
struct DeviceTree {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sys = "/sys";
};

// The tree in force for the process: the system's unless a test has set another.
DeviceTree CurrentDeviceTree();
void SetDeviceTree(const DeviceTree& tree);

struct SerialDevice {
    std::string path;     // the device node, links resolved: /dev/ttyUSB0
    std::string name;     // the kernel's name: ttyUSB0
    std::string byId;     // its name in /dev/serial/by-id, or empty
    std::string product;  // the USB product string, or empty
};

// What is behind a path, when it is a terminal device with hardware behind it (a pty,
// a console or a file is not). For a ttyS node, also only when a UART is there.
std::optional<SerialDevice> DescribeSerialDevice(const DeviceTree& tree,
                                                 const std::filesystem::path& path);

// The USB and modem adapters: /dev/ttyUSB*, /dev/ttyACM* and whatever /dev/serial/by-id
// names, each device once.
std::vector<SerialDevice> FindSerialAdapters(const DeviceTree& tree);

// Whether the kernel knows a UART behind the ttyS port of that name (most of the ttyS
// nodes of a PC have none).
bool HasUart(const DeviceTree& tree, const std::string& ttyName);
