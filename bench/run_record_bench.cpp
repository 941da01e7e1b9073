// What the run recorder costs the sender: each record call against the cheapest thing the
// sender does per chunk anyway, a write() system call of one byte.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include "control_chars.h"
#include "run_record.h"

namespace {

void BM_RecordBytesWritten(benchmark::State& state) {
    RecordRunStart(5);
    for (auto _ : state) {
        RecordBytesWritten(1);
    }
    RecordRunEnd(1);
}
BENCHMARK(BM_RecordBytesWritten);

void BM_RecordMachineCharXoff(benchmark::State& state) {
    RecordRunStart(5);
    std::int64_t n = 0;
    for (auto _ : state) {
        RecordMachineChar((++n & 1) != 0 ? kXoff : kXon);
        // A fresh record now and then keeps the event list the size of a real test's.
        if ((n & 0xFFFF) == 0) {
            state.PauseTiming();
            RecordRunStart(5);
            state.ResumeTiming();
        }
    }
    RecordRunEnd(1);
}
BENCHMARK(BM_RecordMachineCharXoff);

void BM_RecordMachineCharPlainByte(benchmark::State& state) {
    RecordRunStart(5);
    for (auto _ : state) {
        RecordMachineChar('%');
    }
    RecordRunEnd(1);
}
BENCHMARK(BM_RecordMachineCharPlainByte);

// The floor of one chunk's write: the system call alone, to a device that takes everything.
void BM_WriteSyscallOneByte(benchmark::State& state) {
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const char byte = 'G';
    for (auto _ : state) {
        benchmark::DoNotOptimize(::write(fd, &byte, 1));
    }
    ::close(fd);
}
BENCHMARK(BM_WriteSyscallOneByte);

// The window's copy of a record of a ten-minute test at 10 kB/s with a hold a second; the
// worker waits at most this long for its next append while a copy is made.
void BM_CopyTenMinuteRecord(benchmark::State& state) {
    std::int64_t now = 0;
    const RunClock previous = SetRunClock([&now] { return now; });
    RecordRunStart(5);
    for (; now < 600000; now += kRunBucketMs) {
        RecordBytesWritten(1000);
        if (now % 1000 == 0) {
            RecordMachineChar(kXoff);
            RecordMachineChar(kXon);
        }
    }
    RecordRunEnd(1);
    SetRunClock(previous);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CopyRunRecord());
    }
}
BENCHMARK(BM_CopyTenMinuteRecord);

}  // namespace
