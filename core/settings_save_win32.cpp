#include "settings_save.h"

// The registry key is the sibling application's, and the tool never writes it.
SettingsSaveResult SavePortSettings(const PortSettings&) {
    return {};
}
