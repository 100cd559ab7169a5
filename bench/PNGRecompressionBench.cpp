#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace pictavo;

namespace {

// Every PNG under the folders named in PICTAVO_PNG_SET (separated by ':'), read once. Without
// it, the icons and pictures Debian installs.
const std::vector<platform::Bytes>& pngSet() {
    static const std::vector<platform::Bytes> files = [] {
        const char* named = std::getenv("PICTAVO_PNG_SET");
        std::stringstream folders(named ? named : "/usr/share/icons:/usr/share/pixmaps");
        std::vector<std::filesystem::path> paths;
        for (std::string folder; std::getline(folders, folder, ':');) {
            std::error_code error;
            for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
                 it.increment(error))
                if (it->is_regular_file() && it->path().extension() == ".png") paths.push_back(it->path());
        }
        std::sort(paths.begin(), paths.end());
        std::vector<platform::Bytes> read;
        for (const auto& path : paths) {
            std::ifstream stream(path, std::ios::binary);
            read.emplace_back(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
        }
        return read;
    }();
    return files;
}

// A PNG kept in its format with its metadata, as the conversion re-optimises it.
void reoptimiseSet(benchmark::State& state, EncodeEffort effort) {
    const auto& files = pngSet();
    const LibDeflatePNGSourceOptimiser optimiser;
    std::size_t bytesIn = 0;
    std::size_t bytesOut = 0;
    std::size_t rewritten = 0;
    for (auto _ : state) {
        bytesIn = bytesOut = rewritten = 0;
        for (const auto& file : files) {
            const platform::Bytes optimised = optimiser.optimise(file, MetadataPolicy::keepAll, 1, effort);
            bytesIn += file.size();
            bytesOut += optimised.size();
            rewritten += optimised.size() < file.size() ? 1 : 0;
        }
    }
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["rewritten"] = static_cast<double>(rewritten);
    state.counters["bytesIn"] = static_cast<double>(bytesIn);
    state.counters["bytesOut"] = static_cast<double>(bytesOut);
    state.counters["saved%"] = bytesIn ? 100.0 * static_cast<double>(bytesIn - bytesOut) / static_cast<double>(bytesIn) : 0;
}

void BM_ReoptimisePNGSetFinal(benchmark::State& state) { reoptimiseSet(state, EncodeEffort::final); }
void BM_ReoptimisePNGSetPreview(benchmark::State& state) { reoptimiseSet(state, EncodeEffort::preview); }

} // namespace

BENCHMARK(BM_ReoptimisePNGSetFinal)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ReoptimisePNGSetPreview)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
