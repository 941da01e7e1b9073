#include "session_posix.h"

#include <algorithm>
#include <optional>
#include <string>

namespace cnc_sim {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::nanoseconds kTick = 1ms;

SimTime Now() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

// How long the session may sleep: until the model's next timed reply, and while bytes are
// buffered never more than a tick, so that a late wake-up delays an XON by a tick at most.
std::optional<std::chrono::nanoseconds> SleepLimit(const MachineModel& model) {
    std::optional<std::chrono::nanoseconds> limit;
    if (const auto due = model.NextDue()) {
        limit = std::max(*due - Now(), std::chrono::nanoseconds(0));
    }
    if (model.Fill() > 0) {
        limit = std::min(limit.value_or(kTick), kTick);
    }
    return limit;
}

}  // namespace

SessionResult RunSession(const PtyEndpoint& port, MachineModel& model, const StopSignals& stops,
                         std::chrono::nanoseconds waitTimeout, std::ostream* record) {
    const SimTime waitingSince = Now();
    while (!port.Opened()) {
        if (stops.Requested()) {
            return {SessionEnd::kStopped};
        }
        if (waitTimeout > 0ns && Now() - waitingSince >= waitTimeout) {
            return {SessionEnd::kNobodyCame};
        }
        // While nobody holds the slave, POLLHUP stays raised and poll() returns at once, so
        // it cannot wait for the open; looking every tick keeps the first answers prompt.
        SleepFor(kTick, stops.WaitMask());
    }

    const SimTime openedAt = Now();
    std::string pending = model.Connect(openedAt);
    // Once the replies are all on the line, the control learns what was queued behind them.
    auto send = [&] {
        port.Write(pending);
        if (pending.empty()) {
            model.RepliesWritten(port.Queued());
        }
    };
    bool hungUp = false;
    while (!hungUp && !stops.Requested()) {
        send();
        port.Wait(SleepLimit(model), !pending.empty(), stops.WaitMask());
        // Each read goes to the control and its answer out before the next read: a tool on a
        // pty writes as fast as the machine reads, so waiting for the port to run dry would
        // hold an XOFF back without limit.
        for (;;) {
            std::string bytes;
            const auto result = port.Read(bytes);
            if (result != PtyEndpoint::ReadResult::kBytes) {
                hungUp = result == PtyEndpoint::ReadResult::kHungUp;
                break;
            }
            const Exchange exchange = model.Receive(bytes, Now());
            pending += exchange.reply;
            send();
            if (record != nullptr) {
                record->write(exchange.data.data(),
                              static_cast<std::streamsize>(exchange.data.size()));
                // Out at once, so that a test can watch what has reached the machine.
                record->flush();
            }
        }
        pending += model.Advance(Now());
    }
    return {hungUp ? SessionEnd::kHungUp : SessionEnd::kStopped, Now() - openedAt};
}

}  // namespace cnc_sim
