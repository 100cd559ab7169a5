#include "app/export/SourceVersion.h"
#include "app/export/SystemExportWriter.h"

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;

// A folder of its own, holding a Trash of its own so that nothing reaches the user's.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "pictavo-bench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::create_directories(root_ / "data");
        fs::create_directories(root_ / "photos");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root_ / "data").string()));
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    fs::path folder() const { return root_ / "photos"; }

private:
    fs::path root_;
};

platform::Bytes photoSizedBytes(std::size_t size) {
    platform::Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    return bytes;
}

void writeFile(const fs::path& path, const platform::Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Reading a version hashes the whole file; this is its rate.
void BM_SourceVersionRead(benchmark::State& state) {
    Scratch scratch;
    const auto bytes = photoSizedBytes(static_cast<std::size_t>(state.range(0)));
    const fs::path path = scratch.folder() / "photo.jpg";
    writeFile(path, bytes);
    for (auto _ : state) benchmark::DoNotOptimize(SourceVersion::read(path));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SourceVersionRead)->Arg(8 << 20)->Arg(48 << 20)->Unit(benchmark::kMillisecond);

// A new file under a free name, flushed to disk before it gets its name.
void BM_WriteNewFile(benchmark::State& state) {
    Scratch scratch;
    SystemExportWriter writer;
    const auto bytes = photoSizedBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const fs::path written = writer.write(bytes, scratch.folder(), "photo.webp");
        state.PauseTiming();
        fs::remove(written);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteNewFile)->Arg(2 << 20)->Unit(benchmark::kMillisecond);

// The whole safe replacement: working file, two version checks, the Trash, the final move.
void BM_ReplaceOriginal(benchmark::State& state) {
    Scratch scratch;
    SystemExportWriter writer;
    const auto original = photoSizedBytes(static_cast<std::size_t>(state.range(0)));
    const auto converted = photoSizedBytes(static_cast<std::size_t>(state.range(0)) / 2);
    const fs::path path = scratch.folder() / "photo.jpg";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(path);
        writeFile(path, original);
        const auto check = SourceVersion::check(SourceVersion::read(path));
        state.ResumeTiming();
        benchmark::DoNotOptimize(writer.replaceOriginal(path, converted, "photo.jpg", check));
    }
}
BENCHMARK(BM_ReplaceOriginal)->Arg(8 << 20)->Unit(benchmark::kMillisecond);

} // namespace
