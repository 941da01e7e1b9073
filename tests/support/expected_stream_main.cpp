// expected-stream PROGRAM.nc OUT [HANDOVERS]: writes to OUT the bytes the machine must
// receive from a test of PROGRAM.nc, and prints how that test ends ("eof", "level" or
// "long_line") and its last level. HANDOVERS, when given, gets one line per hand-over: the
// bytes handed over so far and the level then. For tests of programs that cannot link the
// oracle themselves.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "expected_stream.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: expected-stream PROGRAM.nc OUT [HANDOVERS]\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "expected-stream: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string program{std::istreambuf_iterator<char>(in), {}};
    const ExpectedStream expected = ExpectedStreamFor(program);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(expected.bytes.data(), static_cast<std::streamsize>(expected.bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "expected-stream: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 4) {
        std::ofstream handOvers(argv[3], std::ios::trunc);
        for (const auto& handOver : expected.handOvers) {
            handOvers << handOver.end << ' ' << handOver.level << '\n';
        }
        handOvers.close();
        if (!handOvers) {
            std::fprintf(stderr, "expected-stream: cannot write %s\n", argv[3]);
            return 1;
        }
    }
    const char* end = expected.end == ExpectedStream::End::EndOfFile     ? "eof"
                      : expected.end == ExpectedStream::End::LevelPassed ? "level"
                                                                         : "long_line";
    std::printf("%s %d\n", end, expected.finalLevel);
    return 0;
}
