// Converts files through the conversion engine as the application does and reports the
// throughput, so that the engine can be compared with other converters on the same files.
//
//   pictavo-bench [--spec FILE.json] [--effort final|preview] [--estimate] [--jobs N]
//                 [--memory BYTES] [--every-page] [--out DIR] PATH...
//
// Folders are walked recursively (regular files only, hidden ones skipped), page 1 of each
// file is converted (every page with --every-page), at most W at a time (the engine's width, or N). Each failed file gets
// one line (its name, the error's sentence and its diagnostic), each warning of a conversion or an estimate one (the
// name, the card's badge and the sentence its details give), and so does each output that left out some of its
// source's metadata (what and why); the last line is one JSON object. --memory gives the conversions a bound of
// their own instead of the machine's (memoryBoundBytes in the JSON).
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Running/EncodeExecutor.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/Estimate.h"
#include "ImageEngine/Model/OutputNamer.h"
#include "platform/files/FilePath.h"

#include <nlohmann/json.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <list>
#include <fcntl.h>
#include <future>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

struct Options {
    std::optional<fs::path> specFile;
    EncodeEffort effort = EncodeEffort::final;
    bool estimate = false;
    std::optional<std::int64_t> jobs;
    std::optional<std::uint64_t> memory;
    std::optional<fs::path> out;
    bool everyPage = false;
    std::vector<fs::path> paths;
};

[[noreturn]] void usage(const std::string& problem) {
    std::cerr << "pictavo-bench: " << problem << "\n"
              << "usage: pictavo-bench [--spec FILE.json] [--effort final|preview] [--estimate] [--jobs N] "
                 "[--memory BYTES] [--every-page] [--out DIR] PATH...\n";
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--spec") options.specFile = value();
        else if (argument == "--effort") {
            const std::string effort = value();
            if (effort == "final") options.effort = EncodeEffort::final;
            else if (effort == "preview") options.effort = EncodeEffort::preview;
            else usage("--effort is final or preview");
        } else if (argument == "--estimate") options.estimate = true;
        else if (argument == "--jobs") {
            const std::string jobs = value();
            try {
                options.jobs = std::stoll(jobs);
            } catch (...) {
                usage("--jobs needs a number");
            }
            if (*options.jobs < 1) usage("--jobs needs a number of at least 1");
        } else if (argument == "--memory") {
            const std::string bytes = value();
            try {
                options.memory = std::stoull(bytes);
            } catch (const std::exception&) {
                usage("--memory needs a number of bytes");
            }
        } else if (argument == "--out") options.out = value();
        else if (argument == "--every-page") options.everyPage = true;
        else if (argument.starts_with("--")) usage("unknown option " + argument);
        else options.paths.emplace_back(argument);
    }
    if (options.paths.empty()) usage("no files given");
    return options;
}

// The specification a fresh installation starts from: kept as the source, losslessly, with
// metadata stripped and colour preserved.
OutputSpec builtInDefaultSpec() {
    return OutputSpec{OutputFormat::sameAsSource(), ResizeSpec::original(), QualityMode::lossless(),
                      MetadataPolicy::strip, ColourPolicy::preserve, MatteColour::white(), Adjustments::none(),
                      "{name}.{format}"};
}

bool isHidden(const fs::path& path) { return path.filename().string().starts_with("."); }

// Regular files in path order, as admission collects them.
std::vector<fs::path> collectFiles(const std::vector<fs::path>& paths) {
    std::vector<fs::path> files;
    for (const auto& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            std::vector<fs::path> found;
            for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, error);
                 it != fs::recursive_directory_iterator(); it.increment(error)) {
                if (error) break;
                if (isHidden(it->path())) {
                    if (it->is_directory(error)) it.disable_recursion_pending();
                    continue;
                }
                if (it->is_regular_file(error)) found.push_back(it->path());
            }
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(path);
        }
    }
    return files;
}

// Written exclusively under the suggested name, numbered when the name is taken.
void writeOutput(const fs::path& folder, const std::string& name, const platform::Bytes& bytes) {
    for (;;) {
        const fs::path target =
            OutputNamer::uniqueURL(folder, name, [](const fs::path& candidate) { return platform::pathExists(candidate); });
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw platform::FileError(target, errno, "cannot create the output");
        }
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n < 0) {
                if (errno == EINTR) continue;
                const int error = errno;
                ::close(fd);
                throw platform::FileError(target, error, "cannot write the output");
            }
            written += static_cast<std::size_t>(n);
        }
        ::close(fd);
        return;
    }
}

// As the window's card names them: its badge, then the sentence its details give.
void printWarnings(const fs::path& file, const std::vector<ConversionWarning>& warnings) {
    for (const ConversionWarning& warning : warnings)
        std::cout << platform::lastPathComponent(file.string()) << ": " << warning.label() << ": " << warning.message()
                  << "\n";
}

std::int64_t peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);

    OutputSpec spec = builtInDefaultSpec();
    if (options.specFile) {
        try {
            const platform::Bytes text = platform::readWholeFile(*options.specFile);
            spec = OutputSpec::fromJsonText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        } catch (const std::exception& error) {
            usage(options.specFile->string() + ": " + error.what());
        }
    }
    if (options.out) {
        std::error_code error;
        fs::create_directories(*options.out, error);
        if (!fs::is_directory(*options.out)) usage(options.out->string() + " is not a folder");
    }

    const auto memory = options.memory ? std::make_shared<PixelMemory>(*options.memory) : PixelMemory::shared();
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard(), memory);
    const std::vector<fs::path> files = collectFiles(options.paths);
    const std::int64_t width = options.jobs.value_or(EncodeConcurrency::width());
    // With a width of its own the bench runs the engine's conversion on its own executor;
    // otherwise on the shared one, as the application does.
    std::optional<EncodeExecutor> ownExecutor;
    if (options.jobs) ownExecutor.emplace(*options.jobs, "bench");

    EncodeExecutor& executor = ownExecutor ? *ownExecutor : EncodeExecutor::shared();
    auto start = [&](const fs::path& file, std::int64_t page) -> std::future<ConversionResult> {
        const EncodeEffort effort = options.estimate ? EncodeEffort::preview : options.effort;
        return executor.encoding([&engine, file, &spec, page, effort] { return engine.convert(file, spec, page, effort); });
    };
    auto startEstimate = [&](const fs::path& file, std::int64_t page) -> std::future<Estimate> {
        return executor.encoding([&engine, file, &spec, page] {
            ConversionResult result = engine.convert(file, spec, page, EncodeEffort::preview);
            return Estimate{result.byteCount(), std::move(result.warnings)};
        });
    };
    // Every page of a file counts in the time: its pages are looked up as the batch does.
    auto pagesOf = [&](const fs::path& file) -> std::int64_t {
        if (!options.everyPage) return 1;
        try {
            return std::max<std::int64_t>(engine.decoders().decoder(file)->properties(file).pageCount, 1);
        } catch (const std::exception&) {
            return 1;
        }
    };

    std::int64_t failed = 0;
    std::int64_t conversions = 0;
    std::int64_t inputBytes = 0;
    std::int64_t outputBytes = 0;
    const auto began = std::chrono::steady_clock::now();

    // At most W conversions are in flight, so finished outputs never pile up in memory. The
    // first to finish frees its place, so that one large file does not hold back the rest.
    struct InFlight {
        fs::path file;
        std::optional<std::future<ConversionResult>> conversion;
        std::optional<std::future<Estimate>> estimate;

        bool isReady(std::chrono::milliseconds wait) const {
            return (estimate ? estimate->wait_for(wait) : conversion->wait_for(wait)) == std::future_status::ready;
        }
    };
    std::list<InFlight> inFlight;
    auto finish = [&](std::list<InFlight>::iterator at) {
        InFlight job = std::move(*at);
        inFlight.erase(at);
        try {
            if (job.estimate) {
                const Estimate estimate = job.estimate->get();
                outputBytes += estimate.bytes;
                printWarnings(job.file, estimate.warnings);
            } else {
                ConversionResult result = job.conversion->get();
                outputBytes += result.byteCount();
                printWarnings(job.file, result.warnings);
                if (!result.diagnostic.empty())
                    std::cout << platform::lastPathComponent(job.file.string()) << ": " << result.diagnostic << "\n";
                if (options.out) writeOutput(*options.out, result.suggestedFileName, *result.data);
            }
        } catch (const ConversionError& error) {
            ++failed;
            std::cout << platform::lastPathComponent(job.file.string()) << ": " << error.what() << " ("
                      << error.diagnostic() << ")\n";
        } catch (const std::exception& error) {
            ++failed;
            std::cout << platform::lastPathComponent(job.file.string()) << ": " << error.what() << "\n";
        }
    };
    auto finishFirstReady = [&] {
        for (;;) {
            for (auto at = inFlight.begin(); at != inFlight.end(); ++at) {
                if (at->isReady(std::chrono::milliseconds(0))) return finish(at);
            }
            inFlight.front().isReady(std::chrono::milliseconds(2));
        }
    };
    for (const auto& file : files) {
        std::error_code error;
        const auto size = fs::file_size(file, error);
        if (!error) inputBytes += static_cast<std::int64_t>(size);
        const std::int64_t pages = pagesOf(file);
        for (std::int64_t page = 1; page <= pages; ++page) {
            if (static_cast<std::int64_t>(inFlight.size()) >= width) finishFirstReady();
            InFlight job{file, std::nullopt, std::nullopt};
            if (options.estimate) job.estimate = startEstimate(file, page);
            else job.conversion = start(file, page);
            inFlight.push_back(std::move(job));
            ++conversions;
        }
    }
    while (!inFlight.empty()) finishFirstReady();

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const auto converted = conversions - failed;
    nlohmann::json summary = {
        {"files", files.size()},
        {"conversions", conversions},
        {"failed", failed},
        {"inputBytes", inputBytes},
        {"outputBytes", outputBytes},
        {"seconds", seconds},
        {"imagesPerSecond", seconds > 0 ? static_cast<double>(converted) / seconds : 0.0},
        {"peakRSSBytes", peakResidentBytes()},
        {"memoryBoundBytes", memory->capacity()},
        {"mostHeldBytes", memory->mostHeldBytes()},
    };
    std::cout << summary.dump() << std::endl;
    return failed == 0 ? 0 : 1;
}
