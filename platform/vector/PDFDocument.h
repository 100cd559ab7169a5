#pragma once
#include "platform/base/Geometry.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <variant>

struct _cairo;
struct _PopplerDocument;
struct _PopplerPage;

namespace platform {

// Poppler's object model of an open document.
struct PDFObjectModel;

// One page of a PDFDocument. Its boxes and /Rotate are read from the page's own dictionary
// and its ancestors', as the document says them; what a viewer makes of them is the caller's.
class PDFPage {
public:
    // The media box, or US Letter (612 x 792 points) when neither the page nor an ancestor
    // gives four finite numbers. Corners given in any order make the same box.
    Rect mediaBox() const { return mediaBox_; }
    // The crop box read the same way, or the media box when there is none.
    Rect cropBox() const { return cropBox_; }
    // /Rotate in degrees, less whole turns, keeping its sign (-359 to 359); 0 when the page
    // and its ancestors give no finite number. A fraction is dropped.
    int rotationAngle() const { return rotationAngle_; }

    // Draws the part of the page inside `box` (in the page's own space), turned clockwise by
    // `rotation` (a multiple of 90), stretched on each axis onto (0, 0, width, height) of the
    // context's user space, with no paper painted behind it. Nothing outside `box` is drawn.
    void draw(_cairo* context, double width, double height, Rect box, int rotation) const;

private:
    friend class PDFDocument;
    struct Release {
        void operator()(_PopplerPage* page) const;
    };
    // How poppler's renderer sees the page: it places the page's space by its own reading of
    // the boxes and /Rotate, and draws nothing outside its own crop box.
    struct PopplerView {
        std::shared_ptr<_PopplerPage> page;
        std::array<double, 6> placement{};
        Rect cropBox;
    };
    PDFPage(PopplerView view, std::shared_ptr<PDFObjectModel> model, int pageNumber, int objectNumber, int generation,
            Rect mediaBox, Rect cropBox, int rotationAngle)
        : view_(std::move(view)), model_(std::move(model)), pageNumber_(pageNumber), objectNumber_(objectNumber),
          generation_(generation), mediaBox_(mediaBox), cropBox_(cropBox), rotationAngle_(rotationAngle) {}
    // A view that draws all of `box`: this page's own, or one of the page given `box` as its
    // crop box, when poppler's crop box leaves part of `box` out.
    PopplerView viewShowing(Rect box) const;

    PopplerView view_;
    std::shared_ptr<PDFObjectModel> model_;
    int pageNumber_;
    int objectNumber_;
    int generation_;
    Rect mediaBox_;
    Rect cropBox_;
    int rotationAngle_;
};

// A PDF file opened through poppler. Nothing is kept between openings, so a file replaced
// on disk is read afresh by the next open. A document and its pages belong to one thread at a
// time: poppler-glib draws all pages of a document through one drawing state, and drawing a
// page may put a changed page dictionary in the document's cross-reference table for a moment.
// Threads that draw the same file open it each for itself.
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
    PDFDocument(_PopplerDocument* document, std::shared_ptr<PDFObjectModel> model)
        : document_(document, Release()), model_(std::move(model)) {}
    // Poppler's drawing interface, and its object model of the same file, which tells what
    // the page dictionaries say.
    std::shared_ptr<_PopplerDocument> document_;
    std::shared_ptr<PDFObjectModel> model_;
};

} // namespace platform
