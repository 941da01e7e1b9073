// A /dev and /sys of a test's own, laid out as the kernel and udev lay out serial ports, so
// that adapters can be plugged and pulled without hardware. Device nodes need mknod(), which
// only root may call: Usable() tells whether the tree could be made.
#pragma once

#include <string>

#include "serial_devices_posix.h"
#include "temp_dir.h"

class FakeDeviceTree {
  public:
    FakeDeviceTree();

    const DeviceTree& tree() const { return tree_; }
    bool Usable() const { return usable_; }

    // A USB serial converter (ttyUSB<index>, 188:<index>) on its own USB device, with the
    // product string and, when byId is not empty, a /dev/serial/by-id link.
    void AddUsbAdapter(int index, const std::string& product, const std::string& byId);
    // A modem-class adapter (ttyACM<index>, 166:<index>).
    void AddAcmAdapter(int index, const std::string& product, const std::string& byId);
    // The ttyS slot <index> of the 8250 driver, with a UART behind it (type 4) or none (0).
    void AddTtyS(int index, bool uart);
    // A device node in /dev for a device number the tree has no entry for (as a pty's).
    void AddNode(const std::string& name, unsigned major, unsigned minor);
    // A by-id link to any path.
    void AddByIdLink(const std::string& name, const std::string& target);
    // Pulls an adapter: its node, its link and its sysfs entry go.
    void Remove(const std::string& name);

  private:
    void AddTty(const std::string& name, unsigned major, unsigned minor,
                const std::string& hardware, const std::string& deviceLink);

    TempDir root_;
    DeviceTree tree_;
    bool usable_ = true;
};
