#include "line_modelled_comm.h"

#include <algorithm>
#include <utility>

LineModelledComm::LineModelledComm(CommApi& device, Now now)
    : ForwardingComm(device), now_(std::move(now)) {}

template <typename Change>
void LineModelledComm::OnLine(HANDLE port, Change change) {
    const std::lock_guard lock(mutex_);
    if (const auto line = lines_.find(port); line != lines_.end()) {
        change(line->second);
    }
}

HANDLE LineModelledComm::OpenPort(std::string_view deviceName) {
    const HANDLE port = device_.OpenPort(deviceName);
    if (port != INVALID_HANDLE_VALUE) {
        const std::lock_guard lock(mutex_);
        lines_[port] = LineModel{};
    }
    return port;
}

BOOL LineModelledComm::ClosePort(HANDLE port) {
    {
        const std::lock_guard lock(mutex_);
        lines_.erase(port);
    }
    return device_.ClosePort(port);
}

BOOL LineModelledComm::WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) {
    DWORD moved = 0;
    const BOOL result = device_.WriteFile(port, data, count, &moved);
    if (written != nullptr) {
        *written = moved;
    }
    // A driver that claims more than it was given moved the request, no more.
    OnLine(port, [&](LineModel& line) { line.Handed(std::min(moved, count), now_()); });
    return result;
}

BOOL LineModelledComm::PurgeComm(HANDLE port, DWORD flags) {
    const BOOL result = device_.PurgeComm(port, flags);
    if (result && (flags & PURGE_TXCLEAR) != 0) {
        OnLine(port, [](LineModel& line) { line.Clear(); });
    }
    return result;
}

BOOL LineModelledComm::SetCommState(HANDLE port, DCB* dcb) {
    const BOOL result = device_.SetCommState(port, dcb);
    if (result) {
        OnLine(port, [&](LineModel& line) { line.SetLine(*dcb, now_()); });
    }
    return result;
}

BOOL LineModelledComm::ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
    const BOOL result = device_.ClearCommError(port, errors, status);
    if (status != nullptr) {
        OnLine(port, [&](LineModel& line) {
            const std::uint64_t unsent = line.Unsent(now_());
            status->cbOutQue = static_cast<DWORD>(std::max<std::uint64_t>(
                status->cbOutQue, std::min<std::uint64_t>(unsent, MAXDWORD)));
        });
    }
    return result;
}

BOOL LineModelledComm::TransmitCommChar(HANDLE port, char c) {
    const BOOL result = device_.TransmitCommChar(port, c);
    // A byte kept for a held transmitter waits on the line all the same.
    if (result) {
        OnLine(port, [&](LineModel& line) { line.Handed(1, now_()); });
    }
    return result;
}

BOOL LineModelledComm::EscapeCommFunction(HANDLE port, DWORD function) {
    const BOOL result = device_.EscapeCommFunction(port, function);
    if (result && (function == SETXOFF || function == SETXON)) {
        OnLine(port, [&](LineModel& line) {
            if (function == SETXOFF) {
                line.Hold(now_());
            } else {
                line.Release(now_());
            }
        });
    }
    return result;
}
