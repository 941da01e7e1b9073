#include <filesystem>
#include <system_error>

#include "comm_device_path_posix.h"
#include "port_list.h"

std::vector<std::string> ComPortListTexts(int last) {
    std::vector<std::string> texts;
    for (const ComDeviceChoice& choice : ListComDevices(last)) {
        std::string text = "Com" + std::to_string(choice.number);
        if (choice.device) {
            text += "  " + choice.device->name;
            if (!choice.device->product.empty()) {
                text += " " + choice.device->product;
            }
        } else if (choice.source != ComDeviceChoice::Source::Default) {
            // Named by the settings or --device and there, but no adapter (a pty, say):
            // the path shows what the number reaches.
            std::error_code ec;
            if (std::filesystem::exists(choice.path, ec)) {
                text += "  " + choice.path;
            }
        }
        texts.push_back(std::move(text));
    }
    return texts;
}
