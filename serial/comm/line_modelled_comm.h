// The device calls with the line model over them: ClearCommError reports in cbOutQue the
// larger of the driver's own count and the bytes the line cannot yet have carried. One
// layer above both platform backends, so every device paces like a UART whatever its
// driver counts.
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "forwarding_comm.h"
#include "line_model.h"

class LineModelledComm final : public ForwardingComm {
  public:
    using Now = std::function<LineModel::Clock::time_point()>;

    explicit LineModelledComm(CommApi& device, Now now = &LineModel::Clock::now);

    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override;
    BOOL PurgeComm(HANDLE port, DWORD flags) override;
    BOOL SetCommState(HANDLE port, DCB* dcb) override;
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override;

  private:
    // Runs change on the port's model, if the port is one this layer opened.
    template <typename Change>
    void OnLine(HANDLE port, Change change);

    Now now_;
    std::mutex mutex_;
    std::map<HANDLE, LineModel> lines_;
};
