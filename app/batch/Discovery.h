#pragma once
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "app/batch/BatchItem.h"
#include "app/batch/FailureDetails.h"

#include <QList>
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace pictavo {

// What one import found: every readable file below the dropped URLs, in the order the file
// manager would list them, and how many URLs or files were skipped because they are not
// local regular files or no decoder reads them.
//
// Thread rule: any thread. Finding reads the file system and the registry it is given, and
// nothing of any store.
struct Discovery {
    struct Found {
        // As dropped or as the folder walk named it; the card keeps it.
        std::filesystem::path url;
        // The file's key: two paths name one card when their keys are equal.
        std::filesystem::path key;
        std::int64_t pageCount = 1;
        std::int64_t frameCount = 1;
        // None when the file's properties could not be read.
        std::optional<FailureDetails::Source> source;
        BatchItem::SourceStamp stamp;
    };
    std::vector<Found> found;
    // Files whose reading would wait for memory, not inspected yet, in the same order.
    std::vector<Found> deferred;
    std::int64_t skipped = 0;

    // Walks the folders and inspects each file without decoding its pixels, holding what
    // reading it takes in `memory` while it is read. A file read that way at once is inspected
    // here; one whose reading would wait (a document that parses into a large tree, a long
    // file) is set aside in `deferred`, so that the others never wait for it. Never waits.
    static Discovery of(const QList<QUrl>& urls, const DecoderRegistry& decoders,
                        const std::shared_ptr<PixelMemory>& memory);
    // The files set aside, each inspected once its reading fits in `memory`, in their order.
    // Throws platform::CancellationError when `stop` is asked to stop while one waits.
    static std::vector<Found> inspected(std::vector<Found> deferred, const DecoderRegistry& decoders,
                                        const std::shared_ptr<PixelMemory>& memory, std::stop_token stop);
    // The local path of a file URL; none for any other URL.
    static std::optional<std::filesystem::path> localPath(const QUrl& url);
    // Each folder replaced by the regular files below it, in the file manager's order.
    static std::vector<std::filesystem::path> expandFolders(const std::vector<std::filesystem::path>& paths);
};

} // namespace pictavo
