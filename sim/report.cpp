#include "report.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "json_writer.h"

namespace cnc_sim {

namespace {

using Millis = std::chrono::duration<double, std::milli>;
using Seconds = std::chrono::duration<double>;

// Mean of the middle two for an even count; 0 for none.
template <typename T>
double Median(std::vector<T> values) {
    if (values.empty()) {
        return 0;
    }
    std::ranges::sort(values);
    const std::size_t middle = values.size() / 2;
    const auto at = [&values](std::size_t i) { return static_cast<double>(values[i]); };
    return values.size() % 2 == 1 ? at(middle) : (at(middle - 1) + at(middle)) / 2;
}

std::vector<double> InMillis(const std::vector<std::chrono::nanoseconds>& times) {
    std::vector<double> millis;
    for (const auto t : times) {
        millis.push_back(Millis(t).count());
    }
    return millis;
}

std::vector<std::uint64_t> InMicros(const std::vector<std::chrono::nanoseconds>& times) {
    std::vector<std::uint64_t> micros;
    for (const auto t : times) {
        micros.push_back(static_cast<std::uint64_t>(std::max<std::int64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(t).count(), 0)));
    }
    return micros;
}

// Nearest rank: the smallest value that at least percent of the values do not exceed.
double Percentile(std::vector<double> values, std::size_t percent) {
    if (values.empty()) {
        return 0;
    }
    std::ranges::sort(values);
    const std::size_t rank = (values.size() * percent + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

}  // namespace

std::string ReportJson(const MachineStats& stats, const LineStats& line,
                       const SessionFacts& session) {
    const std::vector<double> xonGaps = InMillis(stats.xonToNextByte);
    const auto largest = [](const auto& values) {
        return values.empty() ? 0 : *std::ranges::max_element(values);
    };

    JsonWriter json;
    json.Number("bytes_received", stats.bytesReceived)
        .Number("xoff_sent", stats.xoffSent)
        .Number("xon_sent", stats.xonSent)
        .BeginObject("after_xoff")
        .Number("max", largest(line.afterXoff))
        .Decimal("median", Median(line.afterXoff), 1)
        .Numbers("per_xoff", line.afterXoff)
        .EndObject()
        .BeginObject("written_after_xoff")
        .Number("max", largest(line.writtenAfterXoff))
        .Decimal("median", Median(line.writtenAfterXoff), 1)
        .EndObject()
        .Number("uart_queue_max", line.queueMax)
        .Number("enq_sent", stats.enqSent)
        .Number("acks_received", stats.acksReceived)
        .Number("naks_sent", stats.naksSent)
        .Number("nuls_sent", stats.nulsSent)
        .Number("noise_sent", stats.noiseSent)
        .Number("overflow_bytes", stats.overflowBytes)
        .BeginObject("xon_to_next_byte_ms")
        .Decimal("median", Median(xonGaps), 3)
        .Decimal("p99", Percentile(xonGaps, 99), 3)
        .Decimal("max", largest(xonGaps), 3)
        .Number("count", xonGaps.size())
        .EndObject()
        .BeginObject("line")
        .Number("baud", line.baud)
        .Decimal("bits_per_char", line.frame.BitsPerCharacter(), 1)
        .Number("purged_bytes", line.purged)
        .EndObject()
        .Decimal("duration_s", Seconds(session.duration).count(), 3)
        .Bool("start_xon_sent", stats.startXonSent)
        .Bool("reading_stopped", stats.readingStopped)
        .Numbers("xon_written_us", InMicros(session.xonWritten))
        .Decimal("tool_last_wrote_us",
                 session.toolLastWrote ? static_cast<double>(InMicros({*session.toolLastWrote})[0])
                                       : -1.0,
                 0)
        .Bool("line_hung_up", session.lineHungUp);
    return json.Finish();
}

}  // namespace cnc_sim
