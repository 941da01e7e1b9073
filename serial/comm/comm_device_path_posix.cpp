#include "comm_device_path_posix.h"

#include <map>
#include <mutex>
#include <system_error>

#include "adapter_numbers.h"
#include "comm_device_name.h"
#include "config_files_posix.h"
#include "settings_store.h"

namespace fs = std::filesystem;

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

std::string DefaultPath(int number, const DeviceTree& tree) {
    return (tree.dev / ("ttyS" + std::to_string(number - 1))).string();
}

// What the override or the settings say for a number, without looking at the devices.
std::optional<ComDeviceChoice> NamedChoice(int number) {
    ComDeviceChoice choice;
    choice.number = number;
    if (auto path = OverrideFor(number)) {
        choice.path = std::move(*path);
        choice.source = ComDeviceChoice::Source::Override;
        return choice;
    }
    const std::string key = "COM" + std::to_string(number);
    if (auto value = ReadConfigValue(kSettingsSubkey, "Ports", key);
        value && !value->text.empty()) {
        choice.path = std::move(value->text);
        choice.source = ComDeviceChoice::Source::PortsLine;
        choice.settingsFile = value->file.string();
        return choice;
    }
    return std::nullopt;
}

// A number is open to adapters when nothing names it and its ttyS has no UART.
bool OpenToAdapters(int number, const std::map<int, ComDeviceChoice>& named,
                    const DeviceTree& tree) {
    return named.count(number) == 0 && !HasUart(tree, "ttyS" + std::to_string(number - 1));
}

// The adapters that no named number reaches, with the numbers the rule gives them.
std::map<int, SerialDevice> NumberAdapters(int last, const std::map<int, ComDeviceChoice>& named,
                                           const DeviceTree& tree) {
    std::vector<SerialDevice> adapters;
    for (SerialDevice& device : FindSerialAdapters(tree)) {
        bool reached = false;
        for (const auto& [number, choice] : named) {
            std::error_code ec;
            reached = reached || fs::weakly_canonical(choice.path, ec) == fs::path(device.path);
        }
        if (!reached) {
            adapters.push_back(std::move(device));
        }
    }
    std::vector<std::string> keys;
    for (const SerialDevice& device : adapters) {
        keys.push_back(device.byId.empty() ? device.name : device.byId);
    }
    const std::vector<int> numbers = AssignAdapterNumbers(
        keys, last, [&](int number) { return OpenToAdapters(number, named, tree); });
    std::map<int, SerialDevice> numbered;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        if (numbers[i] != 0) {
            numbered.emplace(numbers[i], std::move(adapters[i]));
        }
    }
    return numbered;
}

std::map<int, ComDeviceChoice> NamedChoices(int last) {
    std::map<int, ComDeviceChoice> named;
    for (int number = 1; number <= last; ++number) {
        if (auto choice = NamedChoice(number)) {
            named.emplace(number, std::move(*choice));
        }
    }
    return named;
}

ComDeviceChoice Finish(ComDeviceChoice choice, const DeviceTree& tree) {
    if (!choice.device) {
        choice.device = DescribeSerialDevice(tree, choice.path);
    }
    return choice;
}

}  // namespace

std::vector<ComDeviceChoice> ListComDevices(int last, const DeviceTree& tree) {
    const std::map<int, ComDeviceChoice> named = NamedChoices(last);
    std::map<int, SerialDevice> adapters = NumberAdapters(last, named, tree);
    std::vector<ComDeviceChoice> list;
    for (int number = 1; number <= last; ++number) {
        ComDeviceChoice choice;
        if (const auto found = named.find(number); found != named.end()) {
            choice = found->second;
        } else if (auto adapter = adapters.find(number); adapter != adapters.end()) {
            choice.number = number;
            choice.path = adapter->second.path;
            choice.source = ComDeviceChoice::Source::Adapter;
            choice.device = std::move(adapter->second);
        } else {
            choice.number = number;
            choice.path = DefaultPath(number, tree);
        }
        list.push_back(Finish(std::move(choice), tree));
    }
    return list;
}

ComDeviceChoice ChooseComDevice(int number, const DeviceTree& tree) {
    if (auto choice = NamedChoice(number)) {
        return Finish(std::move(*choice), tree);
    }
    // Only numbers the dialog offers are given to adapters; a number whose ttyS has a
    // UART is that UART's whatever the adapters are.
    if (number <= kLastListedComPort && !HasUart(tree, "ttyS" + std::to_string(number - 1))) {
        const auto named = NamedChoices(kLastListedComPort);
        auto adapters = NumberAdapters(kLastListedComPort, named, tree);
        if (auto adapter = adapters.find(number); adapter != adapters.end()) {
            ComDeviceChoice choice;
            choice.number = number;
            choice.path = adapter->second.path;
            choice.source = ComDeviceChoice::Source::Adapter;
            choice.device = std::move(adapter->second);
            return choice;
        }
    }
    ComDeviceChoice choice;
    choice.number = number;
    choice.path = DefaultPath(number, tree);
    return Finish(std::move(choice), tree);
}

std::optional<std::string> ResolveComDevicePath(std::string_view deviceName) {
    const auto number = ParseComPortNumber(deviceName);
    if (!number || *number < 1) {
        return std::nullopt;
    }
    return ChooseComDevice(*number).path;
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
