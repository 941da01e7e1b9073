#pragma once

#include <string>

// Makes the port numbered port open the device at path in this process. False where the
// platform names its ports itself.
bool OverridePortDevice(int port, const std::string& path);
