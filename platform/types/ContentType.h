#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A uniform content type: an identifier in a hierarchy of declared types, with the
// file-name extensions and MIME type that belong to it. Declared types come from one
// table; other types are made on demand (imported identifiers the table does not know,
// and dynamic types for extensions nobody declared). Identifiers compare without regard
// to ASCII letter case.
class ContentType {
public:
    // The declared type with this identifier, or nothing.
    static std::optional<ContentType> withIdentifier(std::string_view identifier);
    // The declared type when there is one; otherwise a bare type with exactly this
    // identifier, no extensions, conforming to the parent when one is given.
    static ContentType importedAs(std::string_view identifier,
                                  const std::optional<ContentType>& parent = std::nullopt);
    // The first declared type (in table order) that lists the extension and conforms to
    // the given type; otherwise a dynamic type carrying the extension and conforming to
    // it. An empty extension has no type.
    static std::optional<ContentType> forFilenameExtension(std::string_view extension);
    static std::optional<ContentType> forFilenameExtension(std::string_view extension,
                                                           const ContentType& conformingTo);
    // A file's type judged by its name's extension (".tiff" and "photo." have none, and
    // then no type here).
    static std::optional<ContentType> ofFile(const std::filesystem::path& path);

    const std::string& identifier() const;
    std::optional<std::string> preferredFilenameExtension() const;
    const std::vector<std::string>& filenameExtensions() const;
    std::optional<std::string> preferredMIMEType() const;
    // Made for an extension nobody declared.
    bool isDynamic() const;
    // Reflexive and transitive over the declared parents.
    bool conforms(const ContentType& other) const;

    friend bool operator==(const ContentType& a, const ContentType& b);
    std::size_t hash() const;

    static const ContentType& item();
    static const ContentType& content();
    static const ContentType& data();
    static const ContentType& image();
    static const ContentType& png();
    static const ContentType& jpeg();
    static const ContentType& heifStandard();
    static const ContentType& heif();
    static const ContentType& heic();
    static const ContentType& heics();
    static const ContentType& avif();
    static const ContentType& tiff();
    static const ContentType& gif();
    static const ContentType& bmp();
    static const ContentType& ico();
    static const ContentType& icns();
    static const ContentType& webp();
    static const ContentType& jpeg2000();
    static const ContentType& jpegXL();
    static const ContentType& psd();
    static const ContentType& exr();
    static const ContentType& pdf();
    static const ContentType& svg();
    static const ContentType& cameraRawImage();

    struct Declaration;

private:
    explicit ContentType(std::shared_ptr<const Declaration> declaration);
    std::shared_ptr<const Declaration> declaration_;
};

} // namespace platform

template <>
struct std::hash<platform::ContentType> {
    std::size_t operator()(const platform::ContentType& type) const { return type.hash(); }
};
