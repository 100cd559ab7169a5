#pragma once
#include "platform/base/Geometry.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <variant>

struct _cairo;
struct _PopplerDocument;
struct _PopplerPage;

namespace platform {

// One page of a PDFDocument, read through poppler. Its box is the crop box cut to the
// media box, and /Rotate turns it clockwise by quarter turns (poppler draws an angle that is
// not a multiple of 90 as upright).
class PDFPage {
public:
    // The page as shown, in points: its box, sides swapped for a quarter turn.
    Size displayedSize() const;
    // Draws the page into (0, 0, width, height) of the context's user space, stretched on
    // each axis, clipped to its box, with no paper painted behind it.
    void drawStretched(_cairo* context, double width, double height) const;

private:
    friend class PDFDocument;
    struct Release {
        void operator()(_PopplerPage* page) const;
    };
    explicit PDFPage(_PopplerPage* page) : page_(page, Release()) {}
    std::shared_ptr<_PopplerPage> page_;
};

// A PDF file opened through poppler-glib. Nothing is kept between openings, so a file
// replaced on disk is read afresh by the next open.
class PDFDocument {
public:
    // The reader could not make a document of the file (not a PDF, damaged beyond repair).
    struct Unreadable {};
    // Encrypted, and no empty user password opens it.
    struct Locked {};
    // The file is opened as a regular file only, so a pipe or a device with a PDF's name
    // never holds or feeds the reader; a file that cannot be opened throws its FileError.
    static std::variant<PDFDocument, Unreadable, Locked> open(const std::filesystem::path& path);

    int pageCount() const;
    // 1-based; nothing when there is no such page.
    std::optional<PDFPage> page(std::int64_t number) const;

private:
    struct Release {
        void operator()(_PopplerDocument* document) const;
    };
    explicit PDFDocument(_PopplerDocument* document) : document_(document, Release()) {}
    std::shared_ptr<_PopplerDocument> document_;
};

} // namespace platform
