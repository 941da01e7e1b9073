#include "comm_device_path_posix.h"
#include "device_override.h"

bool OverridePortDevice(int port, const std::string& path) {
    SetComDeviceOverride(port, path);
    return true;
}
