#include "platform/types/ContentType.h"

#include "platform/files/FilePath.h"
#include "platform/types/FormatFacts.h"
#include "platform/types/ImageTypeIdentifiers.h"
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

using DeclarationRef = std::shared_ptr<const ContentType::Declaration>;

struct Registry {
    std::vector<DeclarationRef> declarations;                        // table order
    std::unordered_map<std::string, DeclarationRef> byIdentifier;    // lower-cased key
    std::unordered_map<std::string, std::vector<DeclarationRef>> byExtension; // lower-cased key
};

const Registry& registry() {
    static const Registry built = [] {
        Registry result;
        for (const FormatFacts& row : formatTable()) {
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

const ContentType& ContentType::item() { static const ContentType t = declared(types::item); return t; }
const ContentType& ContentType::content() { static const ContentType t = declared(types::content); return t; }
const ContentType& ContentType::data() { static const ContentType t = declared(types::data); return t; }
const ContentType& ContentType::image() { static const ContentType t = declared(types::image); return t; }
const ContentType& ContentType::png() { static const ContentType t = declared(types::png); return t; }
const ContentType& ContentType::jpeg() { static const ContentType t = declared(types::jpeg); return t; }
const ContentType& ContentType::heifStandard() { static const ContentType t = declared(types::heifStandard); return t; }
const ContentType& ContentType::heif() { static const ContentType t = declared(types::heif); return t; }
const ContentType& ContentType::heic() { static const ContentType t = declared(types::heic); return t; }
const ContentType& ContentType::heics() { static const ContentType t = declared(types::heics); return t; }
const ContentType& ContentType::avif() { static const ContentType t = declared(types::avif); return t; }
const ContentType& ContentType::tiff() { static const ContentType t = declared(types::tiff); return t; }
const ContentType& ContentType::gif() { static const ContentType t = declared(types::gif); return t; }
const ContentType& ContentType::bmp() { static const ContentType t = declared(types::bmp); return t; }
const ContentType& ContentType::ico() { static const ContentType t = declared(types::ico); return t; }
const ContentType& ContentType::icns() { static const ContentType t = declared(types::icns); return t; }
const ContentType& ContentType::webp() { static const ContentType t = declared(types::webp); return t; }
const ContentType& ContentType::jpeg2000() { static const ContentType t = declared(types::jpeg2000); return t; }
const ContentType& ContentType::jpegXL() { static const ContentType t = declared(types::jpegXL); return t; }
const ContentType& ContentType::psd() { static const ContentType t = declared(types::psd); return t; }
const ContentType& ContentType::exr() { static const ContentType t = declared(types::openEXR); return t; }
const ContentType& ContentType::pdf() { static const ContentType t = declared(types::pdf); return t; }
const ContentType& ContentType::svg() { static const ContentType t = declared(types::svg); return t; }
const ContentType& ContentType::cameraRawImage() { static const ContentType t = declared(types::cameraRaw); return t; }

} // namespace platform
