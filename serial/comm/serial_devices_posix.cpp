#include "serial_devices_posix.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct TreeSetting {
    std::mutex mutex;
    DeviceTree tree;
};

TreeSetting& TheTreeSetting() {
    static TreeSetting setting;
    return setting;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// The sysfs folder of a character device, by its device number: nothing for a device the
// kernel keeps no entry for (a pty slave, for one).
std::optional<fs::path> SysfsFolderOf(const DeviceTree& tree, dev_t device) {
    const fs::path entry = tree.sys / "dev" / "char" /
                           (std::to_string(major(device)) + ":" + std::to_string(minor(device)));
    std::error_code ec;
    const fs::path folder = fs::canonical(entry, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        return std::nullopt;
    }
    return folder;
}

// The product string of the USB device the port belongs to: the nearest folder above the
// port's hardware that has one (the port, its interface, then the device).
std::string ProductOf(const DeviceTree& tree, const fs::path& sysFolder) {
    std::error_code ec;
    fs::path at = fs::canonical(sysFolder / "device", ec);
    if (ec) {
        return {};
    }
    const fs::path top = fs::weakly_canonical(tree.sys / "devices", ec);
    for (int level = 0; level < 4 && !at.empty() && at != top && at != at.root_path(); ++level) {
        std::error_code missing;
        if (fs::is_regular_file(at / "product", missing)) {
            return FirstLine(at / "product");
        }
        at = at.parent_path();
    }
    return {};
}

bool NameStartsWith(const std::string& name, std::string_view prefix) {
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

DeviceTree CurrentDeviceTree() {
    TreeSetting& setting = TheTreeSetting();
    const std::lock_guard lock(setting.mutex);
    return setting.tree;
}

void SetDeviceTree(const DeviceTree& tree) {
    TreeSetting& setting = TheTreeSetting();
    const std::lock_guard lock(setting.mutex);
    setting.tree = tree;
}

bool HasUart(const DeviceTree& tree, const std::string& ttyName) {
    // The 8250 driver registers every ttyS slot it has room for; "type" 0 says no UART
    // answered at that address.
    const std::string type = FirstLine(tree.sys / "class" / "tty" / ttyName / "type");
    return !type.empty() && type != "0";
}

std::optional<SerialDevice> DescribeSerialDevice(const DeviceTree& tree, const fs::path& path) {
    std::error_code ec;
    const fs::path node = fs::canonical(path, ec);
    struct stat info {};
    if (ec || ::stat(node.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return std::nullopt;
    }
    const auto sysFolder = SysfsFolderOf(tree, info.st_rdev);
    // Hardware behind it: a "device" link. Virtual consoles, ptmx and the like have none.
    if (!sysFolder || !fs::exists(*sysFolder / "device", ec) ||
        sysFolder->parent_path().filename() != "tty") {
        return std::nullopt;
    }
    SerialDevice device;
    device.path = node.string();
    device.name = sysFolder->filename().string();
    if (NameStartsWith(device.name, "ttyS") && !HasUart(tree, device.name)) {
        return std::nullopt;
    }
    device.product = ProductOf(tree, *sysFolder);
    return device;
}

std::vector<SerialDevice> FindSerialAdapters(const DeviceTree& tree) {
    std::map<std::string, SerialDevice> byPath;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(tree.dev, ec)) {
        const std::string name = entry.path().filename().string();
        if (NameStartsWith(name, "ttyUSB") || NameStartsWith(name, "ttyACM")) {
            if (auto device = DescribeSerialDevice(tree, entry.path())) {
                byPath.emplace(device->path, std::move(*device));
            }
        }
    }
    // udev's stable names; one device may have more than one, the first by name counts.
    std::vector<fs::path> links;
    for (const auto& entry : fs::directory_iterator(tree.dev / "serial" / "by-id", ec)) {
        links.push_back(entry.path());
    }
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        auto device = DescribeSerialDevice(tree, link);
        if (!device) {
            continue;
        }
        auto [at, inserted] = byPath.emplace(device->path, std::move(*device));
        if (at->second.byId.empty()) {
            at->second.byId = link.filename().string();
        }
    }
    std::vector<SerialDevice> devices;
    for (auto& [path, device] : byPath) {
        devices.push_back(std::move(device));
    }
    return devices;
}
