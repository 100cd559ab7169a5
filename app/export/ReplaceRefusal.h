#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace pictavo {

// Why an original was left alone by a replacing export, before anything was done to it.
// Its texts name no file, so a failure report keeps it as it is.
class ReplaceRefusal : public std::exception {
public:
    enum class Kind {
        wouldLosePages,
        wouldLoseImages,
        folderNotOpened,
        sourceUnreadable,
        workingCopyFailed,
        sourceChanged,
        symbolicLink
    };

    // Only page `kept` of `of` pages would be written.
    static ReplaceRefusal wouldLosePages(std::int64_t kept, std::int64_t of) { return {Kind::wouldLosePages, kept, of}; }
    // The file holds `count` frames or renditions and one would be written.
    static ReplaceRefusal wouldLoseImages(std::int64_t count) { return {Kind::wouldLoseImages, count, 0}; }
    static ReplaceRefusal folderNotOpened() { return {Kind::folderNotOpened, 0, 0}; }
    static ReplaceRefusal sourceUnreadable() { return {Kind::sourceUnreadable, 0, 0}; }
    static ReplaceRefusal workingCopyFailed() { return {Kind::workingCopyFailed, 0, 0}; }
    static ReplaceRefusal sourceChanged() { return {Kind::sourceChanged, 0, 0}; }
    // The card's file is a symbolic link: moving it to the Trash would leave a link that
    // points nowhere and the file it names unchanged.
    static ReplaceRefusal symbolicLink() { return {Kind::symbolicLink, 0, 0}; }

    Kind kind() const { return kind_; }
    // The kept page, or the image count.
    std::int64_t first() const { return first_; }
    // The page count.
    std::int64_t second() const { return second_; }

    // The sentence shown on the card.
    std::string description() const;
    // "replaceRefused(pages 3 of 3)" and the like, for failure reports.
    std::string diagnostic() const;
    const char* what() const noexcept override { return description_.c_str(); }

    friend bool operator==(const ReplaceRefusal& a, const ReplaceRefusal& b) {
        return a.kind_ == b.kind_ && a.first_ == b.first_ && a.second_ == b.second_;
    }

private:
    ReplaceRefusal(Kind kind, std::int64_t first, std::int64_t second)
        : kind_(kind), first_(first), second_(second), description_(description()) {}

    Kind kind_;
    std::int64_t first_;
    std::int64_t second_;
    std::string description_;
};

} // namespace pictavo
