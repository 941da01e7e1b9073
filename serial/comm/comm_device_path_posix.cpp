#include "comm_device_path_posix.h"

#include <map>
#include <mutex>

#include "comm_device_name.h"
#include "settings_store.h"
#include "system_config_posix.h"

namespace {

struct Overrides {
    std::mutex mutex;
    std::map<int, std::string> paths;
};

Overrides& TheOverrides() {
    static Overrides overrides;
    return overrides;
}

std::optional<std::string> OverrideFor(int number) {
    Overrides& overrides = TheOverrides();
    const std::lock_guard lock(overrides.mutex);
    const auto found = overrides.paths.find(number);
    if (found == overrides.paths.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace

std::optional<std::string> ResolveComDevicePath(std::string_view deviceName) {
    const auto number = ParseComPortNumber(deviceName);
    if (!number || *number < 1) {
        return std::nullopt;
    }
    if (auto path = OverrideFor(*number)) {
        return path;
    }
    const std::string key = "COM" + std::to_string(*number);
    if (auto path = ReadSystemConfigValue(kSettingsSubkey, "Ports", key); path && !path->empty()) {
        return path;
    }
    return "/dev/ttyS" + std::to_string(*number - 1);
}

void SetComDeviceOverride(int number, std::string path) {
    Overrides& overrides = TheOverrides();
    const std::lock_guard lock(overrides.mutex);
    if (path.empty()) {
        overrides.paths.erase(number);
    } else {
        overrides.paths[number] = std::move(path);
    }
}
