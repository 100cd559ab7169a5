#include "platform/base/MainThread.h"
#include "app/desktop/BackgroundWork.h"
#include "app/batch/BatchStore.h"
#include "app/batch/NaturalPathOrder.h"
#include "platform/files/FilePath.h"
#include "platform/files/FileStatus.h"
#include "platform/files/FolderWalk.h"

#include <QFile>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// The local path of a file URL; none for any other URL.
std::optional<fs::path> localPath(const QUrl& url) {
    if (!url.isLocalFile()) return std::nullopt;
    const QString path = url.toLocalFile();
    if (path.isEmpty()) return std::nullopt;
    return fs::path(QFile::encodeName(path).toStdString());
}

// A name that does not read back as the same bytes through the application's text could
// not be shown, named or found again faithfully.
bool roundTrips(const fs::path& path) {
    const QByteArray bytes(path.c_str());
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

bool decoderReads(const DecoderRegistry& decoders, const fs::path& path) {
    try {
        decoders.decoder(path);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool BatchStore::accepts(const QList<QUrl>& urls) const {
    platform::assertMainThread();
    for (const QUrl& url : urls) {
        const std::optional<fs::path> path = localPath(url);
        if (!path) continue;
        if (platform::isDirectory(*path)) return true;
        // Only a regular file is ever opened: a pipe named like an image would hang its reader.
        if (!platform::isRegularFile(*path) || !decoderReads(decoders_, *path)) continue;
        if (!known_.contains(platform::fileKey(*path).string())) return true;
    }
    return false;
}

void BatchStore::add(const QList<QUrl>& urls, AddCompletion done) {
    platform::assertMainThread();
    const std::int64_t generation = batchGeneration_;
    const std::int64_t startedAfter = removals_;
    const QUuid importId = QUuid::createUuid();
    importsUnderWay_.insert(importId, startedAfter);
    importCompletions_.insert(importId, std::move(done));

    runInBackground(fileWorkPool(), [this, context = QPointer<QObject>(this), urls, decoders = decoders_, importId,
                                     generation, startedAfter] {
        auto discovery = std::make_shared<Discovery>(discover(urls, decoders));
        postTo(context, [this, discovery, importId, generation, startedAfter] {
            finishImport(importId, *discovery, generation, startedAfter);
        });
    });
}

void BatchStore::finishImport(const QUuid& importId, const Discovery& discovery, std::int64_t generation,
                              std::int64_t startedAfter) {
    AddCompletion done = importCompletions_.take(importId);
    const auto finish = [this, importId](const AddCompletion& completion, AddResult result) {
        importsUnderWay_.remove(importId);
        pruneRemovedAt();
        if (completion) completion(result);
    };
    if (batchGeneration_ != generation) {
        finish(done, {});
    } else if (isExporting_) {
        // The import stays under way (its tombstones still matter) until the run settles it.
        admissionsOwedAfterRun_.push_back(OwedAdmission{
            discovery, generation, startedAfter, [finish, done = std::move(done)](AddResult result) { finish(done, result); }});
    } else {
        finish(done, admit(discovery.found, discovery.skipped, startedAfter));
    }
}

BatchStore::Discovery BatchStore::discover(const QList<QUrl>& urls, const DecoderRegistry& decoders) {
    Discovery discovery;
    std::vector<fs::path> paths;
    for (const QUrl& url : urls) {
        if (std::optional<fs::path> path = localPath(url)) {
            paths.push_back(std::move(*path));
        } else {
            ++discovery.skipped;
        }
    }
    for (const fs::path& path : expandFolders(paths)) {
        if (!roundTrips(path) || !platform::isRegularFile(path)) {
            ++discovery.skipped;
            continue;
        }
        ImageDecoderRef decoder;
        try {
            decoder = decoders.decoder(path);
        } catch (...) {
            ++discovery.skipped;
            continue;
        }
        Discovery::Found found;
        found.url = path;
        found.key = platform::fileKey(path);
        try {
            const ImageProperties properties = decoder->properties(path);
            found.pageCount = properties.pageCount;
            found.frameCount = properties.frameCount;
            found.source = FailureDetails::Source::fromProperties(properties);
        } catch (...) {
            // Admitted all the same: its estimate will tell what is wrong with it.
        }
        found.stamp = readSourceStamp(path);
        discovery.found.push_back(std::move(found));
    }
    return discovery;
}

std::vector<fs::path> BatchStore::expandFolders(const std::vector<fs::path>& paths) {
    std::vector<fs::path> expanded;
    for (const fs::path& path : paths) {
        if (!platform::isDirectory(path)) {
            expanded.push_back(path);
            continue;
        }
        std::vector<fs::path> files = platform::walkRegularFiles(path);
        sortNaturally(files);
        expanded.insert(expanded.end(), files.begin(), files.end());
    }
    return expanded;
}

BatchStore::AddResult BatchStore::admit(const std::vector<Discovery::Found>& found, std::int64_t skipped,
                                        std::int64_t startedAfter) {
    const int first = static_cast<int>(items_.size());
    std::int64_t added = 0;
    for (const Discovery::Found& file : found) {
        const std::string key = file.key.string();
        if (known_.contains(key)) continue;
        const auto tombstone = removedAt_.find(key);
        if (tombstone != removedAt_.end() && tombstone->second > startedAfter) continue;
        known_.insert(key);

        BatchItem item;
        item.id = QUuid::createUuid();
        item.url = file.url;
        item.displayName = QFile::decodeName(file.url.filename().c_str());
        item.stamp = file.stamp;
        item.pageCount = std::max<std::int64_t>(file.pageCount, 1);
        item.header = file.source;
        item.frameCount = std::max<std::int64_t>(file.frameCount, 1);
        items_.push_back(std::move(item));
        ++added;
    }
    if (added > 0) {
        Q_EMIT itemsInserted(first, static_cast<int>(items_.size()) - 1);
        setExportSummary(std::nullopt);
        scheduleEstimates();
    }
    return {added, skipped};
}

void BatchStore::settleAfterRun() {
    setExporting(false);
    if (refreshOwedAfterRun_) {
        refreshOwedAfterRun_ = false;
        scheduleEstimates();
    }
    std::vector<OwedAdmission> owed = std::move(admissionsOwedAfterRun_);
    admissionsOwedAfterRun_.clear();
    for (OwedAdmission& admission : owed) {
        const AddResult result = admission.generation == batchGeneration_
                                     ? admit(admission.discovery.found, admission.discovery.skipped, admission.startedAfter)
                                     : AddResult{};
        admission.done(result);
    }
}

} // namespace pictavo
