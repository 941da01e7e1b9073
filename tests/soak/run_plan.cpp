#include "run_plan.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
#include <sstream>

namespace soak {

namespace {

using namespace std::chrono_literals;

// Neighbouring seeds give unrelated runs.
std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

class Draw {
  public:
    explicit Draw(std::uint64_t seed) : random_(SplitMix64(seed)) {}

    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

    std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random_);
    }

    // Every order of magnitude as likely as the next.
    std::uint64_t LogBetween(std::uint64_t low, std::uint64_t high) {
        const double value = std::exp(std::uniform_real_distribution<double>(
            std::log(static_cast<double>(low)), std::log(static_cast<double>(high) + 1))(random_));
        return std::clamp(static_cast<std::uint64_t>(value), low, high);
    }

    std::chrono::milliseconds Millis(std::uint64_t low, std::uint64_t high) {
        return std::chrono::milliseconds(Between(low, high));
    }

    template <typename T>
    T Pick(std::initializer_list<T> values) {
        return *(values.begin() + Between(0, values.size() - 1));
    }

  private:
    std::mt19937_64 random_;
};

// Where in the stream byte-counted events go: inside the part every test sends.
constexpr std::uint64_t kEarliestMark = 500;
constexpr std::uint64_t kLatestMark = 40'000;

ProgramPlan DrawProgram(Draw& draw) {
    ProgramPlan p;
    p.generatorSeed = static_cast<unsigned>(draw.Between(1, 0x7fffffff));
    p.minBytes = draw.LogBetween(200'000, 3'000'000);
    p.lineEnds = draw.Pick({LineEnds::kMixed, LineEnds::kMixed, LineEnds::kLf, LineEnds::kCrLf});
    p.nuls = draw.Chance(0.3) ? draw.Between(1, 40) : 0;
    p.fullLines = draw.Chance(0.4) ? draw.Between(1, 20) : 0;
    p.hangulComments = draw.Chance(0.5) ? draw.Between(1, 50) : 0;
    p.lastLineUnterminated = draw.Chance(0.3);
    if (draw.Chance(0.05)) {
        p.overLongNear = draw.Between(2'000, 50'000);
    }
    return p;
}

// What the line carries while a loaded machine's kernel is slow to hand the tool the XOFF:
// 20 ms, more than the pty delays the soak usually sees.
std::size_t CharsWhileThePtyIsSlow(const LinePlan& line) {
    const int bitsPerChar = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
    return static_cast<std::size_t>(line.baud / bitsPerChar / 50);
}

void DrawMarks(Draw& draw, const LinePlan& line, MachinePlan& m) {
    const std::size_t headroomOverChunk = 57;  // one byte more than the largest chunk
    const std::size_t roomForTheTool = kToolInFlight + CharsWhileThePtyIsSlow(line);
    switch (draw.Between(0, 19)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            m.xoffAt = m.buffer > headroomOverChunk ? m.buffer - headroomOverChunk : m.buffer;
            break;
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            // Room for all the tool may send, so the buffer must never overflow.
            m.xoffAt = m.buffer > roomForTheTool
                           ? m.buffer - roomForTheTool
                           : draw.Between(std::max<std::size_t>(1, m.buffer / 4), m.buffer);
            break;
        default:
            m.xoffAt = draw.Between(std::max<std::size_t>(1, m.buffer / 4), m.buffer);
            break;
    }
    if (draw.Chance(0.15) && m.xoffAt > 1) {
        // A storm: XOFF and XON a few bytes apart.
        m.xonAt = m.xoffAt - draw.Between(1, std::min<std::size_t>(3, m.xoffAt));
    } else {
        m.xonAt = draw.Between(0, m.xoffAt - 1);
    }
}

MachinePlan DrawMachine(Draw& draw, const LinePlan& line, bool& slowMachine) {
    MachinePlan m;
    m.buffer = draw.LogBetween(64, 8192);
    DrawMarks(draw, line, m);
    switch (draw.Between(0, 19)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            m.rate = 0;
            break;
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
            m.rate = draw.LogBetween(50'000, 400'000);
            break;
        case 12:
        case 13:
        case 14:
        case 15:
        case 16:
            m.rate = draw.LogBetween(5'000, 50'000);
            break;
        default:
            m.rate = draw.LogBetween(3, 5'000);
            slowMachine = true;
            break;
    }
    if (draw.Chance(0.3)) {
        m.enqEvery = draw.LogBetween(1, 5'000);
    }
    if (draw.Chance(0.2)) {
        m.nulEvery = draw.LogBetween(1, 2'000);
    }
    if (draw.Chance(0.2)) {
        for (std::uint64_t n = draw.Between(1, 3); n > 0; --n) {
            m.nakAt.push_back(draw.Between(100, 45'000));
        }
        std::ranges::sort(m.nakAt);
        m.nakHold = draw.Millis(20, 1'500);
    }
    if (draw.Chance(0.2)) {
        // Later than the tool's purge of its input right after the open, under Wine too.
        m.startXonAfter = draw.Millis(200, 3'000);
    }
    if (draw.Chance(0.15)) {
        m.stopReadingAt = draw.Between(kEarliestMark, 45'000);
        m.stopReadingFor = draw.Millis(500, 3'000);
    }
    return m;
}

LinePlan DrawLine(Draw& draw, bool& slowLine) {
    LinePlan line;
    slowLine = draw.Chance(0.12);
    line.baud = slowLine ? draw.Pick({1'200, 2'400, 4'800, 9'600, 19'200, 38'400, 57'600})
                         : draw.Pick({115'200, 230'400, 460'800, 460'800, 921'600, 921'600});
    line.dataBits = draw.Pick({7, 8});
    line.parity = draw.Pick({'N', 'O', 'E'});
    line.stopBits = draw.Pick({1, 2});
    return line;
}

FaultPlan Stop(std::chrono::milliseconds after) {
    return {Fault::kStop, 0, after, 0};
}

// A machine fault or a stop, with the machine behaviour some of them need. Most strike at a
// byte count, which a slow line or a slow machine would take far too long to reach: those
// runs get a fast line and a fast machine.
void DrawFault(Draw& draw, RunPlan& plan) {
    MachinePlan& m = plan.machine;
    const std::uint64_t mark = draw.Between(kEarliestMark, kLatestMark);
    const std::uint64_t kind = draw.Between(0, 10);
    const bool timed = kind == 8 || kind == 10;
    if (!timed) {
        plan.fault = {};
        plan.line.baud = std::max(plan.line.baud, 115'200);
        if (m.rate != 0 && m.rate < 5'000) {
            m.rate = draw.LogBetween(50'000, 400'000);
        }
        if (plan.program.overLongNear && *plan.program.overLongNear < 5'000) {
            plan.program.overLongNear.reset();
        }
    }
    switch (kind) {
        case 0:
            plan.fault = {Fault::kMachineKilled, mark, 0ms, 0};
            break;
        case 1:
            plan.fault = {Fault::kMachineClosed, mark, 0ms, 0};
            break;
        case 2:
            m.hangUpAt = mark;
            plan.fault = {Fault::kLineHungUp, mark, 0ms, 0};
            break;
        case 3:
            plan.fault = {Fault::kFileTruncated, mark, 0ms, draw.Between(0, mark)};
            break;
        case 4:
            plan.fault = {Fault::kFileDeleted, mark, 0ms, 0};
            break;
        case 5:
            plan.fault = {Fault::kFileGrown, mark, 0ms, 0};
            break;
        case 6:
            // Holds for ever, and the operator gives up.
            m.stopReadingAt = mark;
            m.stopReadingFor.reset();
            plan.fault = {Fault::kStop, mark, draw.Millis(300, 2'000), 0};
            break;
        case 7:
            m.nakAt = {mark};
            m.nakHold = 86'400'000ms;
            plan.fault = {Fault::kStop, mark, draw.Millis(300, 2'000), 0};
            break;
        case 8:
            m.startXonAfter.reset();
            m.startNever = true;
            plan.fault = Stop(draw.Millis(300, 2'000));
            break;
        case 9:
            m.noiseEvery = draw.Millis(1, 5);
            m.noiseSeed = draw.Between(1, 1'000'000);
            break;
        default:
            m.noiseEvery = draw.Millis(1, 5);
            m.noiseSeed = draw.Between(1, 1'000'000);
            plan.fault = Stop(draw.Millis(300, 3'000));
            break;
    }
}

std::string Millis(std::chrono::milliseconds t) {
    return std::to_string(t.count());
}

}  // namespace

RunPlan DrawRun(std::uint64_t seed, bool withFaults) {
    Draw draw(seed);
    RunPlan plan;
    plan.seed = seed;
    plan.program = DrawProgram(draw);
    bool slowLine = false, slowMachine = false;
    plan.line = DrawLine(draw, slowLine);
    plan.machine = DrawMachine(draw, plan.line, slowMachine);
    // Whole tests at a slow pace take minutes: a stop at a random moment, or (on a line that
    // is slow but not very) an over-long line early that ends the test by itself.
    if (slowLine && plan.line.baud >= 9'600 && !slowMachine && draw.Chance(0.5)) {
        plan.program.overLongNear = draw.Between(1'500, 4'000);
    } else if (slowLine || slowMachine || draw.Chance(0.15)) {
        plan.fault = Stop(draw.Millis(100, 3'000));
    }
    if (withFaults && draw.Chance(0.5)) {
        DrawFault(draw, plan);
    }
    return plan;
}

std::vector<RunPlan> FaultTable() {
    std::vector<RunPlan> table;
    const auto row = [&table](const char* name, std::uint64_t seed) -> RunPlan& {
        RunPlan plan;
        plan.seed = seed;
        plan.name = name;
        plan.program.generatorSeed = static_cast<unsigned>(seed);
        plan.program.hangulComments = 10;
        // Fast, yet slow enough for the simulator's wire to keep up on a busy machine.
        plan.line.baud = 230'400;
        // Room for the tool's queue, a chunk and 20 ms of the line while the pty is slow.
        plan.machine.buffer = 1024;
        plan.machine.xoffAt = 1024 - 640;
        plan.machine.xonAt = 128;
        plan.machine.rate = 200'000;
        table.push_back(plan);
        return table.back();
    };
    row("machine-killed", 101).fault = {Fault::kMachineKilled, 10'000, 0ms, 0};
    row("machine-closed", 102).fault = {Fault::kMachineClosed, 10'000, 0ms, 0};
    {
        RunPlan& plan = row("io-errors", 103);
        plan.machine.hangUpAt = 10'000;
        plan.fault = {Fault::kLineHungUp, 10'000, 0ms, 0};
    }
    {
        RunPlan& plan = row("holds-for-ever-then-stop", 104);
        plan.machine.stopReadingAt = 10'000;
        plan.fault = {Fault::kStop, 10'000, 1'000ms, 0};
    }
    {
        RunPlan& plan = row("nak-for-ever-then-stop", 105);
        plan.machine.nakAt = {10'000};
        plan.machine.nakHold = 86'400'000ms;
        plan.fault = {Fault::kStop, 10'000, 1'000ms, 0};
    }
    {
        RunPlan& plan = row("no-start-signal-then-stop", 106);
        plan.machine.startNever = true;
        plan.fault = Stop(1'500ms);
    }
    row("file-truncated", 107).fault = {Fault::kFileTruncated, 10'000, 0ms, 5'000};
    row("file-deleted", 108).fault = {Fault::kFileDeleted, 10'000, 0ms, 0};
    row("file-grown", 109).fault = {Fault::kFileGrown, 10'000, 0ms, 0};
    {
        RunPlan& plan = row("every-byte-value", 110);
        plan.machine.rate = 0;
        plan.machine.noiseEvery = 2ms;
        plan.machine.noiseSeed = 110;
    }
    {
        RunPlan& plan = row("every-byte-value-then-stop", 111);
        plan.machine.rate = 0;
        plan.machine.noiseEvery = 1ms;
        plan.machine.noiseSeed = 111;
        plan.fault = Stop(1'500ms);
    }
    row("stop-while-sending", 112).fault = {Fault::kStop, 10'000, 0ms, 0};
    return table;
}

void FitFaultToStream(RunPlan& plan, std::size_t streamBytes) {
    FaultPlan& fault = plan.fault;
    if (fault.kind == Fault::kNone || fault.kind == Fault::kStop) {
        return;
    }
    constexpr std::uint64_t kStillToSend = 4'000;
    if (streamBytes < kEarliestMark + kStillToSend) {
        fault = {};
        plan.machine.hangUpAt.reset();
        return;
    }
    const std::uint64_t latest = streamBytes - kStillToSend;
    fault.afterBytes = std::min(fault.afterBytes, latest);
    fault.truncateTo = std::min<std::size_t>(fault.truncateTo, fault.afterBytes);
    if (plan.machine.hangUpAt) {
        plan.machine.hangUpAt = fault.afterBytes;
    }
}

std::vector<std::string> MachineArguments(const RunPlan& plan) {
    const MachinePlan& m = plan.machine;
    const LinePlan& line = plan.line;
    std::vector<std::string> args = {
        "--buffer",  std::to_string(m.buffer),
        "--xoff-at", std::to_string(m.xoffAt),
        "--xon-at",  std::to_string(m.xonAt),
        "--rate",    std::to_string(m.rate),
        "--frame",   std::to_string(line.dataBits) + line.parity + std::to_string(line.stopBits)};
    const auto add = [&args](const char* option, const std::string& value) {
        args.push_back(option);
        args.push_back(value);
    };
    if (m.enqEvery != 0) {
        add("--enq-every", std::to_string(m.enqEvery));
    }
    if (m.nulEvery != 0) {
        add("--nul-every", std::to_string(m.nulEvery));
    }
    for (const std::uint64_t at : m.nakAt) {
        add("--nak-at", std::to_string(at));
    }
    if (!m.nakAt.empty()) {
        add("--nak-hold", Millis(m.nakHold));
    }
    if (m.startXonAfter) {
        args.push_back("--start-xon");
        add("--start-xon-delay", Millis(*m.startXonAfter));
    }
    if (m.stopReadingAt) {
        add("--stop-reading-at", std::to_string(*m.stopReadingAt));
        if (m.stopReadingFor) {
            add("--stop-reading-for", Millis(*m.stopReadingFor));
        }
    }
    if (m.noiseEvery.count() != 0) {
        add("--noise-every", Millis(m.noiseEvery));
        add("--noise-seed", std::to_string(m.noiseSeed));
    }
    if (m.hangUpAt) {
        add("--hang-up-at", std::to_string(*m.hangUpAt));
    }
    return args;
}

std::vector<std::string> LineArguments(const RunPlan& plan) {
    const LinePlan& line = plan.line;
    const bool waitStart = plan.machine.startXonAfter.has_value() || plan.machine.startNever;
    return {"--baud",
            std::to_string(line.baud),
            "--data-bits",
            std::to_string(line.dataBits),
            "--stop-bits",
            std::to_string(line.stopBits),
            "--parity",
            line.parity == 'N'   ? "none"
            : line.parity == 'O' ? "odd"
                                 : "even",
            waitStart ? "--wait-start" : "--no-wait-start"};
}

std::string FaultName(Fault fault) {
    switch (fault) {
        case Fault::kNone:
            return "none";
        case Fault::kStop:
            return "stop";
        case Fault::kMachineKilled:
            return "machine-killed";
        case Fault::kMachineClosed:
            return "machine-closed";
        case Fault::kLineHungUp:
            return "line-hung-up";
        case Fault::kFileTruncated:
            return "file-truncated";
        case Fault::kFileDeleted:
            return "file-deleted";
        case Fault::kFileGrown:
            return "file-grown";
    }
    return "?";
}

std::string Describe(const RunPlan& plan) {
    const ProgramPlan& p = plan.program;
    const MachinePlan& m = plan.machine;
    const LinePlan& line = plan.line;
    std::ostringstream text;
    if (!plan.name.empty()) {
        text << plan.name << ": ";
    }
    text << line.baud << " " << line.dataBits << line.parity << line.stopBits << ", machine "
         << m.buffer << "/" << m.xoffAt << "/" << m.xonAt << " at " << m.rate << " B/s";
    if (m.enqEvery != 0) {
        text << ", ENQ/" << m.enqEvery;
    }
    if (m.nulEvery != 0) {
        text << ", NUL/" << m.nulEvery;
    }
    for (const std::uint64_t at : m.nakAt) {
        text << ", NAK@" << at << "+" << m.nakHold.count() << "ms";
    }
    if (m.startXonAfter) {
        text << ", start XON after " << m.startXonAfter->count() << "ms";
    }
    if (m.startNever) {
        text << ", start XON never";
    }
    if (m.stopReadingAt) {
        text << ", stops reading@" << *m.stopReadingAt << " for "
             << (m.stopReadingFor ? Millis(*m.stopReadingFor) + "ms" : "ever");
    }
    if (m.noiseEvery.count() != 0) {
        text << ", noise/" << m.noiseEvery.count() << "ms";
    }
    text << "; program " << p.minBytes << " B seed " << p.generatorSeed << " "
         << (p.lineEnds == LineEnds::kLf     ? "LF"
             : p.lineEnds == LineEnds::kCrLf ? "CRLF"
                                             : "mixed");
    if (p.nuls != 0) {
        text << ", " << p.nuls << " NUL";
    }
    if (p.fullLines != 0) {
        text << ", " << p.fullLines << " full lines";
    }
    if (p.hangulComments != 0) {
        text << ", " << p.hangulComments << " Hangul comments";
    }
    if (p.overLongNear) {
        text << ", over-long line@" << *p.overLongNear;
    }
    if (p.lastLineUnterminated) {
        text << ", last line without LF";
    }
    if (plan.fault.kind != Fault::kNone) {
        text << "; " << FaultName(plan.fault.kind);
        if (plan.fault.afterBytes != 0) {
            text << " @" << plan.fault.afterBytes << " B";
        }
        if (plan.fault.thenAfter.count() != 0) {
            text << " +" << plan.fault.thenAfter.count() << "ms";
        }
        if (plan.fault.kind == Fault::kFileTruncated) {
            text << " to " << plan.fault.truncateTo << " B";
        }
    }
    return text.str();
}

bool HeadroomCoversTheTool(const MachinePlan& machine) {
    const bool buffers = machine.rate != 0 || machine.stopReadingAt.has_value();
    return buffers && machine.noiseEvery.count() == 0 &&
           machine.buffer - machine.xoffAt >= kToolInFlight;
}

std::chrono::milliseconds RunBound(const RunPlan& plan, std::size_t streamBytes, bool wine) {
    const MachinePlan& m = plan.machine;
    const LinePlan& line = plan.line;
    const double bytes = static_cast<double>(streamBytes);
    const int bitsPerChar = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
    const double onTheLine = bytes * bitsPerChar / line.baud;
    const double drained = m.rate == 0 ? 0
                                       : std::max(0.0, bytes - static_cast<double>(m.xoffAt)) /
                                             static_cast<double>(m.rate);
    double held = 0;
    for (const std::uint64_t at : m.nakAt) {
        held += at < streamBytes ? std::chrono::duration<double>(m.nakHold).count() : 0;
    }
    if (m.stopReadingAt && m.stopReadingFor && *m.stopReadingAt < streamBytes) {
        held += std::chrono::duration<double>(*m.stopReadingFor).count();
    }
    if (m.startXonAfter) {
        held += std::chrono::duration<double>(*m.startXonAfter).count();
    }
    // The levels below 10 with their 1-ms pauses, the second before the close, the start.
    const double fixed = 0.7 + 1.0 + (wine ? 3.0 : 0.3);
    double seconds = (std::max(onTheLine, drained) + held + fixed) * 1.5 + (wine ? 5.0 : 2.0);
    if (m.noiseEvery.count() != 0) {
        // The noise shuts the gates at random for hundreds of milliseconds at a time.
        seconds = seconds * 4 + 10;
    }
    return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000));
}

}  // namespace soak
