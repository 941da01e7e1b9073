// The six settings as the store names them and the fields they fill.
#pragma once

#include <array>
#include <cstdint>

#include "port_settings.h"

struct SettingName {
    const char* name;
    std::int32_t PortSettings::*field;
};

inline constexpr std::array<SettingName, 6> kSettingNames = {{
    {"ParityBit", &PortSettings::nParity},
    {"StopBit", &PortSettings::nStopBits},
    {"DataBit", &PortSettings::nDataBits},
    {"ComID", &PortSettings::nComID},
    {"Boudrate", &PortSettings::nBaudRate},
    {"SendSignalWait", &PortSettings::bSendSignalWait},
}};
