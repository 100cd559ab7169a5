#include "app/batch/ExportRun.h"

#include "platform/base/MainThread.h"

namespace pictavo {

namespace fs = std::filesystem;

ExportRun::ExportRun(Owner& owner, QObject* context, Setup setup, std::vector<ExportJob> jobs)
    : owner_(owner), context_(context), setup_(std::move(setup)), jobs_(std::move(jobs)),
      window_(setup_.engine, setup_.width, context) {}

void ExportRun::start() {
    platform::assertMainThread();
    if (replacing()) beginReplacing();
    advance();
}

std::optional<FolderRequest> ExportRun::folderRequest() const {
    const auto* waiting = std::get_if<WaitingForFolder>(&state_);
    if (!waiting || waiting->answer) return std::nullopt;
    return waiting->request;
}

void ExportRun::answerFolderRequest(const QUuid& id, std::optional<fs::path> folder) {
    platform::assertMainThread();
    auto* waiting = std::get_if<WaitingForFolder>(&state_);
    if (!waiting || waiting->answer || waiting->request.id != id) return;
    waiting->answer = std::move(folder);
    owner_.exportFolderRequestChanged();
    advance();
}

void ExportRun::abandon() {
    if (replacementDone_.valid()) replacementDone_.wait();
    state_ = Finished{};
    window_.cancel();
    arrived_.clear();
    endReplaceRun();
    setup_.destinationScope.reset();
}

void ExportRun::advance() {
    // Card changes and requests reach the store's observers, who may call back into the run
    // (a test answers a request at once, say): the loop already running picks that up.
    if (advancing_) return;
    advancing_ = true;
    while (step()) {
    }
    advancing_ = false;
}

// One move of the run; false when it has to wait for something to come back. Each move
// leaves the state the one that follows unless what it did says otherwise (a write may
// wait for a folder or stop the run).
bool ExportRun::step() {
    if (preparing_) return false;
    if (auto* filling = std::get_if<Filling>(&state_)) {
        if (filling->calls >= setup_.width) {
            state_ = Running{};
            return true;
        }
        ++filling->calls;
        filled(startNextExport());
        return true;
    }
    if (std::holds_alternative<Running>(state_)) {
        if (!arrived_.empty()) {
            state_ = Refilling{std::move(arrived_.front())};
            arrived_.pop_front();
            return true;
        }
        if (window_.inFlight() == 0) finish();
        return false;
    }
    if (auto* refilling = std::get_if<Refilling>(&state_)) {
        if (!refilling->refilled) {
            refilling->refilled = true;
            startNextExport();
            return true;
        }
        const ExportOutcome outcome = std::move(refilling->outcome);
        state_ = Running{};
        writeOutcome(outcome);
        return true;
    }
    if (auto* waiting = std::get_if<WaitingForFolder>(&state_)) {
        if (!waiting->answer) return false;
        const WaitingForFolder answered = std::move(*waiting);
        state_ = Running{};
        settleWrite(answered.outcome,
                    [&] { return Attempt(writeWithAnswer(answered.outcome, answered.need, *answered.answer)); });
        return true;
    }
    if (std::holds_alternative<Replacing>(state_)) return false;
    if (std::holds_alternative<Stopping>(state_) && window_.inFlight() == 0) finish();
    return false;
}

void ExportRun::filled(Start start) {
    if (start == Start::noJobLeft && std::holds_alternative<Filling>(state_)) state_ = Running{};
}

void ExportRun::stop() {
    state_ = Stopping{};
    window_.cancel();
    arrived_.clear();
}

void ExportRun::finish() {
    const bool stopped = std::holds_alternative<Stopping>(state_);
    state_ = Finished{};
    endReplaceRun();
    setup_.destinationScope.reset();
    std::optional<ExportSummary> summary;
    if (!stopped) {
        const ExportDestination& destination = setup_.destination;
        const bool toFolder = destination.kind() == ExportDestination::Kind::folder;
        summary = ExportSummary{saved_, failed_, toFolder ? std::optional(destination.folderPath()) : std::nullopt,
                                besideOriginalFallback_, savedIntoFallback_};
    }
    owner_.exportRunEnded(setup_.spec, std::move(summary));
}

ExportRun::Start ExportRun::startNextExport() {
    while (next_ < jobs_.size()) {
        const ExportJob& job = jobs_[next_++];
        if (!replacing()) {
            // A card that has left the batch still converts; its outcome is dropped.
            if (const std::optional<int> index = owner_.indexOf(job.id)) markExporting(*index);
            startExportChild(job, job.url);
            return Start::childAdded;
        }
        if (!runFolder_.empty()) {
            makeSnapshot(job);
            return Start::waitingForSnapshot;
        }
        Prepared refused;
        refused.refusal = ReplaceRefusal::workingCopyFailed();
        if (takePrepared(job, refused)) return Start::childAdded;
    }
    return Start::noJobLeft;
}

void ExportRun::markExporting(int index) {
    owner_.withItem(index, [](BatchItem& item) { item.state = BatchItem::Exporting{}; });
}

void ExportRun::startExportChild(const ExportJob& job, const fs::path& source) {
    window_.start(
        source, setup_.spec, job.page, EncodeEffort::final,
        [id = job.id, url = job.url, reported = job.source, spec = setup_.spec,
         memory = setup_.engine.pixelMemory()](JobOutcome<ConversionResult>& done) {
            ExportOutcome outcome;
            outcome.id = id;
            outcome.url = url;
            outcome.result = outcome.take(done, url, spec, reported);
            // The output waits for the main thread to write it, after its conversion gave back
            // what it held: it is held from here, at once, as its bytes are already there.
            if (outcome.result && outcome.result->data)
                outcome.held = PixelMemory::holdAtOnce(memory, outcome.result->data->size());
            return outcome;
        },
        [run = weak_from_this()](ExportOutcome outcome) {
            if (const auto live = run.lock()) live->conversionFinished(std::move(outcome));
        });
}

void ExportRun::conversionFinished(ExportOutcome outcome) {
    // After a stop, what the cancelled conversions bring is discarded; the run only waits for them.
    if (!window_.cancelled()) arrived_.push_back(std::move(outcome));
    advance();
}

} // namespace pictavo
