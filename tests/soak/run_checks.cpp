#include "run_checks.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string_view>

#include "json_fields.h"

namespace soak {

namespace {}  // namespace

std::string_view EndStatusText(const std::string& end) {
    if (end == "stopped") {
        return "요청에 따라 테스트를 중단합니다.!!!";
    }
    if (end == "port" || end == "port_lost") {
        return "포트 오류로 테스트를 중단합니다.!!!";
    }
    if (end == "file") {
        return "파일 오류로 테스트를 중단합니다.!!!";
    }
    if (end == "long_line") {
        return "DATA 블록이 너무 길어 테스트를 중단합니다.!!!";
    }
    return "테스트가 완료되어 중단합니다.!!!";
}

namespace {
constexpr std::string_view kEndLogText = " 테스트완료, 전송중단 ";
constexpr std::string_view kLongLineMessage = "Trans message: DATA 블록의 문자수가 너무 많습니다. ";
constexpr std::string_view kPortLostMessage = " 연결이 끊어졌습니다.!!!";
constexpr std::string_view kFileFaultMessage = "DNC message: 파일을 끝까지 읽을 수 없습니다.!!!";

std::string Whole(double value) {
    return std::to_string(std::llround(value));
}

std::size_t Occurrences(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

int StatusOfEnd(std::string_view end) {
    if (end == "level" || end == "eof") {
        return 0;
    }
    if (end == "stopped") {
        return 1;
    }
    if (end == "port" || end == "port_lost") {
        return 3;
    }
    if (end == "long_line") {
        return 4;
    }
    if (end == "file") {
        return 5;
    }
    return -1;
}

// The ends a run may have: its own natural end, and the one its fault makes, if it struck.
std::set<std::string> AllowedEnds(const RunPlan& plan, const Expected& expected,
                                  const Outcome& outcome) {
    std::set<std::string> ends = {expected.end};
    if (!outcome.faultAt || outcome.faultRefused) {
        return ends;
    }
    switch (plan.fault.kind) {
        case Fault::kStop:
            ends.insert("stopped");
            break;
        case Fault::kMachineKilled:
        case Fault::kMachineClosed:
        case Fault::kLineHungUp:
            // Struck with kilobytes still to send: the tool cannot have ended by itself.
            ends = {"port_lost"};
            break;
        case Fault::kFileTruncated:
            // Unless the worker had read all it needed, as a machine that lags far behind
            // allows.
            ends.insert("file");
            break;
        case Fault::kNone:
        case Fault::kFileDeleted:
        case Fault::kFileGrown:
            break;
    }
    return ends;
}

std::string DifferenceText(const std::string& got, const std::string& want) {
    const auto [g, w] = std::ranges::mismatch(got, want);
    std::ostringstream text;
    text << "the machine received " << got.size() << " bytes, not the " << want.size()
         << " expected";
    if (g != got.end() && w != want.end()) {
        text << "; first difference at byte " << (g - got.begin()) << " (got 0x" << std::hex
             << static_cast<int>(static_cast<unsigned char>(*g)) << ", expected 0x"
             << static_cast<int>(static_cast<unsigned char>(*w)) << ")";
    }
    return text.str();
}

class Checker {
  public:
    Checker(const RunPlan& plan, const Expected& expected, const Outcome& outcome, bool wine)
        : plan_(plan), expected_(expected), outcome_(outcome), wine_(wine) {}

    Verdict Run() {
        if (!outcome_.status) {
            Fail("the runner did not end and was killed");
            verdict_.endSeen = "hung";
            CheckPrefix();
            return verdict_;
        }
        const std::string& report = outcome_.report;
        if (report.empty()) {
            Fail("the runner wrote no report (exit status " + std::to_string(*outcome_.status) +
                 ")");
            verdict_.endSeen = "status " + std::to_string(*outcome_.status);
            CheckPrefix();
            return verdict_;
        }
        end_ = JsonWord(report, "end_reason").value_or("?");
        sent_ = Count(report, "sent_bytes");
        written_ = Count(report, "written_bytes");
        level_ = static_cast<int>(Count(report, "transfer_unit"));
        verdict_.endSeen = end_;

        CheckEnd();
        CheckStream();
        CheckMessages();
        CheckMachineCounts();
        CheckNothingAfterTheEnd();
        CheckTime();
        return verdict_;
    }

  private:
    void Fail(std::string what) { verdict_.failures.push_back(std::move(what)); }

    std::size_t Count(const std::string& json, std::string_view key) {
        const auto value = JsonNumber(json, key);
        if (!value || *value < 0) {
            Fail("the runner's report has no " + std::string(key));
            return 0;
        }
        return static_cast<std::size_t>(*value);
    }

    bool Natural() const { return end_ == expected_.end; }

    void CheckEnd() {
        if (StatusOfEnd(end_) != *outcome_.status) {
            Fail("exit status " + std::to_string(*outcome_.status) + " with end " + end_);
        }
        const auto allowed = AllowedEnds(plan_, expected_, outcome_);
        if (!allowed.contains(end_)) {
            std::string list;
            for (const auto& end : allowed) {
                list += (list.empty() ? "" : " or ") + end;
            }
            Fail("ended " + end_ + ", expected " + list);
        }
    }

    void CheckPrefix() {
        const std::string& got = outcome_.received;
        verdict_.bytesCompared = got.size();
        if (!std::string_view(expected_.bytes).starts_with(got)) {
            Fail("not a prefix of the expected stream: " + DifferenceText(got, expected_.bytes));
        }
    }

    void CheckStream() {
        const std::string& got = outcome_.received;
        if (Natural()) {
            verdict_.bytesCompared = got.size();
            if (got != expected_.bytes) {
                Fail(DifferenceText(got, expected_.bytes));
            }
            if (sent_ != expected_.bytes.size() || written_ != sent_) {
                Fail("sent_bytes " + std::to_string(sent_) + " and written_bytes " +
                     std::to_string(written_) + ", expected both " +
                     std::to_string(expected_.bytes.size()));
            }
            if (level_ != expected_.finalLevel) {
                Fail("level " + std::to_string(level_) + ", expected " +
                     std::to_string(expected_.finalLevel));
            }
            return;
        }
        CheckPrefix();
        const bool atAHandOver = (sent_ == 0 && level_ == 5) ||
                                 std::ranges::find(expected_.handOvers, std::pair(sent_, level_)) !=
                                     expected_.handOvers.end();
        if (!atAHandOver) {
            Fail("sent_bytes " + std::to_string(sent_) + " at level " + std::to_string(level_) +
                 " is no hand-over of the program");
        }
        if (written_ > sent_) {
            Fail("written_bytes " + std::to_string(written_) + " above sent_bytes " +
                 std::to_string(sent_));
        }
        if (end_ == "stopped" && got.size() != written_) {
            Fail("a stopped run: the machine received " + std::to_string(got.size()) +
                 " bytes of the " + std::to_string(written_) + " written");
        }
        if (end_ == "file" && (got.size() != written_ || written_ != sent_)) {
            Fail("a file fault: received " + std::to_string(got.size()) + ", written " +
                 std::to_string(written_) + ", sent " + std::to_string(sent_) +
                 "; all handed over must reach the machine");
        }
        if (end_ == "port_lost" && got.size() > written_) {
            Fail("the machine received " + std::to_string(got.size()) + " bytes, more than the " +
                 std::to_string(written_) + " written");
        }
    }

    void CheckMessages() {
        const auto expectOnce = [this](std::string_view text, std::string_view what,
                                       std::size_t times, const char* where) {
            const std::size_t seen = Occurrences(text, what);
            if (seen != times) {
                Fail(std::string(where) + ": \"" + std::string(what) + "\" " +
                     std::to_string(seen) + " times, expected " + std::to_string(times));
            }
        };
        expectOnce(outcome_.out, EndStatusText(end_), 1, "output");
        expectOnce(outcome_.out, kEndLogText, 1, "output");
        expectOnce(outcome_.err, kLongLineMessage, end_ == "long_line" ? 1 : 0, "errors");
        expectOnce(outcome_.err, kPortLostMessage, end_ == "port_lost" ? 1 : 0, "errors");
        expectOnce(outcome_.err, kFileFaultMessage, end_ == "file" ? 1 : 0, "errors");
    }

    void CheckMachineCounts() {
        const std::string& machine = outcome_.machineReport;
        if (machine.empty()) {
            if (plan_.fault.kind != Fault::kMachineKilled || !outcome_.faultAt) {
                Fail("the machine wrote no report");
            }
            return;
        }
        const auto received = JsonNumber(machine, "bytes_received");
        if (received != static_cast<double>(outcome_.received.size())) {
            Fail("the machine's report counts " + Whole(received.value_or(-1)) +
                 " bytes received, its record holds " + std::to_string(outcome_.received.size()));
        }
        verdict_.worstAfterXoff = JsonNumber(machine, "max", "after_xoff");
        verdict_.afterXoff = JsonNumbers(machine, "per_xoff").value_or(std::vector<double>{});

        const auto xons = JsonNumbers(machine, "xon_written_us");
        const auto lastWrote = JsonNumber(machine, "tool_last_wrote_us");
        const auto xonCount = JsonNumber(outcome_.report, "xon_count");
        if (!xons || !lastWrote || !xonCount) {
            Fail("the XON figures are missing from a report");
        } else {
            // The pty hands an XON to the tool as late as it is slow, and the tool's write to
            // the simulator as late again: the longest delay the probe saw counts twice.
            const double surely = *lastWrote - kXonSurelyRead.count() * 1000.0 -
                                  2.0 * static_cast<double>(outcome_.ptyDelay.count());
            const auto read = static_cast<double>(
                std::ranges::count_if(*xons, [surely](double at) { return at <= surely; }));
            const auto sent = static_cast<double>(xons->size());
            if (*xonCount < read || *xonCount > sent) {
                std::ostringstream text;
                text << "xon_count " << *xonCount << ": the machine sent " << sent
                     << " XONs, of which the tool read at least " << read
                     << " before its last write (the pty's delay " << outcome_.ptyDelay.count()
                     << " us)";
                Fail(text.str());
            }
        }
        if (plan_.machine.noiseEvery.count() == 0) {
            const auto enqs = JsonNumber(machine, "enq_sent");
            const auto acks = JsonNumber(machine, "acks_received");
            if (enqs && acks && *acks > *enqs) {
                Fail("the machine got " + Whole(*acks) + " ACKs for " + Whole(*enqs) + " ENQs");
            }
        }
        // What the tool may have on its way at the machine's XOFF: its output queue and a
        // chunk, and what the line carries while the kernel is slow to hand the tool the
        // XOFF (the longest delay the probe saw during the run). The simulator's wire starts
        // a character when the simulator reads it from the pty; when it reads late, its wire
        // holds more than the tool ever had on its way, and only room for that proves
        // anything either.
        const auto wireHeld = JsonNumber(machine, "uart_queue_max").value_or(0);
        const LinePlan& line = plan_.line;
        const int bitsPerChar = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
        const double whileDelayed = std::ceil(
            std::chrono::duration<double>(outcome_.ptyDelay).count() * line.baud / bitsPerChar);
        const double needed = std::max(wireHeld, static_cast<double>(kToolInFlight) + whileDelayed);
        const std::size_t room = plan_.machine.buffer - plan_.machine.xoffAt;
        verdict_.overflowJudged =
            HeadroomCoversTheTool(plan_.machine) && static_cast<double>(room) >= needed;
        if (verdict_.overflowJudged) {
            const auto overflow = JsonNumber(machine, "overflow_bytes");
            if (overflow != 0.0) {
                Fail("the machine's buffer overflowed by " + Whole(overflow.value_or(-1)) +
                     " bytes with " + std::to_string(room) +
                     " bytes of room above its XOFF mark (after_xoff max " +
                     Whole(verdict_.worstAfterXoff.value_or(-1)) + ", written after an XOFF " +
                     Whole(JsonNumber(machine, "max", "written_after_xoff").value_or(-1)) +
                     ", the wire held at most " + Whole(wireHeld) + ", the pty's delay " +
                     std::to_string(outcome_.ptyDelay.count()) + " us)");
            }
        }
    }

    // What arrives after the runner has ended can only be what its transmitter still held
    // when it closed the port.
    void CheckNothingAfterTheEnd() {
        const std::size_t after = outcome_.received.size() - outcome_.receivedAtExit;
        const auto queueMax = JsonNumber(outcome_.machineReport, "uart_queue_max");
        const std::size_t held =
            std::max<std::size_t>(kToolInFlight, static_cast<std::size_t>(queueMax.value_or(0)));
        if (outcome_.received.size() >= outcome_.receivedAtExit && after > held) {
            Fail(std::to_string(after) + " bytes arrived after the runner ended");
        }
    }

    void CheckTime() {
        const bool endedByFault = outcome_.faultAt && !outcome_.faultRefused && !Natural();
        if (endedByFault) {
            verdict_.faultToEnd = outcome_.ended - *outcome_.faultAt;
            if (*verdict_.faultToEnd > kEndAfterFault) {
                verdict_.late.push_back("ended " + std::to_string(verdict_.faultToEnd->count()) +
                                        " ms after the " + FaultName(plan_.fault.kind) +
                                        ", more than " + std::to_string(kEndAfterFault.count()) +
                                        " ms");
            }
            return;
        }
        const auto bound = RunBound(plan_, expected_.bytes.size(), wine_);
        if (outcome_.ended > bound) {
            verdict_.late.push_back("took " + std::to_string(outcome_.ended.count()) +
                                    " ms, more than its bound of " + std::to_string(bound.count()) +
                                    " ms");
        }
    }

    const RunPlan& plan_;
    const Expected& expected_;
    const Outcome& outcome_;
    bool wine_;
    Verdict verdict_;
    std::string end_;
    std::size_t sent_ = 0;
    std::size_t written_ = 0;
    int level_ = 0;
};

}  // namespace

Verdict CheckRun(const RunPlan& plan, const Expected& expected, const Outcome& outcome, bool wine) {
    return Checker(plan, expected, outcome, wine).Run();
}

}  // namespace soak
