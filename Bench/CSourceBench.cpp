// Throughput of the C source writer, in configuration bytes per second, at a
// small file, a full 7a35t configuration and a large one.
#include "BitWriter/BitFileWriter.h"
#include "CSource.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void WriteCSourceToNull(benchmark::State& state)
{
    const auto data = tovix::bitfile::SampleConfigData(static_cast<std::size_t>(state.range(0)));
    std::FILE* null = std::fopen("/dev/null", "w");
    if (null == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        if (!tovix::WriteCSource(null, "bench.bit", "bench", data)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    std::fclose(null);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

BENCHMARK(WriteCSourceToNull)
    ->Arg(4 * 1024)
    ->Arg(tovix::bitfile::FullConfigLength7a35t)
    ->Arg(64 * 1024 * 1024)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
