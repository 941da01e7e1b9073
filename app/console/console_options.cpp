#include "console_options.h"

#include <charconv>

const char* const kConsoleUsage =
    "usage: strandex-pretest-cli [options] [--] FILE\n"
    "       strandex-pretest-cli --list-ports [--port N --device PATH]\n"
    "\n"
    "Streams FILE (an NC program of at least 200,000 bytes) to the machine as the pre-test\n"
    "does, with the stored port settings unless overridden here.\n"
    "\n"
    "  --port N               COM port number\n"
    "  --device PATH          device to open for that port (instead of the [Ports] map)\n"
    "  --baud N               line speed\n"
    "  --data-bits 5..8       data bits\n"
    "  --stop-bits 1|2        stop bits\n"
    "  --parity none|odd|even parity\n"
    "  --wait-start           hold the first byte until the machine's XON\n"
    "  --no-wait-start        start sending at once\n"
    "  --report PATH          write the outcome as JSON\n"
    "  --chart PATH           write the chart of the test as SVG\n"
    "  --html PATH            write the test's report as one HTML file\n"
    "  --quiet                print only messages and the end\n"
    "  --list-ports           list the ports as the settings dialog offers them and end\n"
    "  --help                 this text\n"
    "\n"
    "Ctrl+C stops the test. Exit status: 0 ended by itself, 1 stopped, 2 bad usage, file or\n"
    "report path, 3 port not opened or lost, 4 over-long line, 5 file not opened or not read\n"
    "to its end, 6 the test ran but its report could not be written.\n";

namespace {

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ParsedOptions ParseConsoleOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    ConsoleOptions& o = parsed.options;
    auto fail = [&](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            // What follows is the file, even when its name starts with a dash.
            optionsEnded = true;
            continue;
        }
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        auto number = [&](std::optional<int>& field, int low, int high) -> bool {
            const auto text = value();
            const auto n = text ? ParseInt(*text) : std::nullopt;
            if (!n || *n < low || *n > high) {
                return false;
            }
            field = n;
            return true;
        };
        if (optionsEnded) {
            if (!o.file.empty()) {
                return fail("one FILE only");
            }
            o.file = arg;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--port") {
            if (!number(o.port, 1, 255)) {
                return fail("--port takes a port number from 1 to 255");
            }
        } else if (arg == "--device") {
            o.device = value();
            if (!o.device || o.device->empty()) {
                return fail("--device takes a path");
            }
        } else if (arg == "--baud") {
            if (!number(o.baud, 1, 4000000)) {
                return fail("--baud takes a line speed in bits per second");
            }
        } else if (arg == "--data-bits") {
            if (!number(o.dataBits, 5, 8)) {
                return fail("--data-bits takes 5 to 8");
            }
        } else if (arg == "--stop-bits") {
            if (!number(o.stopBits, 1, 2)) {
                return fail("--stop-bits takes 1 or 2");
            }
        } else if (arg == "--parity") {
            const auto text = value();
            if (text == "none") {
                o.parity = 0;
            } else if (text == "odd") {
                o.parity = 1;
            } else if (text == "even") {
                o.parity = 2;
            } else {
                return fail("--parity takes none, odd or even");
            }
        } else if (arg == "--wait-start") {
            o.waitStart = true;
        } else if (arg == "--no-wait-start") {
            o.waitStart = false;
        } else if (arg == "--report") {
            o.report = value();
            if (!o.report || o.report->empty()) {
                return fail("--report takes a path");
            }
        } else if (arg == "--chart") {
            o.chart = value();
            if (!o.chart || o.chart->empty()) {
                return fail("--chart takes a path");
            }
        } else if (arg == "--html") {
            o.html = value();
            if (!o.html || o.html->empty()) {
                return fail("--html takes a path");
            }
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--list-ports") {
            o.listPorts = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return fail("unknown option " + arg);
        } else if (!o.file.empty()) {
            return fail("one FILE only");
        } else {
            o.file = arg;
        }
    }
    if (o.file.empty() && !o.help && !o.listPorts) {
        return fail("no FILE given");
    }
    return parsed;
}

void ApplyToSettings(const ConsoleOptions& o, PortSettings& settings) {
    settings.nComID = o.port.value_or(settings.nComID);
    settings.nBaudRate = o.baud.value_or(settings.nBaudRate);
    settings.nDataBits = o.dataBits.value_or(settings.nDataBits);
    settings.nStopBits = o.stopBits.value_or(settings.nStopBits);
    settings.nParity = o.parity.value_or(settings.nParity);
    if (o.waitStart) {
        settings.bSendSignalWait = *o.waitStart ? 1 : 0;
    }
}
