#pragma once
#include "platform/files/FileDescriptor.h"
#include "platform/read/ImageBackend.h"
#include "platform/types/ImageSniffer.h"
#include "platform/read/PNGSummary.h"
#include "platform/vips/VipsImages.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace platform {

// The formats libvips reads: JPEG, PNG (animated ones by their acTL chunk), GIF, WebP, TIFF,
// HEIC and AVIF, JPEG 2000, JPEG XL, PNM, Radiance HDR and OpenEXR. Each call loads the
// file's bytes afresh through the one loader the sniffed format names; headers are read
// without decoding pixels.
class VipsBackend final : public ImageBackend {
public:
    // Null when the loader cannot read the header (a PNG whose IHDR is readable still opens,
    // so that its declared size is known), with what libvips said in `cause` when one is
    // given. OpenEXR is only read from a file, so it needs the path; the file is opened once,
    // as a regular file, and every later load reads that open file, never whatever the path
    // names by then (a pipe would hold the loader). Throws FileError when that file cannot
    // be opened or is no longer a regular file.
    static std::shared_ptr<const VipsBackend> open(SharedBytes bytes, const SniffResult& sniffed,
                                                   std::optional<std::filesystem::path> path,
                                                   std::string* cause = nullptr);
    // The same for a file that is part of `owner`'s bytes, as a PNG inside an icon file is:
    // it is read where it lies, never copied out.
    static std::shared_ptr<const VipsBackend> open(SharedBytes owner, ByteView file, const SniffResult& sniffed,
                                                   std::optional<std::filesystem::path> path,
                                                   std::string* cause = nullptr);

    std::string typeIdentifier() const override { return typeIdentifier_; }
    std::int64_t count() const override { return count_; }
    bool hasFrameInfo() const override { return hasFrameInfo_; }
    std::optional<PropertyMap> propertiesAt(std::int64_t index) const override;
    std::optional<XMPPacket> xmpAt(std::int64_t index) const override;
    ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const override;
    ImageReadResult reducedImageAt(std::int64_t index, const PixelBudget& budget, int reduction) const override;

private:
    VipsBackend() = default;
    // Null on failure; what libvips said is left for the runVipsWork the caller runs it in.
    // A reduction above 1 is the loader's own (see loaderReduction).
    VipsImagePtr load(std::int64_t index, bool forPixels, int reduction = 1) const;
    // The header of one image as one piece of libvips work; null on failure, with what
    // libvips said of this failure in `cause` when one is given.
    VipsImagePtr loadHeader(std::int64_t index, std::string* cause = nullptr) const;
    // The pixels of one image as imageAt gives them, without the cause; run in runVipsWork.
    ImageReadResult decodePixels(std::int64_t index, const PixelBudget& budget, int reduction) const;
    // What the loader holds beside the pixels it hands on while it decodes `loaded` (the
    // image at `index` as loaded, at the loader's own reduction) from a picture stored at `stored`.
    std::uint64_t loaderWorkingBytes(std::int64_t index, VipsImage* loaded, std::int64_t storedWidth,
                                     std::int64_t storedHeight) const;
    // How far the format can be read smaller than it is stored: not at all, or by any factor.
    bool reduces() const;
    // The part of a reduction the loader makes while it decodes; the rest is made by averaging
    // rows as they are read.
    int loaderReduction(int reduction) const;
    bool isPaged() const;
    // The colour space the file gives by tags rather than by a profile (a HEIF file's nclx box,
    // a PNG's gAMA and cHRM chunks) for colour or grey pixels; null when it gives none.
    ColourSpaceRef taggedColourSpace(std::int64_t index, bool colour) const;
    bool hasAlpha(VipsImage* image) const;
    std::optional<Bytes> exifHeldElsewhere(ByteView tags) const;
    std::optional<Bytes> iptcOf(VipsImage* image, ByteView tags) const;
    std::optional<Bytes> commentOf() const;
    std::optional<Bytes> photoshopResourcesOf() const;

    SharedBytes bytes_;
    // The file's bytes within bytes_.
    ByteView file_;
    SniffedFormat format_ = SniffedFormat::unknown;
    std::string typeIdentifier_;
    // The OpenEXR file, open for the backend's life.
    FileDescriptor openEXRFile_;
    std::int64_t count_ = 1;
    bool hasFrameInfo_ = false;
    std::optional<PNGSummary> png_;
    bool headerReadable_ = true;
    // libvips gives every GIF an alpha band; it is dropped when no frame is transparent.
    bool opaqueGif_ = false;
    // What a PNG, GIF or JPEG XL file keeps where libvips does not look, read once as the file
    // opens: every frame's properties and packet would otherwise walk the whole file again.
    struct StoredElsewhere {
        std::optional<Bytes> exif;
        std::optional<Bytes> iptc;
        std::optional<Bytes> comment;
        std::optional<std::string> xmp;
        std::vector<PNGText> pngTexts;
        std::optional<Bytes> photoshop;
    };
    StoredElsewhere elsewhere_;
};

} // namespace platform
