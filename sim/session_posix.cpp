#include "session_posix.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace cnc_sim {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::nanoseconds kTick = 1ms;
// Bounds one look at the port, so a tool that writes without pause cannot keep the wire
// and the control waiting.
constexpr int kReadsPerLook = 64;

SimTime Now() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

// Takes in what the tool has sent and done to its transmitter; true once it has hung up.
bool TakeToolInput(const PtyEndpoint& port, UartModel& uart, SimTime now, SimTime openedAt,
                   SessionFacts& facts) {
    if (const auto baud = port.ToolBaud()) {
        uart.SetBaud(*baud, now);
    }
    for (int i = 0; i < kReadsPerLook; ++i) {
        std::string bytes;
        PtyEndpoint::TransmitterEvents events;
        switch (port.Read(bytes, events)) {
            case PtyEndpoint::ReadResult::kBytes:
                uart.Queue(bytes, now);
                facts.toolLastWrote = now - openedAt;
                break;
            case PtyEndpoint::ReadResult::kEvents:
                if (events.purged) {
                    uart.Purge(now);
                }
                if (events.held) {
                    uart.Hold(now);
                }
                if (events.released) {
                    uart.Release(now);
                }
                break;
            case PtyEndpoint::ReadResult::kNothing:
                return false;
            case PtyEndpoint::ReadResult::kHungUp:
                return true;
        }
    }
    return false;
}

// What has come down the wire goes to the control, one character at its own time.
void Deliver(UartModel& uart, MachineModel& model, std::string& pending, std::ostream* record) {
    std::string data;
    for (const Arrival& arrival : uart.TakeArrivals()) {
        const Exchange exchange = model.Receive(std::string_view(&arrival.byte, 1), arrival.at);
        pending += exchange.reply;
        data += exchange.data;
    }
    if (record != nullptr && !data.empty()) {
        record->write(data.data(), static_cast<std::streamsize>(data.size()));
        // Out at once, so that a test can watch what has reached the machine.
        record->flush();
    }
}

// The control's replies onto the line; the wire learns when its XOFFs and XONs went out.
void WriteReplies(const PtyEndpoint& port, MachineModel& model, UartModel& uart,
                  std::string& pending, SimTime openedAt, SessionFacts& facts) {
    if (pending.empty()) {
        return;
    }
    const std::string before = pending;
    port.Write(pending);
    const std::string_view written(before.data(), before.size() - pending.size());
    if (written.empty()) {
        return;
    }
    const SimTime at = Now();
    for (const char c : written) {
        if (c == kXoff) {
            uart.XoffWritten(at);
        } else if (c == kXon) {
            uart.XonWritten(at);
            facts.xonWritten.push_back(at - openedAt);
        }
    }
    if (pending.empty()) {
        model.RepliesWritten(at);
    }
}

// How long the session may sleep: until the control's next timed reply, and while characters
// are on the wire until the next one arrives. At high rates arrivals are taken together a
// tick at a time, but never past the one the control may answer.
std::optional<std::chrono::nanoseconds> SleepLimit(const MachineModel& model, const UartModel& uart,
                                                   SimTime now) {
    std::optional<SimTime> wake = model.NextDue();
    if (const auto next = uart.ArrivalOf(1)) {
        SimTime batchEnd = now + kTick;
        if (const auto bytes = model.DataBytesUntilReply()) {
            if (const auto answered = uart.ArrivalOf(static_cast<std::size_t>(*bytes))) {
                batchEnd = std::min(batchEnd, *answered);
            }
        }
        const SimTime arrivals = std::max(*next, batchEnd);
        wake = wake ? std::min(*wake, arrivals) : arrivals;
    }
    if (!wake) {
        return std::nullopt;
    }
    return std::max(*wake - now, std::chrono::nanoseconds(0));
}

// Once, when the data count reaches the option's mark.
void HangUpWhenDue(const PtyEndpoint& port, const MachineModel& model,
                   const SessionOptions& options, bool& done, SessionFacts& facts) {
    if (done || !options.hangUpAt || model.Stats().bytesReceived < *options.hangUpAt) {
        return;
    }
    done = true;
    try {
        port.HangUpToolSide();
        facts.lineHungUp = true;
    } catch (const std::system_error& e) {
        std::cerr << "cnc-sim: --hang-up-at: " << e.what() << '\n';
    }
}

}  // namespace

SessionResult RunSession(const PtyEndpoint& port, MachineModel& model, UartModel& uart,
                         const StopSignals& stops, const SessionOptions& options,
                         std::ostream* record) {
    const SimTime waitingSince = Now();
    while (!port.Opened()) {
        if (stops.Requested()) {
            return {SessionEnd::kStopped, {}};
        }
        if (options.waitTimeout > 0ns && Now() - waitingSince >= options.waitTimeout) {
            return {SessionEnd::kNobodyCame, {}};
        }
        // While nobody holds the slave, POLLHUP stays raised and poll() returns at once, so
        // it cannot wait for the open; looking every tick keeps the first answers prompt.
        SleepFor(kTick, stops.WaitMask());
    }

    const SimTime openedAt = Now();
    SessionFacts facts;
    std::string pending = model.Connect(openedAt);
    bool hungUp = false;
    bool lineHangUpDone = false;
    while (!stops.Requested()) {
        const SimTime now = Now();
        if (!hungUp && TakeToolInput(port, uart, now, openedAt, facts)) {
            hungUp = true;
            // A port's close waits for its transmitter to send what it holds; nobody is left
            // to lift a hold, so it goes as it would have.
            uart.Release(now);
        }
        uart.AdvanceTo(now);
        Deliver(uart, model, pending, record);
        HangUpWhenDue(port, model, options, lineHangUpDone, facts);
        pending += model.Advance(now);
        if (hungUp) {
            pending.clear();
            if (uart.Queued() == 0) {
                break;
            }
            SleepFor(SleepLimit(model, uart, now).value_or(kTick), stops.WaitMask());
        } else {
            WriteReplies(port, model, uart, pending, openedAt, facts);
            port.Wait(SleepLimit(model, uart, now), !pending.empty(), stops.WaitMask());
        }
    }
    const SimTime endedAt = Now();
    uart.Finish(endedAt);
    facts.duration = endedAt - openedAt;
    return {hungUp && !stops.Requested() ? SessionEnd::kHungUp : SessionEnd::kStopped,
            std::move(facts)};
}

}  // namespace cnc_sim
