#pragma once
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "app/batch/BatchItem.h"
#include "app/batch/Discovery.h"

#include <QList>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_set>
#include <vector>

class QObject;

namespace pictavo {

// One import of dropped or opened URLs: its files are found off the main thread, then
// admitted as new cards at the end of the batch. A file already in the batch is not added
// twice, a file removed from the batch after the import began is not added back, and an
// import overtaken by the clearing of the batch adds nothing more and ends with (0, 0).
// Findings are admitted a slice at a time, one slice a turn of the event loop, so that the
// window draws between slices however many files a drop brings; each slice is judged
// against the batch as it is then. Findings that come back, or a slice that is due, while
// an export runs are owed and admitted once the run has ended.
//
// Files whose reading waits for memory (a large SVG's parse, a long file) are read after the
// others, whose cards come first, and their cards follow.
//
// Thread rule: made, driven and ended on the main thread only. Discovery runs on the
// file-work pool and comes back through the event loop in at most two calls; it holds the
// import weakly, so an import its owner has let go of hears nothing more and keeps nothing
// alive.
class Import : public std::enable_shared_from_this<Import> {
public:
    // Cards added, and files skipped because they are not files or no decoder reads them.
    // Duplicates and removed files count in neither; files that were in the batch before the
    // import found them count apart, so that the user can be told why they added nothing.
    struct Result {
        std::int64_t added = 0;
        std::int64_t skipped = 0;
        std::int64_t alreadyInBatch = 0;
        friend bool operator==(const Result&, const Result&) = default;
    };
    // Called exactly once, on the main thread.
    using Completion = std::function<void(Result)>;

    // How many found files one turn of the event loop admits at most.
    static constexpr std::size_t filesPerSlice = 100;

    // A new card and its file's key.
    struct Admitted {
        std::string key;
        BatchItem item;
    };

    // What an import needs of the batch it adds to.
    class Owner {
    public:
        // Whether a card of the batch has this file key.
        virtual bool knows(const std::string& key) const = 0;
        virtual bool isExporting() const = 0;
        // Appends the cards, in their order, at the end of the batch; no key is known yet.
        virtual void importAdmits(std::vector<Admitted> cards) = 0;
        // Findings are due during an export run; admitOwed follows its end.
        virtual void importOwed(const std::shared_ptr<Import>& import) = 0;
        // The import is over; its completion is called next.
        virtual void importEnded(const Import& import) = 0;

    protected:
        ~Owner() = default;
    };

    // `context` is the owner as a QObject: discovery comes back only while it lives.
    // `memory` is the one the conversions are held in: discovery holds each file there while it reads it.
    Import(Owner& owner, QObject* context, QList<QUrl> urls, DecoderRegistry decoders,
           std::shared_ptr<PixelMemory> memory, Completion done);

    // Starts the discovery; a discovery waiting for memory stops when the import is overtaken or abandoned.
    void start();

    // Cards of these keys left the batch: this import does not add them back.
    void forget(const std::unordered_set<std::string>& keys);
    // The batch was cleared: whatever this import finds is dropped.
    void overtake();
    // The export run has ended: owed findings are admitted, unless the import was overtaken.
    // The first slice is admitted before this returns.
    void admitOwed();
    // The owner is going: the completion hears (0, 0) now, if it has not been called, and
    // the owner hears nothing more.
    void abandon();

    // The keys of cards removed since the import began, kept while it can still add them.
    const std::unordered_set<std::string>& tombstones() const { return tombstones_; }
    bool isOvertaken() const { return overtaken_; }

private:
    // A part of what discovery found; the last one ends it.
    void discovered(Discovery part, bool last);
    // Admits the next slice of the findings, or owes the rest, or ends the import.
    void admitNextSlice();
    void end(Result result);

    Owner& owner_;
    QObject* context_;
    const QList<QUrl> urls_;
    const DecoderRegistry decoders_;
    const std::shared_ptr<PixelMemory> memory_;
    std::stop_source stop_;
    // Taken when the import ends.
    Completion done_;
    bool ended_ = false;
    bool overtaken_ = false;
    std::unordered_set<std::string> tombstones_;
    // What discovery found, as its parts come back, and how far admission has come through it.
    std::optional<Discovery> findings_;
    // Files set aside by discovery are still being read.
    bool discovering_ = true;
    std::size_t next_ = 0;
    std::int64_t added_ = 0;
    std::int64_t alreadyInBatch_ = 0;
    // Keys admitted by this import: the same file found twice is one card.
    std::unordered_set<std::string> taken_;
    // The findings wait for the export run's end.
    bool owed_ = false;
};

} // namespace pictavo
