#include "port_settings.h"

PortSettings g_portSettings;

PortSettings DefaultPortSettings() {
    PortSettings settings;
    settings.nComID = 1;
    settings.nBaudRate = 9600;
    settings.nDataBits = 7;
    settings.nStopBits = 2;
    settings.nParity = 2;
    settings.bSendSignalWait = 0;
    return settings;
}
