#include "test_port.h"

#include <cstdio>
#include <string>

#include "comm_api.h"
#include "platform_services.h"
#include "port_layer.h"
#include "port_open_failure.h"
#include "port_settings.h"
#include "transfer_state.h"

namespace {

std::string DeviceName(std::int32_t comId) {
    char name[32];
    // Ports from 10 up are only reachable through the device namespace.
    std::snprintf(name, sizeof name, comId < 10 ? "COM%d" : "\\\\.\\COM%d", comId);
    return name;
}

std::string LineSettingsText(std::int32_t comId, const PortSettings& settings) {
    const char* format = settings.nParity == 0   ? "com%d:%d, n, %d, %d"
                         : settings.nParity == 1 ? "com%d:%d, o, %d, %d"
                                                 : "com%d:%d, e, %d, %d";
    char text[96];
    std::snprintf(text, sizeof text, format, comId, settings.nBaudRate, settings.nDataBits,
                  settings.nStopBits);
    return text;
}

// Every field the test does not choose gets a known value: the state comes from whatever
// program used the port last, and a setting it left (aborting on errors, an error or event
// character, DSR flow) would change what the test sees.
void ApplyTestLineControl(DCB& dcb) {
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = 1;
    dcb.fParity = dcb.Parity != NOPARITY ? 1 : 0;
    // With it set, the first parity or framing error fails every later read and write
    // until the error is cleared.
    dcb.fAbortOnError = 0;
    dcb.fErrorChar = 0;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 1;
    // The machine's DC1/DC3 must reach the poller as data; the tool steers the
    // transmitter itself and sends no flow characters of its own.
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 50;
    dcb.XoffLim = 240;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
}

void ShowPortMessage(std::int32_t comId, const std::string& why) {
    char text[64];
    std::snprintf(text, sizeof text, "Com%d를 열수 없습니다.!!!", comId);
    std::string message = text;
    if (!why.empty()) {
        message += "\n" + why;
    }
    Platform().ShowMessageBox(nullptr, message, "DNC Message", MB_OK);
}

}  // namespace

std::int32_t OpenTestPort(std::int32_t comId) {
    TransferState& state = g_transferState;
    state.hPort = Comm().OpenPort(DeviceName(comId));
    if (state.hPort == INVALID_HANDLE_VALUE) {
        const int error = TakePortOpenError();
        ShowPortMessage(comId, DescribePortOpenFailure(comId, error));
        return 0;
    }
    PortSetupComm(state.hPort, 300, 100);

    COMMPROP properties{};
    properties.wPacketLength = 64;
    PortGetCommProperties(state.hPort, &properties);

    PortPurgeComm(state.hPort, PURGE_TXCLEAR);
    PortPurgeComm(state.hPort, PURGE_RXCLEAR);

    COMMTIMEOUTS timeouts{0, 0, 1, 0, 1};
    PortSetCommTimeouts(state.hPort, &timeouts);

    const std::string settingsText = LineSettingsText(comId, g_portSettings);
    DCB dcb{};
    PortGetCommState(state.hPort, &dcb);
    const bool understood = PortBuildCommDCB(settingsText.c_str(), &dcb) != 0;
    ApplyTestLineControl(dcb);
    // A test on a line other than the one set up would measure nothing the operator asked
    // for: settings the text cannot express (a rate of 0, 99 data bits) or the device
    // refuses keep the port from opening.
    if (!understood || PortSetCommState(state.hPort, &dcb) == 0) {
        const int error = understood ? TakePortOpenError() : 0;
        Comm().ClosePort(state.hPort);
        state.hPort = INVALID_HANDLE_VALUE;
        ShowPortMessage(comId, DescribeLineSettingsFailure(comId, settingsText, error));
        return 0;
    }

    PortEscapeCommFunction(state.hPort, SETXON);
    state.bXonState = 0;
    state.bAckState = 1;
    if (g_portSettings.bSendSignalWait == 0) {
        state.bXonState = 1;
    } else {
        PortEscapeCommFunction(state.hPort, SETXOFF);
    }
    return 1;
}

void CloseTestPort(std::unique_ptr<TestFile> file) {
    file.reset();
    Platform().Sleep(1000);
    Comm().ClosePort(g_transferState.hPort);
}
