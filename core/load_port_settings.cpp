#include "load_port_settings.h"

#include <cstdint>
#include <string>

#include "decimal_text.h"
#include "port_settings.h"
#include "settings_store.h"

void LoadPortSettings() {
    // Value names as the sibling application spells them ("Boudrate" included), in the
    // order they have always been read.
    const struct {
        const char* name;
        std::int32_t PortSettings::*field;
    } values[] = {
        {"ParityBit", &PortSettings::nParity},  {"StopBit", &PortSettings::nStopBits},
        {"DataBit", &PortSettings::nDataBits},  {"ComID", &PortSettings::nComID},
        {"Boudrate", &PortSettings::nBaudRate}, {"SendSignalWait", &PortSettings::bSendSignalWait},
    };
    for (const auto& value : values) {
        std::string text;
        if (ReadRegistryString(RegistryRoot::LocalMachine, kSettingsSubkey, value.name, text)) {
            g_portSettings.*value.field = DecimalTextToInt(text);
        }
    }
}
