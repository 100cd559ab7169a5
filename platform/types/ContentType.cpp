#include "platform/types/ContentType.h"

#include "platform/files/FilePath.h"
#include "platform/text/UnicodeText.h"

#include <stdexcept>
#include <unordered_map>

namespace platform {

struct ContentType::Declaration {
    std::string identifier;
    std::vector<std::shared_ptr<const Declaration>> parents;
    std::vector<std::string> extensions;
    std::optional<std::string> mimeType;
    bool dynamic = false;
};

namespace {

struct Row {
    const char* identifier;
    std::vector<const char*> parents;
    std::vector<const char*> extensions; // preferred first
    const char* mimeType;                // null when none is registered
};

// Every type the program names. A parent must appear above its children.
//
// AVIF is declared a kind of public.heif-standard, as the wider platform family does:
// writers of the HEIF family then keep greyscale output in three channels, which every
// AVIF and HEIC reader accepts, instead of relying on single-channel files.
const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"public.item", {}, {}, nullptr},
        {"public.content", {}, {}, nullptr},
        {"public.data", {"public.item"}, {}, nullptr},
        {"public.composite-content", {"public.content"}, {}, nullptr},
        {"public.image", {"public.data", "public.content"}, {}, nullptr},
        {"public.png", {"public.image"}, {"png"}, "image/png"},
        {"public.jpeg", {"public.image"}, {"jpg", "jpeg", "jpe", "jfif"}, "image/jpeg"},
        {"public.heif-standard", {"public.image"}, {}, nullptr},
        {"public.heif", {"public.heif-standard"}, {"heif", "hif"}, "image/heif"},
        {"public.heic", {"public.heif-standard"}, {"heic"}, "image/heic"},
        {"public.heics", {"public.heif-standard"}, {"heics"}, "image/heic-sequence"},
        {"public.avif", {"public.heif-standard"}, {"avif"}, "image/avif"},
        {"public.tiff", {"public.image"}, {"tiff", "tif"}, "image/tiff"},
        {"com.compuserve.gif", {"public.image"}, {"gif"}, "image/gif"},
        {"com.microsoft.bmp", {"public.image"}, {"bmp", "dib"}, "image/bmp"},
        {"com.microsoft.ico", {"public.image"}, {"ico"}, "image/vnd.microsoft.icon"},
        {"com.apple.icns", {"public.image"}, {"icns"}, "image/x-icns"},
        {"org.webmproject.webp", {"public.image"}, {"webp"}, "image/webp"},
        {"public.jpeg-2000", {"public.image"}, {"jp2", "jpf", "jpx", "j2k", "j2c"}, "image/jp2"},
        {"public.jpeg-xl", {"public.image"}, {"jxl"}, "image/jxl"},
        {"com.adobe.photoshop-image", {"public.image"}, {"psd"}, "image/vnd.adobe.photoshop"},
        {"com.ilm.openexr-image", {"public.image"}, {"exr"}, "image/x-exr"},
        {"public.radiance", {"public.image"}, {"hdr"}, "image/vnd.radiance"},
        {"com.truevision.tga-image", {"public.image"}, {"tga"}, "image/x-tga"},
        {"public.pbm", {"public.image"}, {"pbm"}, "image/x-portable-bitmap"},
        {"public.pgm", {"public.image"}, {"pgm"}, "image/x-portable-graymap"},
        {"public.ppm", {"public.image"}, {"ppm"}, "image/x-portable-pixmap"},
        {"public.pnm", {"public.image"}, {"pnm"}, "image/x-portable-anymap"},
        {"public.svg-image", {"public.image"}, {"svg"}, "image/svg+xml"},
        {"com.adobe.pdf", {"public.data", "public.composite-content"}, {"pdf"}, "application/pdf"},
        {"public.camera-raw-image", {"public.image"}, {}, nullptr},
        {"com.canon.cr2-raw-image", {"public.camera-raw-image"}, {"cr2"}, "image/x-canon-cr2"},
        {"com.canon.cr3-raw-image", {"public.camera-raw-image"}, {"cr3"}, "image/x-canon-cr3"},
        {"com.canon.crw-raw-image", {"public.camera-raw-image"}, {"crw"}, "image/x-canon-crw"},
        {"com.nikon.raw-image", {"public.camera-raw-image"}, {"nef"}, "image/x-nikon-nef"},
        {"com.nikon.nrw-raw-image", {"public.camera-raw-image"}, {"nrw"}, "image/x-nikon-nrw"},
        {"com.sony.arw-raw-image", {"public.camera-raw-image"}, {"arw"}, "image/x-sony-arw"},
        {"com.sony.sr2-raw-image", {"public.camera-raw-image"}, {"sr2"}, "image/x-sony-sr2"},
        {"com.sony.srf-raw-image", {"public.camera-raw-image"}, {"srf"}, "image/x-sony-srf"},
        {"com.adobe.raw-image", {"public.camera-raw-image"}, {"dng"}, "image/x-adobe-dng"},
        {"com.olympus.or-raw-image", {"public.camera-raw-image"}, {"orf"}, "image/x-olympus-orf"},
        {"com.panasonic.rw2-raw-image", {"public.camera-raw-image"}, {"rw2"}, "image/x-panasonic-rw2"},
        {"com.panasonic.raw-image", {"public.camera-raw-image"}, {"raw"}, "image/x-panasonic-raw"},
        {"com.fuji.raw-image", {"public.camera-raw-image"}, {"raf"}, "image/x-fuji-raf"},
        {"com.pentax.raw-image", {"public.camera-raw-image"}, {"pef"}, "image/x-pentax-pef"},
        {"com.samsung.raw-image", {"public.camera-raw-image"}, {"srw"}, "image/x-samsung-srw"},
        {"com.leica.raw-image", {"public.camera-raw-image"}, {"rwl"}, "image/x-leica-rwl"},
        {"com.hasselblad.3fr-raw-image", {"public.camera-raw-image"}, {"3fr"}, "image/x-hasselblad-3fr"},
        {"com.phaseone.raw-image", {"public.camera-raw-image"}, {"iiq"}, "image/x-phaseone-iiq"},
        {"com.sigma.raw-image", {"public.camera-raw-image"}, {"x3f"}, "image/x-sigma-x3f"},
        {"com.epson.raw-image", {"public.camera-raw-image"}, {"erf"}, "image/x-epson-erf"},
        {"com.kodak.raw-image", {"public.camera-raw-image"}, {"dcr"}, "image/x-kodak-dcr"},
        {"com.konicaminolta.raw-image", {"public.camera-raw-image"}, {"mrw"}, "image/x-minolta-mrw"},
    };
    return table;
}

using DeclarationRef = std::shared_ptr<const ContentType::Declaration>;

struct Registry {
    std::vector<DeclarationRef> declarations;                        // table order
    std::unordered_map<std::string, DeclarationRef> byIdentifier;    // lower-cased key
    std::unordered_map<std::string, std::vector<DeclarationRef>> byExtension; // lower-cased key
};

const Registry& registry() {
    static const Registry built = [] {
        Registry result;
        for (const Row& row : rows()) {
            auto declaration = std::make_shared<ContentType::Declaration>();
            declaration->identifier = row.identifier;
            for (const char* parent : row.parents) {
                auto found = result.byIdentifier.find(asciiLowercased(parent));
                if (found == result.byIdentifier.end())
                    throw std::logic_error(std::string("content type declared before its parent: ") + row.identifier);
                declaration->parents.push_back(found->second);
            }
            for (const char* extension : row.extensions) declaration->extensions.emplace_back(extension);
            if (row.mimeType) declaration->mimeType = row.mimeType;
            result.declarations.push_back(declaration);
            result.byIdentifier.emplace(asciiLowercased(row.identifier), declaration);
            for (const char* extension : row.extensions)
                result.byExtension[asciiLowercased(extension)].push_back(declaration);
        }
        return result;
    }();
    return built;
}

bool conformsTo(const ContentType::Declaration& type, std::string_view identifier) {
    if (equalsIgnoringASCIICase(type.identifier, identifier)) return true;
    for (const auto& parent : type.parents)
        if (conformsTo(*parent, identifier)) return true;
    return false;
}

ContentType declared(const char* identifier) {
    // Only ever called with identifiers from the table, so the lookup cannot fail.
    return *ContentType::withIdentifier(identifier);
}

} // namespace

ContentType::ContentType(std::shared_ptr<const Declaration> declaration) : declaration_(std::move(declaration)) {}

std::optional<ContentType> ContentType::withIdentifier(std::string_view identifier) {
    const auto& byIdentifier = registry().byIdentifier;
    auto found = byIdentifier.find(asciiLowercased(identifier));
    if (found == byIdentifier.end()) return std::nullopt;
    return ContentType(found->second);
}

ContentType ContentType::importedAs(std::string_view identifier, const std::optional<ContentType>& parent) {
    if (auto known = withIdentifier(identifier)) return *known;
    auto bare = std::make_shared<Declaration>();
    bare->identifier = std::string(identifier);
    if (parent) bare->parents.push_back(parent->declaration_);
    return ContentType(std::move(bare));
}

std::optional<ContentType> ContentType::forFilenameExtension(std::string_view extension) {
    return forFilenameExtension(extension, data());
}

std::optional<ContentType> ContentType::forFilenameExtension(std::string_view extension,
                                                             const ContentType& conformingTo) {
    if (extension.empty()) return std::nullopt;
    const std::string key = asciiLowercased(extension);
    const auto& byExtension = registry().byExtension;
    if (auto found = byExtension.find(key); found != byExtension.end()) {
        for (const auto& candidate : found->second)
            if (conformsTo(*candidate, conformingTo.identifier())) return ContentType(candidate);
    }
    // The identifier names the extension and the parent, so that two lookups of the same
    // unknown extension give equal types while different parents stay apart.
    auto dynamic = std::make_shared<Declaration>();
    dynamic->identifier = "dyn.filename-extension." + key + ".conforming-to." + asciiLowercased(conformingTo.identifier());
    dynamic->parents.push_back(conformingTo.declaration_);
    dynamic->extensions.emplace_back(extension);
    dynamic->dynamic = true;
    return ContentType(std::move(dynamic));
}

std::optional<ContentType> ContentType::ofFile(const std::filesystem::path& path) {
    return forFilenameExtension(pathExtension(path.string()));
}

const std::string& ContentType::identifier() const { return declaration_->identifier; }

std::optional<std::string> ContentType::preferredFilenameExtension() const {
    if (declaration_->extensions.empty()) return std::nullopt;
    return declaration_->extensions.front();
}

const std::vector<std::string>& ContentType::filenameExtensions() const { return declaration_->extensions; }

std::optional<std::string> ContentType::preferredMIMEType() const { return declaration_->mimeType; }

bool ContentType::isDynamic() const { return declaration_->dynamic; }

bool ContentType::conforms(const ContentType& other) const { return conformsTo(*declaration_, other.identifier()); }

bool operator==(const ContentType& a, const ContentType& b) {
    return a.declaration_ == b.declaration_ || equalsIgnoringASCIICase(a.identifier(), b.identifier());
}

std::size_t ContentType::hash() const { return std::hash<std::string>{}(asciiLowercased(identifier())); }

const ContentType& ContentType::item() { static const ContentType t = declared("public.item"); return t; }
const ContentType& ContentType::content() { static const ContentType t = declared("public.content"); return t; }
const ContentType& ContentType::data() { static const ContentType t = declared("public.data"); return t; }
const ContentType& ContentType::image() { static const ContentType t = declared("public.image"); return t; }
const ContentType& ContentType::png() { static const ContentType t = declared("public.png"); return t; }
const ContentType& ContentType::jpeg() { static const ContentType t = declared("public.jpeg"); return t; }
const ContentType& ContentType::heifStandard() { static const ContentType t = declared("public.heif-standard"); return t; }
const ContentType& ContentType::heif() { static const ContentType t = declared("public.heif"); return t; }
const ContentType& ContentType::heic() { static const ContentType t = declared("public.heic"); return t; }
const ContentType& ContentType::heics() { static const ContentType t = declared("public.heics"); return t; }
const ContentType& ContentType::avif() { static const ContentType t = declared("public.avif"); return t; }
const ContentType& ContentType::tiff() { static const ContentType t = declared("public.tiff"); return t; }
const ContentType& ContentType::gif() { static const ContentType t = declared("com.compuserve.gif"); return t; }
const ContentType& ContentType::bmp() { static const ContentType t = declared("com.microsoft.bmp"); return t; }
const ContentType& ContentType::ico() { static const ContentType t = declared("com.microsoft.ico"); return t; }
const ContentType& ContentType::icns() { static const ContentType t = declared("com.apple.icns"); return t; }
const ContentType& ContentType::webp() { static const ContentType t = declared("org.webmproject.webp"); return t; }
const ContentType& ContentType::jpeg2000() { static const ContentType t = declared("public.jpeg-2000"); return t; }
const ContentType& ContentType::jpegXL() { static const ContentType t = declared("public.jpeg-xl"); return t; }
const ContentType& ContentType::psd() { static const ContentType t = declared("com.adobe.photoshop-image"); return t; }
const ContentType& ContentType::exr() { static const ContentType t = declared("com.ilm.openexr-image"); return t; }
const ContentType& ContentType::pdf() { static const ContentType t = declared("com.adobe.pdf"); return t; }
const ContentType& ContentType::svg() { static const ContentType t = declared("public.svg-image"); return t; }
const ContentType& ContentType::cameraRawImage() { static const ContentType t = declared("public.camera-raw-image"); return t; }

} // namespace platform
