// How fast the LZW expander fills a block, next to a plain memcpy of the
// same number of bytes, and how its cost grows with the output size.
//
// Each expansion includes obtaining and releasing its output block, as every
// real call does. After the usual table a short summary gives the
// expander/memcpy ratio and the time per output byte at each size.
#include "pack/stored/lzw_compress.h"
#include "quiz/lzw_expand.h"
#include "bench/french_text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t>& codedFrenchText(size_t length) {
    static std::map<size_t, std::vector<uint8_t>> cache;
    auto found = cache.find(length);
    if (found == cache.end()) {
        const std::vector<uint8_t> text = frenchText(length);
        found = cache.emplace(length, lzwCompress(text.data(), text.size())).first;
    }
    return found->second;
}

void expandFrenchText(benchmark::State& state) {
    const size_t length = static_cast<size_t>(state.range(0));
    const std::vector<uint8_t>& coded = codedFrenchText(length);
    for (auto _ : state) {
        uint8_t* block = nullptr;
        int32_t reported = 0;
        const int32_t result = lzwExpand(coded.data(), coded.size(), &block, &reported);
        benchmark::DoNotOptimize(block);
        if (result != lzwOk || reported != static_cast<int32_t>(length + 2)) {
            state.SkipWithError("the expansion did not give the text back");
            lzwFree(block);
            break;
        }
        lzwFree(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(length));
    state.counters["coded_bytes"] = static_cast<double>(coded.size());
}
BENCHMARK(expandFrenchText)->Name("LzwExpand/french")->Arg(3750)->Arg(7500)->Arg(15000)->Arg(30000);

void copyWithMemcpy(benchmark::State& state) {
    const size_t length = static_cast<size_t>(state.range(0));
    const std::vector<uint8_t> source = frenchText(length);
    std::vector<uint8_t> destination(length);
    for (auto _ : state) {
        uint8_t* to = destination.data();
        const uint8_t* from = source.data();
        benchmark::DoNotOptimize(to);
        benchmark::DoNotOptimize(from);
        std::memcpy(to, from, length);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(length));
}
BENCHMARK(copyWithMemcpy)->Name("Memcpy")->Arg(30000);

// Keeps the CPU seconds per iteration of each run for the summary (CPU time,
// as bytes_per_second uses: wall time swings when the machine is shared).
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                secondsPerRun[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> secondsPerRun;
};

void printSummary(const std::map<std::string, double>& seconds) {
    const auto expand = seconds.find("LzwExpand/french/30000");
    const auto copy = seconds.find("Memcpy/30000");
    if (expand == seconds.end() || copy == seconds.end()) {
        return;
    }
    const double megabytes = 30000.0 / 1e6;
    std::printf("\nSummary (CPU time), 30000 output bytes of French text:\n");
    std::printf("  expander  %9.1f MB/s\n", megabytes / expand->second);
    std::printf("  memcpy    %9.1f MB/s\n", megabytes / copy->second);
    std::printf("  expander takes %.1f times as long as memcpy\n", expand->second / copy->second);
    std::printf("Cost per output byte (flat means linear):\n");
    for (const int length : {3750, 7500, 15000, 30000}) {
        const auto found = seconds.find("LzwExpand/french/" + std::to_string(length));
        if (found != seconds.end()) {
            std::printf("  %5d bytes  %8.2f us  %6.3f ns/byte\n", length, found->second * 1e6,
                        found->second * 1e9 / length);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter.secondsPerRun);
    return 0;
}
