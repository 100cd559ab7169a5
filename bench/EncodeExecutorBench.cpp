#include "ImageEngine/Running/EncodeExecutor.h"
#include "platform/files/FilePath.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

// What the executor adds to one conversion: a job handed over and its future answered.
static void BM_EncodeExecutorRoundTrip(benchmark::State& state) {
    pictavo::EncodeExecutor executor(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(executor.encoding([] { return 1; }).get());
}
BENCHMARK(BM_EncodeExecutorRoundTrip)->Arg(1)->Arg(4);

// A batch of small jobs submitted at once and drained through the waiting list.
static void BM_EncodeExecutorBurst(benchmark::State& state) {
    pictavo::EncodeExecutor executor(4);
    std::vector<std::future<int>> results(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        for (auto& result : results) result = executor.encoding([] { return 1; });
        for (auto& result : results) benchmark::DoNotOptimize(result.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeExecutorBurst)->Arg(64)->Arg(1024);

// Reading a source into owned memory, as every conversion starts.
static void BM_ReadWholeFile(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "pictavo-bench-read.bin";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::vector<char> block(1 << 20, 'x');
        for (int64_t i = 0; i < state.range(0); ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    for (auto _ : state) benchmark::DoNotOptimize(platform::readWholeFile(path).size());
    state.SetBytesProcessed(state.iterations() * state.range(0) * (1 << 20));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadWholeFile)->Arg(1)->Arg(64);
