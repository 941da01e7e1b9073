#include "quiet_line_comm.h"

#include <utility>

QuietLineComm::QuietLineComm(CommApi& device, Now now)
    : ForwardingComm(device), now_(std::move(now)) {}

HANDLE QuietLineComm::OpenPort(std::string_view deviceName) {
    const HANDLE port = device_.OpenPort(deviceName);
    if (port != INVALID_HANDLE_VALUE) {
        const std::lock_guard lock(mutex_);
        Line line;
        line.lastActivity = now_();
        lines_[port] = line;
    }
    return port;
}

BOOL QuietLineComm::ClosePort(HANDLE port) {
    {
        const std::lock_guard lock(mutex_);
        lines_.erase(port);
    }
    return device_.ClosePort(port);
}

void QuietLineComm::NoteActivity(HANDLE port) {
    const std::lock_guard lock(mutex_);
    if (const auto line = lines_.find(port); line != lines_.end()) {
        line->second.lastActivity = now_();
    }
}

void QuietLineComm::FitWait(HANDLE port, DWORD count) {
    COMMTIMEOUTS device{};
    bool longer = false;
    {
        const std::lock_guard lock(mutex_);
        const auto found = lines_.find(port);
        if (found == lines_.end() || !found->second.timeouts) {
            return;
        }
        const Line& line = found->second;
        const COMMTIMEOUTS& engine = *line.timeouts;
        const bool quiet = now_() - line.lastActivity >= kQuietBeforeLongWaits;
        longer = IsShortPollerWait(engine) && count == 1 && quiet;
        if (longer == line.waitsLonger) {
            return;
        }
        device = engine;
        if (longer) {
            device.ReadTotalTimeoutConstant = kLongWait;
        }
    }
    // A device that refuses keeps the time-outs it has; the read then tells whether it is
    // gone.
    if (!device_.SetCommTimeouts(port, &device)) {
        return;
    }
    const std::lock_guard lock(mutex_);
    if (const auto line = lines_.find(port); line != lines_.end()) {
        line->second.waitsLonger = longer;
    }
}

BOOL QuietLineComm::WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) {
    DWORD moved = 0;
    const BOOL result = device_.WriteFile(port, data, count, &moved);
    if (written != nullptr) {
        *written = moved;
    }
    if (moved > 0) {
        NoteActivity(port);
    }
    return result;
}

BOOL QuietLineComm::ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) {
    FitWait(port, count);
    const BOOL result = device_.ReadFile(port, buffer, count, read);
    if (*read > 0) {
        NoteActivity(port);
    }
    return result;
}

BOOL QuietLineComm::TransmitCommChar(HANDLE port, char c) {
    const BOOL result = device_.TransmitCommChar(port, c);
    if (result) {
        NoteActivity(port);
    }
    return result;
}

BOOL QuietLineComm::SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    const BOOL result = device_.SetCommTimeouts(port, timeouts);
    if (result) {
        const std::lock_guard lock(mutex_);
        if (const auto line = lines_.find(port); line != lines_.end()) {
            line->second.timeouts = *timeouts;
            line->second.waitsLonger = false;
        }
    }
    return result;
}
