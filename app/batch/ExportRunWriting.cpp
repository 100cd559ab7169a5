#include "app/batch/ExportRun.h"

#include "app/desktop/BackgroundWork.h"
#include "app/export/ExportWriterError.h"
#include "platform/files/FileStatus.h"

#include <QPointer>

#include <cerrno>
#include <future>
#include <memory>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// The user declined to choose a folder for files that could not go beside their originals.
struct FallbackDeclined {};
// After a prompt, the outcome's card was no longer in the batch.
struct CardLeftTheBatch {};

bool isWritePermissionDenied(const platform::FileError& error) {
    // A read-only disk (EROFS) is an ordinary failure: no other folder is asked for.
    return error.errorNumber() == EACCES || error.errorNumber() == EPERM;
}

const platform::Bytes& dataOf(const ConversionResult& result) {
    static const platform::Bytes nothing;
    return result.data ? *result.data : nothing;
}

std::string folderKey(const fs::path& folder) { return platform::fileKey(folder).string(); }

} // namespace

void ExportRun::writeOutcome(const ExportOutcome& outcome) {
    const std::optional<int> index = owner_.indexOf(outcome.id);
    if (index && outcome.kind == Settlement::Kind::succeeded) {
        settleWrite(outcome, [&] { return writeConverted(outcome); });
        return;
    }
    if (index && outcome.kind == Settlement::Kind::failed) {
        owner_.withItem(*index, [&](BatchItem& item) {
            item.state = BatchItem::Failed{outcome.reason};
            item.detailsOfTheFailure = outcome.details;
        });
        ++failed_;
    }
    forgetSnapshot(outcome.id);
}

// Records what the write came to on the card and in the counts, or, when it needs a folder
// from the user, leaves the run waiting for one.
void ExportRun::settleWrite(const ExportOutcome& outcome, const std::function<Attempt()>& attempt) {
    try {
        const Attempt attempted = attempt();
        if (const auto* need = std::get_if<FolderNeed>(&attempted)) {
            askForFolder(outcome, *need);
            return;
        }
        if (std::holds_alternative<WritingInBackground>(attempted)) return;
        applyExportSuccess(outcome, std::get<fs::path>(attempted));
    } catch (const CardLeftTheBatch&) {
    } catch (const FallbackDeclined&) {
        stop();
    } catch (const std::exception& error) {
        applyExportFailure(outcome, error);
    }
    forgetSnapshot(outcome.id);
}

ExportRun::Attempt ExportRun::writeConverted(const ExportOutcome& outcome) {
    const ConversionResult& result = *outcome.result;
    const std::string& name = result.suggestedFileName;
    switch (setup_.destination.kind()) {
    case ExportDestination::Kind::folder:
        return setup_.writer.write(dataOf(result), setup_.destination.folderPath(), name);
    case ExportDestination::Kind::replaceOriginal:
        return replaceOriginal(outcome, false);
    case ExportDestination::Kind::besideOriginal:
        break;
    }
    const fs::path folder = outcome.url.parent_path();
    try {
        return setup_.writer.write(dataOf(result), folder, name);
    } catch (const platform::FileError& error) {
        if (!isWritePermissionDenied(error)) throw;
    }
    if (besideOriginalFallback_) return setup_.writer.write(dataOf(result), *besideOriginalFallback_, name);
    return FolderNeed{PanelPurpose::fallbackFolder, folder};
}

// Starts the writer on the replacing pool, the run resting until it comes back; the second
// try is the last, once the folder's access has been answered.
ExportRun::Attempt ExportRun::replaceOriginal(const ExportOutcome& outcome, bool lastTry) {
    const auto answer = replaceFolderAnswers_.find(folderKey(outcome.url.parent_path()));
    if (answer != replaceFolderAnswers_.end() && !answer->second) throw ReplaceRefusal::folderNotOpened();

    state_ = Replacing{};
    auto done = std::make_shared<std::promise<void>>();
    replacementDone_ = done->get_future().share();
    // The writer outlives the write: abandon waits for it.
    runInBackground(replacingWorkPool(), [writer = &setup_.writer, check = verifySourceVersion(outcome.id), outcome,
                                          lastTry, done, context = QPointer<QObject>(context_),
                                          run = weak_from_this()] {
        Replaced replaced;
        try {
            const ConversionResult& result = *outcome.result;
            replaced = writer->replaceOriginal(outcome.url, dataOf(result), result.suggestedFileName, check);
        } catch (...) {
            replaced = std::current_exception();
        }
        postTo(context, [run, outcome, replaced, lastTry] {
            if (const auto live = run.lock()) live->replacementCameBack(outcome, replaced, lastTry);
        });
        done->set_value();
    });
    return WritingInBackground{};
}

void ExportRun::replacementCameBack(const ExportOutcome& outcome, const Replaced& replaced, bool lastTry) {
    if (!std::holds_alternative<Replacing>(state_)) return;
    state_ = Running{};
    settleWrite(outcome, [&] { return afterReplacing(outcome, replaced, lastTry); });
    advance();
}

ExportRun::Attempt ExportRun::afterReplacing(const ExportOutcome& outcome, const Replaced& replaced, bool lastTry) {
    if (const auto* written = std::get_if<fs::path>(&replaced)) return *written;
    try {
        std::rethrow_exception(std::get<std::exception_ptr>(replaced));
    } catch (const platform::FileError& error) {
        if (lastTry || !isWritePermissionDenied(error) || !setup_.replaceFolderAccess) throw;
    }
    const fs::path folder = outcome.url.parent_path();
    if (!replaceFolderAnswers_.contains(folderKey(folder))) {
        SharedSecurityScope kept = setup_.replaceFolderAccess->openKeptReplaceFolder(folder);
        if (!kept) return FolderNeed{PanelPurpose::replacePermission, folder};
        replaceFolderScopes_.push_back(std::move(kept));
        replaceFolderAnswers_[folderKey(folder)] = true;
    }
    return replaceAgain(outcome, folder);
}

// The second and last try, once the folder's access has been answered.
ExportRun::Attempt ExportRun::replaceAgain(const ExportOutcome& outcome, const fs::path& folder) {
    if (!replaceFolderAnswers_[folderKey(folder)]) throw ReplaceRefusal::folderNotOpened();
    if (!owner_.indexOf(outcome.id)) throw CardLeftTheBatch{};
    return replaceOriginal(outcome, true);
}

// The panel may have stood open a long time: the card is looked up again.
ExportRun::Attempt ExportRun::writeWithAnswer(const ExportOutcome& outcome, const FolderNeed& need,
                                              const std::optional<fs::path>& answer) {
    if (need.purpose == PanelPurpose::replacePermission) {
        SharedSecurityScope granted =
            answer ? setup_.replaceFolderAccess->grantReplaceFolder(need.folder, *answer) : nullptr;
        replaceFolderAnswers_[folderKey(need.folder)] = granted != nullptr;
        if (granted) replaceFolderScopes_.push_back(std::move(granted));
        return replaceAgain(outcome, need.folder);
    }
    if (!answer) throw FallbackDeclined{};
    besideOriginalFallback_ = answer;
    if (!owner_.indexOf(outcome.id)) throw CardLeftTheBatch{};
    const ConversionResult& result = *outcome.result;
    return setup_.writer.write(dataOf(result), *answer, result.suggestedFileName);
}

void ExportRun::askForFolder(const ExportOutcome& outcome, const FolderNeed& need) {
    FolderRequest request{QUuid::createUuid(), need.purpose, std::nullopt};
    if (need.purpose == PanelPurpose::replacePermission) request.startFolder = need.folder;
    state_ = WaitingForFolder{outcome, need, std::move(request), std::nullopt};
    owner_.exportFolderRequestChanged();
}

void ExportRun::applyExportSuccess(const ExportOutcome& outcome, const fs::path& written) {
    if (const std::optional<int> index = owner_.indexOf(outcome.id)) {
        owner_.withItem(*index, [&](BatchItem& item) {
            item.state = BatchItem::Exported{written, readSourceStamp(written)};
            item.warningsAboutTheAnswer = outcome.result->warnings;
            if (replacing()) item.originalWasReplaced = true;
        });
    }
    ++saved_;
    if (besideOriginalFallback_ && written.parent_path() == *besideOriginalFallback_) ++savedIntoFallback_;
}

void ExportRun::applyExportFailure(const ExportOutcome& outcome, const std::exception& error) {
    if (const std::optional<int> index = owner_.indexOf(outcome.id)) {
        const std::optional<FailureDetails::Source> source =
            reportedSource(owner_.items()[*index], setup_.spec, setup_.engine);
        const QString reason = FailureDetails::description(error);
        const QString details =
            FailureDetails::report(error, outcome.url, setup_.spec, source, FailureDetails::Environment::current());
        const auto* writerError = dynamic_cast<const ExportWriterError*>(&error);
        // After these the original is in the Trash and the card points at nothing.
        const bool sourceIsGone = writerError && writerError->kind() != ExportWriterError::Kind::trashRefused;
        owner_.withItem(*index, [&](BatchItem& item) {
            item.state = BatchItem::Failed{reason};
            item.detailsOfTheFailure = details;
            if (sourceIsGone) item.sourceIsGone = true;
        });
    }
    ++failed_;
}

// An original whose version was never recorded is refused, never replaced unchecked.
ExportWriting::VersionCheck ExportRun::verifySourceVersion(const QUuid& id) const {
    const auto recorded = replaceVersions_.constFind(id);
    return SourceVersion::check(recorded == replaceVersions_.cend() ? std::nullopt
                                                                    : std::optional<SourceVersion>(*recorded));
}

} // namespace pictavo
