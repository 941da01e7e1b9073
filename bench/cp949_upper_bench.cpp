// Upper-casing runs over every byte of the file, once per complete line over the growing
// batch; this measures the cost per byte on NC text with Hangul comments.
#include <benchmark/benchmark.h>

#include <string>

#include "cp949_upper.h"

namespace {

std::string SampleText(std::size_t size) {
    // "(가공 시작) " in code page 949, then a lower-case block.
    const std::string line = "(\xB0\xA1\xB0\xF8 \xBD\xC3\xC0\xDB) n100 g01 x12.5 y-3.25 f300\r\n";
    std::string text;
    while (text.size() < size) {
        text += line;
    }
    text.resize(size);
    return text;
}

void BM_UpperCaseCp949(benchmark::State& state) {
    const std::string original = SampleText(static_cast<std::size_t>(state.range(0)));
    std::string text = original;
    for (auto _ : state) {
        text = original;
        UpperCaseCp949(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_UpperCaseCp949)->Arg(300)->Arg(1 << 20);

}  // namespace
