#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "app/batch/Converting.h"

#include <cstdint>
#include <filesystem>
#include <future>

namespace pictavo {

// A card dragged out of the window: its source converted with the batch's specification
// into a file of its own in the drags folder, which the next launch clears.
class ExportedImage {
public:
    ExportedImage(std::filesystem::path source, OutputSpec spec, const Converting& engine, std::int64_t page)
        : source_(std::move(source)), spec_(std::move(spec)), engine_(engine), page_(page) {}

    // Starts converting at export effort on the encode executor, then writes the result
    // atomically into drags/<UPPER-UUID>/ under the conversion's file name. The future holds
    // that file, or the conversion's or the write's error. Every call makes a new file.
    std::shared_future<std::filesystem::path> writeDragFile() const;

    // The user's private temporary folder's "drags", never the shared /tmp.
    static std::filesystem::path dragsFolder();
    // Deletes the drags folder with everything in it; a symbolic link in its place is
    // removed, never followed. Failures, its absence included, are ignored.
    static void removeDragsFolder() noexcept;

private:
    std::filesystem::path source_;
    OutputSpec spec_;
    const Converting& engine_;
    std::int64_t page_;
};

} // namespace pictavo
