// Exports files through a batch store as a main window does: admitted as cards, then
// exported into a folder at most W at a time, each result written through the export writer
// on the main thread. Run on the same files as pictavo-bench, the difference in time and
// memory is what the store adds to the engine. With --estimate the store instead makes its
// estimates of every card as a window shows them, and nothing is written.
//
//   pictavo-batch-bench [--spec FILE.json] [--jobs N] (--out DIR | --estimate) PATH...
//
// The last line is one JSON object, with the keys of pictavo-bench and the admission's time;
// an estimate's outputBytes is the estimated total.
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/SourceOptimiserRegistry.h"
#include "app/batch/BatchStore.h"
#include "app/batch/EngineConverting.h"
#include "app/settings/SettingsStore.h"
#include "app/export/SystemExportWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <nlohmann/json.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <iostream>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

[[noreturn]] void usage(const std::string& problem) {
    std::cerr << "pictavo-batch-bench: " << problem << "\n"
              << "usage: pictavo-batch-bench [--spec FILE.json] [--jobs N] (--out DIR | --estimate) PATH...\n";
    std::exit(2);
}

std::int64_t peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

double secondsSince(std::chrono::steady_clock::time_point began) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    OutputSpec spec = SettingsStore::builtInDefaultSpec();
    std::int64_t width = EncodeConcurrency::width();
    std::optional<fs::path> out;
    bool estimate = false;
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--spec") {
            const std::string file = value();
            try {
                const platform::Bytes text = platform::readWholeFile(file);
                spec = OutputSpec::fromJsonText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
            } catch (const std::exception& error) {
                usage(file + ": " + error.what());
            }
        } else if (argument == "--jobs") {
            try {
                width = std::stoll(value());
            } catch (...) {
                usage("--jobs needs a number");
            }
            if (width < 1) usage("--jobs needs a number of at least 1");
        } else if (argument == "--out") {
            out = value();
        } else if (argument == "--estimate") {
            estimate = true;
        } else if (argument.starts_with("--")) {
            usage("unknown option " + argument);
        } else {
            urls.push_back(QUrl::fromLocalFile(QFile::decodeName(fs::absolute(argument).c_str())));
        }
    }
    if (urls.isEmpty()) usage("no files given");
    if (!out && !estimate) usage("--out or --estimate is needed");
    if (out) {
        std::error_code error;
        fs::create_directories(*out, error);
        if (!fs::is_directory(*out)) usage(out->string() + " is not a folder");
    }

    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    const EngineConverting converting(engine);
    SystemExportWriter writer;
    // Estimates start as soon as cards arrive when they are measured; otherwise none starts
    // before the export, so that only the export is measured.
    const auto debounce = estimate ? std::chrono::milliseconds(0) : std::chrono::milliseconds(std::chrono::hours(1));
    BatchStore store(converting, writer, DecoderRegistry::standard(), debounce, readSourceStamp, width);
    store.setSpec(spec);

    if (estimate) {
        const auto began = std::chrono::steady_clock::now();
        bool admitted = false;
        const auto finishWhenEstimated = [&] {
            const bool settled = std::all_of(store.items().begin(), store.items().end(), [](const BatchItem& item) {
                return std::holds_alternative<BatchItem::Estimated>(item.state) ||
                       std::holds_alternative<BatchItem::Failed>(item.state);
            });
            if (admitted && settled) QCoreApplication::exit(0);
        };
        QObject::connect(&store, &BatchStore::itemChanged, finishWhenEstimated);
        store.add(urls, [&](BatchStore::AddResult) {
            admitted = true;
            finishWhenEstimated();
        });
        QCoreApplication::exec();
        std::int64_t inputBytes = 0;
        std::int64_t failed = 0;
        for (const BatchItem& item : store.items()) {
            inputBytes += item.stamp.byteCount;
            if (const auto* failure = std::get_if<BatchItem::Failed>(&item.state)) {
                ++failed;
                std::cout << item.displayName.toStdString() << ": " << failure->reason.toStdString() << "\n";
            }
        }
        const double seconds = secondsSince(began);
        const nlohmann::json report = {
            {"files", store.items().size()},
            {"failed", failed},
            {"inputBytes", inputBytes},
            {"outputBytes", store.estimatedBytes().value_or(0)},
            {"seconds", seconds},
            {"imagesPerSecond", seconds > 0 ? static_cast<double>(store.items().size()) / seconds : 0.0},
            {"peakRSSBytes", peakResidentBytes()},
        };
        std::cout << report.dump() << std::endl;
        return failed == 0 ? 0 : 1;
    }

    const auto admissionBegan = std::chrono::steady_clock::now();
    store.add(urls, [](BatchStore::AddResult) { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    const double admissionSeconds = secondsSince(admissionBegan);

    std::int64_t inputBytes = 0;
    for (const BatchItem& item : store.items()) inputBytes += item.stamp.byteCount;
    QObject::connect(&store, &BatchStore::isExportingChanged, [](bool exporting) {
        if (!exporting) QCoreApplication::exit(0);
    });
    const auto exportBegan = std::chrono::steady_clock::now();
    store.exportBatch(converting, DestinationResolution::resolved(ExportDestination::folder(*out)), nullptr);
    if (store.isExporting()) QCoreApplication::exec();
    const double seconds = secondsSince(exportBegan);

    std::int64_t outputBytes = 0;
    std::error_code error;
    for (const BatchItem& item : store.items()) {
        if (const auto* failed = std::get_if<BatchItem::Failed>(&item.state)) {
            std::cout << item.displayName.toStdString() << ": " << failed->reason.toStdString() << "\n";
        } else if (const auto* exported = std::get_if<BatchItem::Exported>(&item.state)) {
            outputBytes += static_cast<std::int64_t>(fs::file_size(exported->url, error));
        }
    }
    const BatchStore::ExportSummary summary = store.exportSummary().value_or(BatchStore::ExportSummary{});
    const nlohmann::json report = {
        {"files", store.items().size()},
        {"failed", summary.failed},
        {"inputBytes", inputBytes},
        {"outputBytes", outputBytes},
        {"admissionSeconds", admissionSeconds},
        {"seconds", seconds},
        {"imagesPerSecond", seconds > 0 ? static_cast<double>(summary.saved) / seconds : 0.0},
        {"peakRSSBytes", peakResidentBytes()},
    };
    std::cout << report.dump() << std::endl;
    return summary.failed == 0 ? 0 : 1;
}
