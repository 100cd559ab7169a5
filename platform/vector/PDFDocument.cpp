#include "platform/vector/PDFDocument.h"

#include "platform/files/RegularFile.h"

// Poppler's Object.h has to come before its Array.h.
#include <PDFDoc.h>

#include <Array.h>
#include <ErrorCodes.h>
#include <GfxState.h>
#include <Page.h>
#include <Stream.h>
#include <XRef.h>
#include <cairo.h>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>
#include <fcntl.h>
#include <goo/gfile.h>
#include <mutex>
#include <poppler.h>

namespace platform {

struct PDFObjectModel {
    // Poppler's file stream reads through the file without owning it, so the file outlives
    // the document.
    std::unique_ptr<GooFile> file;
    std::unique_ptr<PDFDoc> document;
};

namespace {

// Deeper than any page tree a writer makes, and it ends a /Parent chain that loops.
constexpr int deepestPageTree = 64;

constexpr Rect usLetter{{0, 0}, {612, 792}};

std::optional<Rect> boxOf(const Object& value) {
    if (!value.isArray() || value.arrayGetLength() != 4) return std::nullopt;
    std::array<double, 4> corners{};
    for (int i = 0; i < 4; ++i) {
        const Object number = value.arrayGet(i);
        if (!number.isNum()) return std::nullopt;
        corners[i] = number.getNum();
        if (!std::isfinite(corners[i])) return std::nullopt;
    }
    const double left = std::min(corners[0], corners[2]);
    const double bottom = std::min(corners[1], corners[3]);
    const Size size{std::max(corners[0], corners[2]) - left, std::max(corners[1], corners[3]) - bottom};
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return std::nullopt;
    return Rect{{left, bottom}, size};
}

std::optional<int> angleOf(const Object& value) {
    if (value.isInt()) return value.getInt() % 360;
    if (value.isInt64()) return static_cast<int>(value.getInt64() % 360);
    if (value.isReal() && std::isfinite(value.getReal()))
        return static_cast<int>(std::fmod(std::trunc(value.getReal()), 360.0));
    return std::nullopt;
}

// The page's own entries win; an entry it lacks, or holds in a form that is no box or no
// angle, comes from the nearest ancestor along /Parent that has one.
struct InheritedAttributes {
    std::optional<Rect> mediaBox;
    std::optional<Rect> cropBox;
    std::optional<int> rotationAngle;
};

InheritedAttributes inheritedAttributes(XRef* xref, Ref page) {
    InheritedAttributes found;
    Object node = xref->fetch(page);
    for (int depth = 0; depth < deepestPageTree && node.isDict(); ++depth) {
        const Dict* dictionary = node.getDict();
        if (!found.mediaBox) found.mediaBox = boxOf(dictionary->lookup("MediaBox"));
        if (!found.cropBox) found.cropBox = boxOf(dictionary->lookup("CropBox"));
        if (!found.rotationAngle) found.rotationAngle = angleOf(dictionary->lookup("Rotate"));
        Object parent = dictionary->lookup("Parent");
        node = std::move(parent);
    }
    return found;
}

Rect cropBoxOf(const Page& page) {
    const PDFRectangle* box = page.getCropBox();
    return {{box->x1, box->y1}, {box->x2 - box->x1, box->y2 - box->y1}};
}

bool contains(Rect outer, Rect inner) {
    return outer.origin.x <= inner.origin.x && outer.origin.y <= inner.origin.y &&
           inner.origin.x + inner.size.width <= outer.origin.x + outer.size.width &&
           inner.origin.y + inner.size.height <= outer.origin.y + outer.size.height;
}

Object boxObject(XRef* xref, Rect box) {
    auto* corners = new Array(xref);
    for (double value : {box.origin.x, box.origin.y, box.origin.x + box.size.width, box.origin.y + box.size.height})
        corners->add(Object(value));
    return Object(corners);
}

class MemoryOutStream final : public OutStream {
public:
    void close() override {}
    Goffset getPos() override { return static_cast<Goffset>(bytes.size()); }
    void put(char c) override { bytes.push_back(c); }
    void printf(const char* format, ...) override {
        std::va_list arguments;
        va_start(arguments, format);
        std::va_list counting;
        va_copy(counting, arguments);
        const int length = std::vsnprintf(nullptr, 0, format, counting);
        va_end(counting);
        if (length > 0) {
            const std::size_t start = bytes.size();
            bytes.resize(start + static_cast<std::size_t>(length) + 1);
            std::vsnprintf(bytes.data() + start, static_cast<std::size_t>(length) + 1, format, arguments);
            bytes.pop_back();
        }
        va_end(arguments);
    }
    std::vector<char> bytes;
};

// Poppler's crop box of the page, and where its renderer puts the page's space: 72 dots to
// the inch, y downwards, the page's own turn, as poppler_page_render places it.
void readPopplerView(Page& page, std::array<double, 6>& placement, Rect& cropBox) {
    page.getDefaultCTM(placement.data(), 72, 72, 0, false, true);
    cropBox = cropBoxOf(page);
}

// Poppler makes the sRGB and XYZ profiles that all its graphics states share when the first
// state of the process is built, and it takes no lock for that: two threads building their
// first states at once (reading two pages' placements, say) each store a profile in the same
// shared pointer, and one frees what the other still holds. One state built here, once, before
// any document is opened, makes them for good.
void makePopplersSharedProfiles() {
    static std::once_flag once;
    std::call_once(once, [] {
        const PDFRectangle box(0, 0, 1, 1);
        const GfxState first(72, 72, &box, 0, true);
    });
}

} // namespace

void PDFPage::Release::operator()(_PopplerPage* page) const { g_object_unref(page); }

PDFPage::PopplerView PDFPage::viewShowing(Rect box) const {
    if (contains(view_.cropBox, box)) return view_;
    // Poppler is given a copy of the document in which the page's own dictionary names
    // `box` as its crop box, written as an update at the end of the file. That copy is kept
    // in memory, for the rare page whose crop box has no area or misses its media box.
    XRef* xref = model_->document->getXRef();
    const Ref ref{objectNumber_, generation_};
    const Object original = xref->fetch(ref);
    if (!original.isDict()) return view_;
    Object widened = original.deepCopy();
    widened.dictSet("MediaBox", boxObject(xref, mediaBox_));
    widened.dictSet("CropBox", boxObject(xref, box));
    xref->setModifiedObject(&widened, ref);
    MemoryOutStream copy;
    const int written = model_->document->saveAs(&copy, writeForceIncremental);
    xref->setModifiedObject(&original, ref);
    if (written != errNone) return view_;

    GBytes* bytes = g_bytes_new(copy.bytes.data(), copy.bytes.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    if (!document) return view_;
    PopplerPage* drawn = poppler_document_get_page(document, pageNumber_ - 1);
    // The page keeps its document.
    g_object_unref(document);
    if (!drawn) return view_;
    PopplerView view{std::shared_ptr<_PopplerPage>(drawn, Release()), {}, {}};
    PDFDoc reread(new MemStream(copy.bytes.data(), 0, static_cast<Goffset>(copy.bytes.size()), Object(objNull)));
    Page* page = reread.isOk() ? reread.getPage(pageNumber_) : nullptr;
    if (!page) return view_;
    readPopplerView(*page, view.placement, view.cropBox);
    return view;
}

void PDFPage::draw(_cairo* context, double width, double height, Rect box, int rotation) const {
    if (!(box.size.width > 0) || !(box.size.height > 0)) return;
    const bool quarterTurn = rotation % 180 != 0;
    const double shownWidth = quarterTurn ? box.size.height : box.size.width;
    const double shownHeight = quarterTurn ? box.size.width : box.size.height;
    const double across = width / shownWidth;
    const double down = height / shownHeight;
    // A box too small or too large for the stretch to be a number has nothing to show.
    if (!std::isfinite(across) || !std::isfinite(down) || !(across > 0) || !(down > 0)) return;
    // Exact quarter turns, clockwise as seen with y upwards.
    const int turns = ((rotation / 90) % 4 + 4) % 4;
    const double cosine[] = {1, 0, -1, 0};
    const double sine[] = {0, -1, 0, 1};

    cairo_save(context);
    // The page's space has y upwards.
    cairo_translate(context, 0, height);
    cairo_scale(context, 1, -1);
    cairo_scale(context, across, down);
    cairo_translate(context, shownWidth / 2, shownHeight / 2);
    cairo_matrix_t turn;
    cairo_matrix_init(&turn, cosine[turns], sine[turns], -sine[turns], cosine[turns], 0, 0);
    cairo_transform(context, &turn);
    cairo_translate(context, -box.size.width / 2, -box.size.height / 2);
    cairo_translate(context, -box.origin.x, -box.origin.y);
    cairo_rectangle(context, box.origin.x, box.origin.y, box.size.width, box.size.height);
    cairo_clip(context);

    // Undoing poppler's own placement leaves the page's space where it was put above.
    const PopplerView view = viewShowing(box);
    const auto& p = view.placement;
    cairo_matrix_t undo;
    cairo_matrix_init(&undo, p[0], p[1], p[2], p[3], p[4], p[5]);
    if (cairo_matrix_invert(&undo) == CAIRO_STATUS_SUCCESS) {
        cairo_transform(context, &undo);
        poppler_page_render(view.page.get(), context);
    }
    cairo_restore(context);
}

void PDFDocument::Release::operator()(_PopplerDocument* document) const { g_object_unref(document); }

std::variant<PDFDocument, PDFDocument::Unreadable, PDFDocument::Locked> PDFDocument::open(const std::filesystem::path& path) {
    makePopplersSharedProfiles();
    // Poppler opening the path itself would wait on a pipe for ever and read a device
    // without end.
    const OpenRegularFile file = openRegularFile(path);
    // Poppler owns and closes each descriptor it is given, so it gets copies of ours.
    const auto copy = [&] {
        const int descriptor = ::fcntl(file.descriptor.get(), F_DUPFD_CLOEXEC, 0);
        if (descriptor < 0) throw FileError(path, errno, FileOperation::read);
        return descriptor;
    };
    GError* error = nullptr;
    PopplerDocument* drawn = poppler_document_new_from_fd(copy(), nullptr, &error);
    if (!drawn) {
        const bool locked = error && error->domain == POPPLER_ERROR && error->code == POPPLER_ERROR_ENCRYPTED;
        g_clear_error(&error);
        if (locked) return Locked{};
        return Unreadable{};
    }
    PDFDocument document(drawn, std::make_shared<PDFObjectModel>());
    // Poppler's global settings exist now: the document above made them.
    document.model_->file = GooFile::open(copy());
    const Goffset length = document.model_->file->size();
    document.model_->document =
        std::make_unique<PDFDoc>(new FileStream(document.model_->file.get(), 0, false, length, Object(objNull)));
    if (!document.model_->document->isOk()) return Unreadable{};
    return document;
}

int PDFDocument::pageCount() const { return poppler_document_get_n_pages(document_.get()); }

std::optional<PDFPage> PDFDocument::page(std::int64_t number) const {
    if (number < 1 || number > pageCount()) return std::nullopt;
    Page* model = model_->document->getPage(static_cast<int>(number));
    if (!model) return std::nullopt;
    PopplerPage* drawn = poppler_document_get_page(document_.get(), static_cast<int>(number - 1));
    if (!drawn) return std::nullopt;

    PDFPage::PopplerView view{std::shared_ptr<_PopplerPage>(drawn, PDFPage::Release()), {}, {}};
    readPopplerView(*model, view.placement, view.cropBox);
    const Ref ref = model->getRef();
    const auto attributes = inheritedAttributes(model_->document->getXRef(), ref);
    const Rect mediaBox = attributes.mediaBox.value_or(usLetter);
    return PDFPage(std::move(view), model_, static_cast<int>(number), ref.num, ref.gen, mediaBox,
                   attributes.cropBox.value_or(mediaBox), attributes.rotationAngle.value_or(0));
}

} // namespace platform
