#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

namespace cnc_sim {

namespace {

constexpr std::uint64_t kMaxBuffer = 1'000'000;
// Keeps the drain arithmetic of the model inside 64 bits.
constexpr std::uint64_t kMaxRate = 1'000'000'000;
constexpr std::uint64_t kMaxCount = 1'000'000'000'000;
constexpr std::uint64_t kMaxMillis = 86'400'000;
constexpr double kMaxWaitSeconds = 86'400.0;

std::optional<std::uint64_t> WholeNumber(std::string_view text, std::uint64_t min,
                                         std::uint64_t max) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> Seconds(std::string_view text) {
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0 || value > kMaxWaitSeconds) {
        return std::nullopt;
    }
    return value;
}

std::string RangeError(std::string_view option, std::string_view value, std::uint64_t min,
                       std::uint64_t max) {
    return std::string(option) + ": expected a whole number from " + std::to_string(min) + " to " +
           std::to_string(max) + ", got '" + std::string(value) + "'";
}

// The thresholds a buffer of this size gets unless told otherwise: XOFF with room for 64
// more bytes (a quarter of a small buffer), XON when a quarter is left.
void DefaultMarks(MachineConfig& machine, std::optional<std::uint64_t> xoffAt,
                  std::optional<std::uint64_t> xonAt) {
    const std::size_t margin = std::min<std::size_t>(64, machine.bufferBytes / 4);
    machine.xoffAt = xoffAt ? static_cast<std::size_t>(*xoffAt) : machine.bufferBytes - margin;
    machine.xonAt = xonAt ? static_cast<std::size_t>(*xonAt) : machine.bufferBytes / 4;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    Options& options = result.options;
    MachineConfig& machine = options.machine;
    std::optional<std::uint64_t> xoffAt;
    std::optional<std::uint64_t> xonAt;
    bool noiseSeedGiven = false;

    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> inlineValue;
        if (const auto equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            inlineValue = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const auto flag = [&]() {
            if (inlineValue) {
                result.error = std::string(arg) + " takes no value";
            }
        };
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < args.size()) {
                return std::string_view(args[++i]);
            }
            result.error = std::string(arg) + " needs a value";
            return std::nullopt;
        };
        const auto number = [&](std::uint64_t min,
                                std::uint64_t max) -> std::optional<std::uint64_t> {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            const auto parsed = WholeNumber(*text, min, max);
            if (!parsed) {
                result.error = RangeError(arg, *text, min, max);
            }
            return parsed;
        };
        const auto path = [&](std::string& into) {
            if (const auto text = value()) {
                if (text->empty()) {
                    result.error = std::string(arg) + " needs a path";
                }
                into = *text;
            }
        };

        if (arg == "--help" || arg == "-h") {
            flag();
            result.help = true;
        } else if (arg == "--link") {
            path(options.linkPath);
        } else if (arg == "--record") {
            path(options.recordPath);
        } else if (arg == "--report") {
            path(options.reportPath);
        } else if (arg == "--frame") {
            if (const auto text = value()) {
                if (const auto frame = ParseLineFrame(*text)) {
                    options.frame = *frame;
                } else {
                    result.error =
                        "--frame: expected data bits 5-8, parity N, E, O, M or S and stop bits "
                        "1, 1.5 or 2, such as 7E2 or 8N1, got '" +
                        std::string(*text) + "'";
                }
            }
        } else if (arg == "--buffer") {
            if (const auto n = number(1, kMaxBuffer)) {
                machine.bufferBytes = static_cast<std::size_t>(*n);
            }
        } else if (arg == "--rate") {
            if (const auto n = number(0, kMaxRate)) {
                machine.drainRate = *n;
            }
        } else if (arg == "--xoff-at") {
            xoffAt = number(1, kMaxBuffer);
        } else if (arg == "--xon-at") {
            xonAt = number(0, kMaxBuffer);
        } else if (arg == "--start-xon") {
            flag();
            machine.startXon = true;
        } else if (arg == "--start-xon-delay") {
            if (const auto n = number(0, kMaxMillis)) {
                machine.startXonDelay = std::chrono::milliseconds(*n);
            }
        } else if (arg == "--enq-every") {
            if (const auto n = number(0, kMaxCount)) {
                machine.enqEvery = *n;
            }
        } else if (arg == "--nul-every") {
            if (const auto n = number(0, kMaxCount)) {
                machine.nulEvery = *n;
            }
        } else if (arg == "--nak-at") {
            if (const auto n = number(1, kMaxCount)) {
                machine.nakAt.push_back(*n);
            }
        } else if (arg == "--nak-hold") {
            if (const auto n = number(0, kMaxMillis)) {
                machine.nakHold = std::chrono::milliseconds(*n);
            }
        } else if (arg == "--stop-reading-at") {
            if (const auto n = number(1, kMaxCount)) {
                machine.stopReadingAt = *n;
            }
        } else if (arg == "--stop-reading-for") {
            if (const auto n = number(0, kMaxMillis)) {
                machine.stopReadingFor = std::chrono::milliseconds(*n);
            }
        } else if (arg == "--noise-every") {
            if (const auto n = number(1, kMaxMillis)) {
                machine.noiseEvery = std::chrono::milliseconds(*n);
            }
        } else if (arg == "--noise-seed") {
            if (const auto n = number(0, std::numeric_limits<std::uint64_t>::max())) {
                machine.noiseSeed = *n;
                noiseSeedGiven = true;
            }
        } else if (arg == "--hang-up-at") {
            if (const auto n = number(1, kMaxCount)) {
                options.hangUpAt = *n;
            }
        } else if (arg == "--wait-timeout") {
            if (const auto text = value()) {
                if (const auto seconds = Seconds(*text)) {
                    options.waitTimeout = std::chrono::nanoseconds(std::llround(*seconds * 1e9));
                } else {
                    result.error = "--wait-timeout: expected seconds from 0 to 86400, got '" +
                                   std::string(*text) + "'";
                }
            }
        } else if (arg.starts_with("-")) {
            result.error = "unknown option '" + std::string(arg) + "'";
        } else {
            result.error = "unexpected argument '" + std::string(arg) + "'";
        }
    }
    if (!result.error.empty() || result.help) {
        return result;
    }

    DefaultMarks(machine, xoffAt, xonAt);
    if (machine.xoffAt > machine.bufferBytes) {
        result.error = "--xoff-at (" + std::to_string(machine.xoffAt) +
                       ") must not exceed --buffer (" + std::to_string(machine.bufferBytes) + ")";
    } else if (machine.xonAt >= machine.xoffAt) {
        result.error = "--xon-at (" + std::to_string(machine.xonAt) +
                       ") must be below --xoff-at (" + std::to_string(machine.xoffAt) + ")";
    } else if (machine.stopReadingFor && !machine.stopReadingAt) {
        result.error = "--stop-reading-for needs --stop-reading-at";
    } else if (noiseSeedGiven && machine.noiseEvery.count() == 0) {
        result.error = "--noise-seed needs --noise-every";
    }
    return result;
}

std::string UsageText() {
    return R"(usage: cnc-sim [options]

Plays a CNC control on the master side of a new pseudo-terminal. The slave side is the
machine's serial port for the tool to open; its path is the first line on stdout. The
simulator ends when the tool has closed the port and all it sent has arrived, or on
SIGINT or SIGTERM.

Between the tool and the control lies a modelled cable: what the tool writes waits in a
model of its UART and reaches the control one character at a time, at the rate the tool
set on its port and in the frame given by --frame. While the tool holds its transmitter
(tcflow, the kernel's own IXON, SETXOFF under Wine) nothing new goes onto the wire; the
character already on it completes.

  --link PATH            also make PATH a symbolic link to the slave (an existing
                         symbolic link is replaced, any other file is left alone);
                         removed at exit
  --frame FRAME          the tool's characters on the wire: data bits, parity (N, E, O,
                         M, S), stop bits (1, 1.5, 2), such as 8N1 (7E2)
  --buffer N             receive buffer in bytes (256)
  --rate N               bytes per second taken out of the buffer; 0 takes each byte
                         at once (960, a 9600-baud line)
  --xoff-at N            send XOFF (DC3) when the buffer holds N bytes
                         (buffer - 64, or three quarters of a buffer below 256)
  --xon-at N             send XON (DC1) when it has drained to N bytes (buffer / 4)
  --start-xon            send one XON as start signal once the tool opened the port
  --start-xon-delay MS   how long after the open that start signal goes out (100)
  --enq-every N          send ENQ after every N data bytes and count the ACKs (off)
  --nak-at N             send NAK when N data bytes have arrived; may be repeated
  --nak-hold MS          send ACK this long after each NAK (200)
  --nul-every N          send a NUL byte after every N data bytes, as a noisy line may (off)
  --stop-reading-at N    stop taking data out of the buffer once N data bytes have arrived,
                         as a control busy with something else does: the buffer fills and
                         the marks hold the tool (a --rate 0 control fills for the while)
  --stop-reading-for MS  take data again after MS (for ever)
  --noise-every MS       line noise: one byte every MS from 250 ms after the open, every
                         byte value once per round in random order (DC1, DC3, ENQ, ACK and
                         NAK among them); the tool's ACKs to its ENQs are no data (off)
  --noise-seed N         the order of the noise (1)
  --hang-up-at N         once N data bytes have arrived, hang up the tool's side of the
                         line as the kernel does to a pulled USB adapter, so that its calls
                         fail with I/O errors; needs CAP_SYS_ADMIN (reported as
                         line_hung_up)
  --record PATH          write every data byte received to PATH
  --report PATH          write a JSON report to PATH at exit (below)
  --wait-timeout S       exit with status 3 if the port is not opened within S
                         seconds (0, wait for ever)
  -h, --help             show this text

Exit status: 0 when the session ended, 1 on a system error, 2 on a bad command line,
3 when nobody opened the port in time.

The report, times measured on the modelled wire:
  after_xoff             per XOFF, the characters that went onto the wire after the XOFF
                         was written and before the tool held its transmitter (or the
                         XON, if it never did): the tool's own reaction; max, median
  written_after_xoff     over the same stretch, the characters the tool wrote: the part
                         of after_xoff it added after the XOFF went out; max, median
  uart_queue_max         the most characters waiting in the tool's UART or on the wire
  xon_to_next_byte_ms    from an XON that ended a hold being written to the last bit of
                         the next data byte arriving; this includes that character's own
                         time on the wire (1.146 ms at 9600 baud 7E2)
  line                   the rate the tool set last, the bits of one character, and the
                         characters the tool purged before they went out
  duration_s             from the tool opening the port to the end of the session
  xon_written_us         when each XON (start signal and noise included) went onto the
                         line, in microseconds from the open
  tool_last_wrote_us     when the tool's last data came off the line, from the open
                         (-1 if it sent none); an XON well before it was read by the tool
  line_hung_up           whether --hang-up-at hung up the tool's side
)";
}

}  // namespace cnc_sim
