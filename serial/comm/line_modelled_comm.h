// The device calls with the line model over them: ClearCommError reports in cbOutQue the
// larger of the driver's own count and the bytes the line cannot yet have carried. One
// layer above both platform backends, so every device paces like a UART whatever its
// driver counts.
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "comm_api.h"
#include "line_model.h"

class LineModelledComm final : public CommApi {
  public:
    using Now = std::function<LineModel::Clock::time_point()>;

    explicit LineModelledComm(CommApi& device, Now now = &LineModel::Clock::now);

    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override;
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) override;
    BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override;
    BOOL PurgeComm(HANDLE port, DWORD flags) override;
    BOOL GetCommState(HANDLE port, DCB* dcb) override;
    BOOL SetCommState(HANDLE port, DCB* dcb) override;
    BOOL GetCommProperties(HANDLE port, COMMPROP* properties) override;
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override;
    BOOL DeviceLost(HANDLE port) override;
    BOOL BuildCommDCB(const char* text, DCB* dcb) override;

  private:
    // Runs change on the port's model, if the port is one this layer opened.
    template <typename Change>
    void OnLine(HANDLE port, Change change);

    CommApi& device_;
    Now now_;
    std::mutex mutex_;
    std::map<HANDLE, LineModel> lines_;
};
