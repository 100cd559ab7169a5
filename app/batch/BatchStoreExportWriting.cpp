#include "app/batch/BatchStoreWork.h"
#include "app/export/ExportWriterError.h"
#include "platform/files/FilePath.h"
#include "platform/files/FileStatus.h"

#include <cerrno>

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

} // namespace

void BatchStore::writeOutcome(const std::shared_ptr<ExportRun>& run, const ExportOutcome& outcome) {
    const std::optional<int> index = indexOf(outcome.id);
    if (index && outcome.kind == Settlement::Kind::failed) {
        setFailed(*index, outcome.reason, outcome.details);
        ++run->failed;
    } else if (index && outcome.kind == Settlement::Kind::succeeded) {
        try {
            const fs::path written = writeConverted(run, outcome);
            if (const std::optional<int> now = indexOf(outcome.id)) {
                withItem(*now, [&](BatchItem& item) {
                    item.state = BatchItem::Exported{written};
                    item.warningsAboutTheAnswer = outcome.result->warnings;
                    if (run->destination.kind() == ExportDestination::Kind::replaceOriginal) {
                        item.originalWasReplaced = true;
                    }
                });
            }
            ++run->saved;
        } catch (const CardLeftTheBatch&) {
        } catch (const FallbackDeclined&) {
            run->stopped = true;
        } catch (const std::exception& error) {
            if (const std::optional<int> now = indexOf(outcome.id)) {
                const std::optional<FailureDetails::Source> source = reportedSource(items_[*now]);
                const QString reason = FailureDetails::description(error);
                const QString details = FailureDetails::report(error, outcome.url, run->spec, source,
                                                               FailureDetails::Environment::current());
                const auto* writerError = dynamic_cast<const ExportWriterError*>(&error);
                // After these the original is in the Trash and the card points at nothing.
                const bool sourceIsGone = writerError && writerError->kind() != ExportWriterError::Kind::trashRefused;
                withItem(*now, [&](BatchItem& item) {
                    item.state = BatchItem::Failed{reason};
                    item.detailsOfTheFailure = details;
                    if (sourceIsGone) item.sourceIsGone = true;
                });
            }
            ++run->failed;
        }
    }
    forgetSnapshot(outcome.id);
}

fs::path BatchStore::writeConverted(const std::shared_ptr<ExportRun>& run, const ExportOutcome& outcome) {
    const ConversionResult& result = *outcome.result;
    static const platform::Bytes nothing;
    const platform::Bytes& data = result.data ? *result.data : nothing;
    const std::string& name = result.suggestedFileName;

    switch (run->destination.kind()) {
    case ExportDestination::Kind::folder:
        return writer_.write(data, run->destination.folderPath(), name);
    case ExportDestination::Kind::replaceOriginal:
        return replaceOriginal(run, outcome);
    case ExportDestination::Kind::besideOriginal:
        break;
    }
    try {
        return writer_.write(data, outcome.url.parent_path(), name);
    } catch (const platform::FileError& error) {
        if (!isWritePermissionDenied(error)) throw;
    }
    if (besideOriginalFallback_) return writer_.write(data, *besideOriginalFallback_, name);
    // The panel may stand open a long time; the card is looked up again afterwards.
    const std::optional<fs::path> chosen = run->fallbackAsker ? run->fallbackAsker() : std::nullopt;
    if (!chosen) throw FallbackDeclined{};
    besideOriginalFallback_ = chosen;
    if (!indexOf(outcome.id)) throw CardLeftTheBatch{};
    return writer_.write(data, *chosen, name);
}

fs::path BatchStore::replaceOriginal(const std::shared_ptr<ExportRun>& run, const ExportOutcome& outcome) {
    const ConversionResult& result = *outcome.result;
    static const platform::Bytes nothing;
    const platform::Bytes& data = result.data ? *result.data : nothing;
    const fs::path folder = outcome.url.parent_path();
    const std::string folderKey = platform::fileKey(folder).string();

    const auto answer = replaceFolderAnswers_.find(folderKey);
    if (answer != replaceFolderAnswers_.end() && !answer->second) throw ReplaceRefusal::folderNotOpened();

    // An original whose version was never recorded is refused, never replaced unchecked.
    const auto recorded = replaceVersions_.constFind(outcome.id);
    const ExportWriting::VersionCheck check = SourceVersion::check(
        recorded == replaceVersions_.cend() ? std::nullopt : std::optional<SourceVersion>(*recorded));
    try {
        return writer_.replaceOriginal(outcome.url, data, result.suggestedFileName, check);
    } catch (const platform::FileError& error) {
        if (!isWritePermissionDenied(error) || !run->accessReplaceFolder) throw;
    }
    if (!replaceFolderAnswers_.count(folderKey)) {
        const std::optional<fs::path> granted = run->accessReplaceFolder(folder);
        if (granted) replaceFolderScopes_.push_back(*granted);
        replaceFolderAnswers_[folderKey] = granted.has_value();
    }
    if (!replaceFolderAnswers_[folderKey]) throw ReplaceRefusal::folderNotOpened();
    if (!indexOf(outcome.id)) throw CardLeftTheBatch{};
    return writer_.replaceOriginal(outcome.url, data, result.suggestedFileName, check);
}

} // namespace pictavo
