#include "app/export/ReplacementJournal.h"

#include "app/export/SystemExportWriter.h"

namespace pictavo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view journalSuffix = ".replacing";

} // namespace

fs::path ReplacementJournal::pathFor(const fs::path& working) {
    return working.parent_path() / (working.filename().string() + std::string(journalSuffix));
}

bool ReplacementJournal::isJournalName(std::string_view name) {
    return name.ends_with(journalSuffix) &&
           SystemExportWriter::isWorkingFileName(name.substr(0, name.size() - journalSuffix.size()));
}

fs::path ReplacementJournal::workingFileOf(const fs::path& journal) {
    const std::string name = journal.filename().string();
    return journal.parent_path() / name.substr(0, name.size() - journalSuffix.size());
}

ReplacementJournal::ReplacementJournal(const fs::path& working, const platform::ReplacementRecord& record,
                                       platform::FileOperations& files)
    : path_(pathFor(working)), files_(files), lock_(platform::writeHeldReplacementRecord(path_, record)) {
    // The working file's name and the record's reach the disk together.
    files_.syncFolder(path_.parent_path());
}

platform::ClaimNotice ReplacementJournal::claimNotice(platform::ClaimPlace place) {
    return [this, place](const fs::path& claimed) {
        platform::noteReplacementClaim(lock_, path_, place, claimed.filename().string());
    };
}

ReplacementJournal::~ReplacementJournal() {
    files_.removeFile(path_);
    files_.syncFolder(path_.parent_path());
}

} // namespace pictavo
