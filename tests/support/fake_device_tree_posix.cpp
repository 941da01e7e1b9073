#include "fake_device_tree_posix.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

void WriteLine(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

void Link(const fs::path& at, const fs::path& target) {
    fs::create_directories(at.parent_path());
    fs::remove(at);
    fs::create_symlink(target, at);
}

std::string DevNumber(unsigned major, unsigned minor) {
    return std::to_string(major) + ":" + std::to_string(minor);
}

}  // namespace

FakeDeviceTree::FakeDeviceTree() {
    tree_.dev = root_.path() / "dev";
    tree_.sys = root_.path() / "sys";
    fs::create_directories(tree_.dev);
    fs::create_directories(tree_.sys / "dev" / "char");
    fs::create_directories(tree_.sys / "class" / "tty");
    // Whether device nodes can be made here at all.
    const fs::path probe = tree_.dev / ".probe";
    usable_ = ::mknod(probe.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    fs::remove(probe);
}

void FakeDeviceTree::AddTty(const std::string& name, unsigned major, unsigned minor,
                            const std::string& hardware, const std::string& deviceLink) {
    const fs::path ttyFolder = tree_.sys / "devices" / hardware / "tty" / name;
    fs::create_directories(ttyFolder);
    WriteLine(ttyFolder / "dev", DevNumber(major, minor));
    Link(ttyFolder / "device", deviceLink);
    Link(tree_.sys / "dev" / "char" / DevNumber(major, minor),
         fs::path("../../devices") / hardware / "tty" / name);
    Link(tree_.sys / "class" / "tty" / name, fs::path("../../devices") / hardware / "tty" / name);
    AddNode(name, major, minor);
}

void FakeDeviceTree::AddUsbAdapter(int index, const std::string& product, const std::string& byId) {
    const std::string usbDevice = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(index + 1);
    const std::string name = "ttyUSB" + std::to_string(index);
    WriteLine(tree_.sys / "devices" / usbDevice / "product", product);
    // The converter's port sits below the interface; the tty below the port.
    const std::string port = usbDevice + "/1-" + std::to_string(index + 1) + ":1.0/" + name;
    AddTty(name, 188, static_cast<unsigned>(index), port, "../../../" + name);
    if (!byId.empty()) {
        AddByIdLink(byId, "../../" + name);
    }
}

void FakeDeviceTree::AddAcmAdapter(int index, const std::string& product, const std::string& byId) {
    const std::string usbDevice = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(index + 5);
    const std::string name = "ttyACM" + std::to_string(index);
    WriteLine(tree_.sys / "devices" / usbDevice / "product", product);
    const std::string interface = usbDevice + "/1-" + std::to_string(index + 5) + ":1.0";
    AddTty(name, 166, static_cast<unsigned>(index), interface,
           "../../../" + fs::path(interface).filename().string());
    if (!byId.empty()) {
        AddByIdLink(byId, "../../" + name);
    }
}

void FakeDeviceTree::AddTtyS(int index, bool uart) {
    const std::string name = "ttyS" + std::to_string(index);
    AddTty(name, 4, static_cast<unsigned>(64 + index), "platform/serial8250",
           "../../../serial8250");
    WriteLine(tree_.sys / "devices" / "platform" / "serial8250" / "tty" / name / "type",
              uart ? "4" : "0");
}

void FakeDeviceTree::AddNode(const std::string& name, unsigned major, unsigned minor) {
    const fs::path node = tree_.dev / name;
    fs::create_directories(node.parent_path());
    fs::remove(node);
    if (::mknod(node.c_str(), S_IFCHR | 0660, makedev(major, minor)) != 0) {
        usable_ = false;
    }
}

void FakeDeviceTree::AddByIdLink(const std::string& name, const std::string& target) {
    Link(tree_.dev / "serial" / "by-id" / name, target);
}

void FakeDeviceTree::Remove(const std::string& name) {
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(tree_.dev / "serial" / "by-id", ec)) {
        if (fs::read_symlink(link.path(), ec).filename() == name) {
            fs::remove(link.path(), ec);
        }
    }
    for (const auto& entry : fs::directory_iterator(tree_.sys / "dev" / "char", ec)) {
        if (fs::read_symlink(entry.path(), ec).filename() == name) {
            fs::remove(entry.path(), ec);
        }
    }
    fs::remove(tree_.sys / "class" / "tty" / name, ec);
    fs::remove(tree_.dev / name, ec);
}
