#include "device_override.h"

// Windows names its serial ports itself: COMn is the device, nothing to map.
bool OverridePortDevice(int, const std::string&) {
    return false;
}
