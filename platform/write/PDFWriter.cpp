#include "platform/write/PDFWriter.h"

#include "platform/pixels/PackedPixels.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <zlib.h>

namespace platform {
namespace {

// Joins the pieces of a PDF object's text.
template <typename... Parts>
std::string text(const Parts&... parts) {
    std::string out;
    (out.append(std::string_view(parts)), ...);
    return out;
}

std::optional<Bytes> flate(const Bytes& input) {
    uLongf length = compressBound(static_cast<uLong>(input.size()));
    Bytes out(length);
    if (compress2(out.data(), &length, input.data(), static_cast<uLong>(input.size()), 6) != Z_OK) return std::nullopt;
    out.resize(length);
    return out;
}

// Objects are numbered from 1 in the order they are begun; the cross-reference table
// records where each one starts.
class PDFDocument {
public:
    PDFDocument() { append("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"); }

    int reserve() {
        offsets_.push_back(0);
        return static_cast<int>(offsets_.size());
    }
    void object(int number, const std::string& body) {
        begin(number);
        append(text(body, "\nendobj\n"));
    }
    void stream(int number, std::string dictionary, const Bytes& data) {
        begin(number);
        append(text("<< ", dictionary, " /Length ", std::to_string(data.size()), " >>\nstream\n"));
        out_.insert(out_.end(), data.begin(), data.end());
        append("\nendstream\nendobj\n");
    }
    Bytes finish(int root) {
        const std::size_t xref = out_.size();
        append(text("xref\n0 ", std::to_string(offsets_.size() + 1), "\n0000000000 65535 f \n"));
        char line[32];
        for (std::size_t offset : offsets_) {
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
            append(line);
        }
        append(text("trailer\n<< /Size ", std::to_string(offsets_.size() + 1), " /Root ", ref(root),
                    " >>\nstartxref\n", std::to_string(xref), "\n%%EOF\n"));
        return std::move(out_);
    }
    static std::string ref(int number) { return text(std::to_string(number), " 0 R"); }

private:
    void begin(int number) {
        offsets_[static_cast<std::size_t>(number - 1)] = out_.size();
        append(text(std::to_string(number), " 0 obj\n"));
    }
    void append(const std::string& text) { out_.insert(out_.end(), text.begin(), text.end()); }

    Bytes out_;
    std::vector<std::size_t> offsets_;
};

// PDF samples are big-endian; packed pixels are native-endian.
Bytes samples(const PackedPixels& pixels, int first, int count) {
    const int bytes = pixels.bitsPerComponent / 8;
    const std::size_t pixelCount = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
    Bytes out;
    out.reserve(pixelCount * static_cast<std::size_t>(count * bytes));
    for (std::size_t p = 0; p < pixelCount; ++p) {
        const std::uint8_t* pixel = pixels.data() + p * static_cast<std::size_t>(pixels.channels * bytes);
        for (int c = first; c < first + count; ++c) {
            if (bytes == 1) {
                out.push_back(pixel[c]);
            } else {
                std::uint16_t v;
                std::memcpy(&v, pixel + c * 2, 2);
                out.push_back(static_cast<std::uint8_t>(v >> 8));
                out.push_back(static_cast<std::uint8_t>(v));
            }
        }
    }
    return out;
}

} // namespace

Outcome<Bytes> PDFWriter::write(const std::vector<ImageRef>& images, const CarriedMetadata&,
                                      std::optional<double>) const {
    if (images.empty()) return std::nullopt;
    PDFDocument pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    std::string kids;
    for (const auto& image : images) {
        if (!image) return std::nullopt;
        const auto pixels = packPixels(*image, PackingRules{});
        if (!pixels) return std::nullopt;
        const int colours = pixels->hasAlpha() ? pixels->channels - 1 : pixels->channels;
        const std::string width = std::to_string(pixels->width);
        const std::string height = std::to_string(pixels->height);
        const std::string bits = std::to_string(pixels->bitsPerComponent);

        const int page = pdf.reserve();
        const int contents = pdf.reserve();
        const int picture = pdf.reserve();
        if (!kids.empty()) kids += ' ';
        kids += PDFDocument::ref(page);
        pdf.object(page, text("<< /Type /Page /Parent ", PDFDocument::ref(pages), " /MediaBox [0 0 ", width, " ", height,
                              "] /Resources << /XObject << /Im0 ", PDFDocument::ref(picture), " >> >> /Contents ",
                              PDFDocument::ref(contents), " >>"));
        const std::string drawing = text("q ", width, " 0 0 ", height, " 0 0 cm /Im0 Do Q");
        pdf.stream(contents, "", Bytes(drawing.begin(), drawing.end()));

        std::string colourSpace = colours == 1 ? "/DeviceGray" : "/DeviceRGB";
        const Bytes& icc = pixels->colourSpace->iccData();
        int profile = 0;
        if (!icc.empty()) {
            profile = pdf.reserve();
            colourSpace = text("[/ICCBased ", PDFDocument::ref(profile), "]");
        }
        int mask = 0;
        if (pixels->hasAlpha()) mask = pdf.reserve();

        const auto colour = flate(samples(*pixels, 0, colours));
        if (!colour) return std::nullopt;
        pdf.stream(picture,
                   text("/Type /XObject /Subtype /Image /Width ", width, " /Height ", height, " /ColorSpace ",
                        colourSpace, " /BitsPerComponent ", bits, " /Filter /FlateDecode",
                        mask ? text(" /SMask ", PDFDocument::ref(mask)) : std::string()),
                   *colour);
        if (profile) {
            const auto compressed = flate(icc);
            if (!compressed) return std::nullopt;
            pdf.stream(profile,
                       text("/N ", std::to_string(colours), " /Alternate ", colours == 1 ? "/DeviceGray" : "/DeviceRGB",
                            " /Filter /FlateDecode"),
                       *compressed);
        }
        if (mask) {
            const auto alpha = flate(samples(*pixels, colours, 1));
            if (!alpha) return std::nullopt;
            pdf.stream(mask,
                       text("/Type /XObject /Subtype /Image /Width ", width, " /Height ", height,
                            " /ColorSpace /DeviceGray /BitsPerComponent ", bits, " /Filter /FlateDecode"),
                       *alpha);
        }
    }
    pdf.object(catalog, text("<< /Type /Catalog /Pages ", PDFDocument::ref(pages), " >>"));
    pdf.object(pages, text("<< /Type /Pages /Kids [", kids, "] /Count ", std::to_string(images.size()), " >>"));
    return pdf.finish(catalog);
}

} // namespace platform
