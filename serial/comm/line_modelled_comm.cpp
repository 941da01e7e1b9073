#include "line_modelled_comm.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "poller_wait.h"

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
        lines_[port] = Line{};
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
    OnLine(port, [&](Line& line) { line.model.Handed(std::min(moved, count), now_()); });
    return result;
}

BOOL LineModelledComm::PurgeComm(HANDLE port, DWORD flags) {
    const BOOL result = device_.PurgeComm(port, flags);
    if (result && (flags & PURGE_TXCLEAR) != 0) {
        OnLine(port, [](Line& line) { line.model.Clear(); });
    }
    return result;
}

BOOL LineModelledComm::SetCommState(HANDLE port, DCB* dcb) {
    const BOOL result = device_.SetCommState(port, dcb);
    if (result) {
        OnLine(port, [&](Line& line) { line.model.SetLine(*dcb, now_()); });
    }
    return result;
}

BOOL LineModelledComm::ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
    const BOOL result = device_.ClearCommError(port, errors, status);
    if (status != nullptr) {
        OnLine(port, [&](Line& line) {
            const std::uint64_t unsent = line.model.Unsent(now_());
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
        OnLine(port, [&](Line& line) { line.model.Handed(1, now_()); });
    }
    return result;
}

BOOL LineModelledComm::EscapeCommFunction(HANDLE port, DWORD function) {
    const BOOL result = device_.EscapeCommFunction(port, function);
    if (result && (function == SETXOFF || function == SETXON)) {
        OnLine(port, [&](Line& line) {
            if (function == SETXOFF) {
                line.model.Hold(now_());
            } else {
                line.model.Release(now_());
            }
        });
    }
    return result;
}

BOOL LineModelledComm::SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) {
    const BOOL result = device_.SetupComm(port, inQueue, outQueue);
    if (result) {
        OnLine(port, [&](Line& line) { line.outQueue = outQueue; });
    }
    return result;
}

BOOL LineModelledComm::SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    const BOOL result = device_.SetCommTimeouts(port, timeouts);
    if (result) {
        OnLine(port, [&](Line& line) { line.timeouts = *timeouts; });
    }
    return result;
}

std::optional<COMMTIMEOUTS> LineModelledComm::WaitForRoom(HANDLE port, DWORD count) {
    std::optional<COMMTIMEOUTS> longer;
    OnLine(port, [&](Line& line) {
        if (count != 1 || line.outQueue == 0 || !line.timeouts ||
            !IsShortPollerWait(*line.timeouts)) {
            return;
        }
        const auto now = now_();
        if (line.model.Unsent(now) < line.outQueue) {
            return;  // room already: the sender has something to do when the wait ends
        }
        // A held transmitter drains nothing: the wait is then for the machine's XON, the
        // poller's own.
        const auto drained = line.model.UntilUnsentAtMost(line.outQueue / 2, now);
        if (!drained) {
            return;
        }
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*drained).count();
        const auto wait = static_cast<DWORD>(std::min<long long>(ms, kLongestRoomWait));
        if (wait > line.timeouts->ReadTotalTimeoutConstant) {
            longer = *line.timeouts;
            longer->ReadTotalTimeoutConstant = wait;
        }
    });
    return longer;
}

BOOL LineModelledComm::ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) {
    std::optional<COMMTIMEOUTS> longer = WaitForRoom(port, count);
    // A device that refuses the longer wait is read all the same: the read tells whether
    // it is gone.
    if (!longer || !device_.SetCommTimeouts(port, &*longer)) {
        return device_.ReadFile(port, buffer, count, read);
    }
    const BOOL result = device_.ReadFile(port, buffer, count, read);
    std::optional<COMMTIMEOUTS> engine;
    OnLine(port, [&](Line& line) { engine = line.timeouts; });
    if (engine) {
        device_.SetCommTimeouts(port, &*engine);
    }
    return result;
}
