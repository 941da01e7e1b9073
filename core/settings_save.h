// Keeping the six port settings for the next start, where the tool has a file of its own.
#pragma once

#include <string>

#include "port_settings.h"

struct SettingsSaveResult {
    enum class Outcome {
        Saved,
        Failed,
        NotOffered,  // the platform's store is the sibling application's alone (Windows)
    };
    Outcome outcome = Outcome::NotOffered;
    std::string file;    // where they were or would have been written
    std::string reason;  // why not, for the operator, when Failed
};

// Writes the six settings into the user's settings file, keeping the rest of the file,
// so that the next start reads them ahead of the system's. The file is replaced whole or
// not at all.
SettingsSaveResult SavePortSettings(const PortSettings& settings);
