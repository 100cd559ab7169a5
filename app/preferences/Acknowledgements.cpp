#include "app/preferences/Acknowledgements.h"

#include "app/preferences/LicenceDocument.h"

#include "shims/pctv_libdeflate.h"
#include "shims/pctv_mozjpeg.h"
#include "shims/pctv_webp.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtGlobal>

#include <brotli/decode.h>
#include <exiv2/version.hpp>
#include <lcms2.h>
#include <libheif/heif.h>
#include <libimagequant.h>
#include <libraw/libraw.h>
#include <nlohmann/json.hpp>
#include <unicode/uversion.h>
#include <vips/vips.h>
#include <zlib.h>

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <optional>

namespace pictavo {
namespace {

QString builtWith(const QString& version) { return version + QStringLiteral(" (the version built with)"); }

// A version encoded as major × 10000 + minor × 100 + patch.
QString dottedVersion(int number) {
    return QStringLiteral("%1.%2.%3").arg(number / 10000).arg((number / 100) % 100).arg(number % 100);
}

// A library the program reaches only through libvips has no link line of ours, so its
// version call is looked up among what is loaded: absent means not contained.
template <typename Function> Function loaded(const char* symbol) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, symbol));
}

// The version in the file name of the shared object a symbol lives in, for a library that
// answers no version call: libcgif.so.0 is a link to libcgif.so.0.3.0.
std::optional<QString> loadedFileVersion(const char* symbol) {
    void* address = dlsym(RTLD_DEFAULT, symbol);
    Dl_info info;
    if (!address || !dladdr(address, &info) || !info.dli_fname) return std::nullopt;
    const QString file = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
    const qsizetype at = file.lastIndexOf(QLatin1String(".so."));
    if (at < 0) return std::nullopt;
    return file.mid(at + 4);
}

std::optional<QString> libimagequantVersion() {
    // Its version call answers an encoded number that lags its releases; the header's text does not.
    if (!loaded<int (*)()>("liq_version")) return std::nullopt;
    return builtWith(QStringLiteral(LIQ_VERSION_STRING));
}

std::optional<QString> libpngVersion() {
    const auto call = loaded<const char* (*)(void*)>("png_get_libpng_ver");
    if (!call) return std::nullopt;
    return QString::fromLatin1(call(nullptr));
}

// The text of a version string a library exports as a variable rather than a call.
std::optional<QString> loadedString(const char* symbol) {
    const auto* text = loaded<const char* const*>(symbol);
    if (!text || !*text) return std::nullopt;
    return QString::fromLatin1(*text);
}

// The text a library's version call answers.
std::optional<QString> calledString(const char* symbol) {
    const auto call = loaded<const char* (*)()>(symbol);
    if (!call) return std::nullopt;
    return QString::fromLatin1(call());
}

// Whether a shared object whose file name starts so is loaded in this process: for the C++
// libraries, whose symbols carry their version in their namespaces.
bool objectLoaded(const char* prefix) {
    struct Search {
        QByteArray prefix;
        bool found = false;
    } search{QByteArray(prefix)};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* search = static_cast<Search*>(data);
            const QByteArray path(info->dlpi_name ? info->dlpi_name : "");
            if (path.mid(path.lastIndexOf('/') + 1).startsWith(search->prefix)) search->found = true;
            return search->found ? 1 : 0;
        },
        &search);
    return search.found;
}

std::optional<QString> builtWithIfLoaded(const char* prefix, const char* version) {
    if (!objectLoaded(prefix)) return std::nullopt;
    return builtWith(QString::fromLatin1(version));
}

std::optional<QString> aomVersion() {
    // "v3.6.0".
    const auto call = loaded<const char* (*)()>("aom_codec_version_str");
    if (!call) return std::nullopt;
    QString version = QString::fromLatin1(call());
    if (version.startsWith(QLatin1Char('v'))) version.remove(0, 1);
    return version;
}

std::optional<QString> jbigKitVersion() {
    // "JBIG-KIT 2.1 -- (c) 1995-2014 Markus Kuhn -- Licence: GPL\n", an array of characters.
    const auto* text = loaded<const char*>("jbg_version");
    if (!text) return std::nullopt;
    const QStringList words = QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2) return std::nullopt;
    return words[1];
}

std::optional<QString> freeTypeVersion() {
    // Its version is asked of a library instance, made and freed for the question.
    using Library = void*;
    const auto init = loaded<int (*)(Library*)>("FT_Init_FreeType");
    const auto version = loaded<void (*)(Library, int*, int*, int*)>("FT_Library_Version");
    const auto done = loaded<int (*)(Library)>("FT_Done_FreeType");
    if (!init || !version || !done) return std::nullopt;
    Library library = nullptr;
    if (init(&library) != 0) return std::nullopt;
    int major = 0, minor = 0, patch = 0;
    version(library, &major, &minor, &patch);
    done(library);
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
}

std::optional<QString> fontconfigVersion() {
    // 21401 for 2.14.1.
    const auto call = loaded<int (*)()>("FcGetVersion");
    if (!call) return std::nullopt;
    return dottedVersion(call());
}

std::optional<QString> libtiffVersion() {
    const auto call = loaded<const char* (*)()>("TIFFGetVersion");
    if (!call) return std::nullopt;
    // "LIBTIFF, Version 4.5.0\nCopyright …": the number after "Version" on the first line.
    const QString first = QString::fromLatin1(call()).section(QLatin1Char('\n'), 0, 0);
    const qsizetype at = first.indexOf(QLatin1String("Version "));
    return at < 0 ? first.trimmed() : first.mid(at + 8).trimmed();
}

std::optional<QString> librsvgVersion() {
    const auto* major = loaded<const unsigned*>("rsvg_major_version");
    const auto* minor = loaded<const unsigned*>("rsvg_minor_version");
    const auto* micro = loaded<const unsigned*>("rsvg_micro_version");
    if (!major || !minor || !micro) return std::nullopt;
    return QStringLiteral("%1.%2.%3").arg(*major).arg(*minor).arg(*micro);
}

std::optional<QString> libxml2Version() {
    // "21004" for 2.10.4.
    const auto* encoded = loaded<const char* const*>("xmlParserVersion");
    if (!encoded || !*encoded) return std::nullopt;
    return dottedVersion(QString::fromLatin1(*encoded).toInt());
}

QString brotliVersion() {
    // Encoded as major << 24 | minor << 12 | patch, so 1.0.9 is 0x1000009.
    const std::uint32_t encoded = BrotliDecoderVersion();
    return QStringLiteral("%1.%2.%3").arg(encoded >> 24).arg((encoded >> 12) & 0xFFF).arg(encoded & 0xFFF);
}

QString lcmsVersion() {
    // Encoded as major × 1000 + minor × 10, so 2.14 is 2140.
    const int encoded = cmsGetEncodedCMMversion();
    return QStringLiteral("%1.%2").arg(encoded / 1000).arg((encoded % 1000) / 10);
}

QString icuVersion() {
    UVersionInfo info;
    u_getVersion(info);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(info, text);
    return QString::fromLatin1(text);
}

QString glibVersion() {
    return QStringLiteral("%1.%2.%3").arg(glib_major_version).arg(glib_minor_version).arg(glib_micro_version);
}

std::vector<Acknowledgement> build() {
    std::vector<Acknowledgement> entries;
    // Libraries of one source package share their licence file, named after the first.
    const auto addSharing = [&entries](const char* name, QString version, const char* role, const char* licence,
                                       const char* licenceFile) {
        entries.push_back({QString::fromLatin1(name), std::move(version), QString::fromUtf8(role),
                           QString::fromUtf8(licence),
                           readableLicence(Acknowledgements::licenceText(QString::fromLatin1(licenceFile)))});
    };
    const auto add = [&addSharing](const char* name, QString version, const char* role, const char* licence) {
        addSharing(name, std::move(version), role, licence, name);
    };
    const auto addLoaded = [&add](const char* name, std::optional<QString> version, const char* role,
                                  const char* licence) {
        if (version) add(name, *version, role, licence);
    };

    add("libjpeg-turbo", builtWith(QString::fromLatin1(pctv_mozjpeg_version())),
        "Writes every JPEG the app exports, and re-optimises the ones it does not decode.",
        "IJG, BSD-3-Clause and zlib");
    add("libwebp", QString::fromLatin1(pctv_webp_version()), "Writes every WebP the app exports.",
        "BSD-3-Clause, with an additional patent grant");
    add("libdeflate", builtWith(QString::fromLatin1(pctv_libdeflate_version())),
        "Re-compresses every PNG the app exports, without changing a pixel.", "MIT");
    add("libvips", QString::fromLatin1(vips_version_string()),
        "Decodes, resizes and converts images, and writes most of the formats the app exports.",
        "LGPL-2.1-or-later");
    add("lcms2", lcmsVersion(), "Converts colours from one ICC profile to another.", "MIT");
    add("zlib", QString::fromLatin1(zlibVersion()), "Compresses the data inside PNG and other files.", "Zlib");
    addLoaded("libpng", libpngVersion(), "Reads and writes PNG, through libvips.", "libpng-2.0");
    addLoaded("libtiff", libtiffVersion(), "Reads and writes TIFF, through libvips.", "libtiff");
    addLoaded("JBIG-KIT", jbigKitVersion(), "Reads and writes the JBIG-compressed pictures of TIFF files, through libtiff.",
              "GPL-2.0-or-later");
    addLoaded("LERC", builtWithIfLoaded("libLerc.so", PCTV_LERC_VERSION),
              "Reads and writes the LERC-compressed pictures of TIFF files, through libtiff.", "Apache-2.0");
    add("libheif", QString::fromLatin1(heif_get_version()), "Reads and writes HEIC and AVIF.",
        "LGPL-3.0-or-later");
    addLoaded("x265", loadedString("x265_version_str"), "Encodes the pictures of every HEIC the app exports, through libheif.",
              "GPL-2.0-or-later");
    addLoaded("libde265", calledString("de265_get_version"), "Decodes the pictures inside HEIC files, through libheif.",
              "LGPL-3.0-or-later");
    addLoaded("aom", aomVersion(), "Encodes the pictures of every AVIF the app exports, through libheif.",
              "BSD-2-Clause, with the Alliance for Open Media Patent License 1.0");
    addLoaded("dav1d", calledString("dav1d_version"), "Decodes the pictures inside AVIF files, through libheif.",
              "BSD-2-Clause, with the Alliance for Open Media Patent License 1.0");
    addLoaded("OpenEXR", builtWithIfLoaded("libOpenEXR-", PCTV_OPENEXR_VERSION),
              "Reads OpenEXR images, through libvips.", "BSD-3-Clause");
    addLoaded("Imath", builtWithIfLoaded("libImath-", PCTV_IMATH_VERSION),
              "Holds the half-precision numbers of OpenEXR images, for OpenEXR.", "BSD-3-Clause");
    addLoaded("libexif", builtWithIfLoaded("libexif.so", PCTV_LIBEXIF_VERSION),
              "Reads the EXIF metadata of the images libvips opens, and writes it back.", "LGPL-2.1-or-later");
    addLoaded("cgif", loadedFileVersion("cgif_newgif"), "Writes every GIF the app exports, through libvips.", "MIT");
    addLoaded("libimagequant", libimagequantVersion(),
              "Chooses the colours of every GIF the app exports, through libvips.", "GPL-3.0-or-later");
    addLoaded("OpenJPEG", calledString("opj_version"), "Reads and writes JPEG 2000, through libvips.", "BSD-2-Clause");
    add("Brotli", brotliVersion(), "Unpacks the compressed EXIF and XMP boxes of JPEG XL files.", "MIT");
    add("LibRaw", QString::fromLatin1(libraw_version()), "Reads the raw files of digital cameras.",
        "LGPL-2.1 or CDDL-1.0");
    add("exiv2", QString::fromStdString(Exiv2::versionString()),
        "Reads and writes EXIF, IPTC and XMP metadata.", "GPL-2.0-or-later");
    addLoaded("librsvg", librsvgVersion(), "Draws SVG documents at whatever size is asked.", "LGPL-2.0-or-later");
    addLoaded("poppler", calledString("poppler_get_version"), "Draws the pages of PDF documents.",
              "GPL-2.0-only or GPL-3.0-only");
    addLoaded("cairo", calledString("cairo_version_string"), "The surface PDF pages and SVG documents are drawn on.",
              "LGPL-2.1-only or MPL-1.1");
    addLoaded("pixman", calledString("pixman_version_string"),
              "Combines the pixels cairo draws PDF pages and SVG documents with.", "MIT");
    addLoaded("FreeType", freeTypeVersion(), "Reads the fonts the text of PDF pages and SVG documents is drawn in.",
              "FTL or GPL-2.0-or-later");
    addLoaded("HarfBuzz", calledString("hb_version_string"),
              "Places the letters of the text in SVG documents, for Pango.",
              "MIT (Old MIT)");
    addLoaded("Pango", calledString("pango_version_string"), "Lays out the text of SVG documents, for librsvg.",
              "LGPL-2.0-or-later and LGPL-2.1-or-later");
    addLoaded("Fontconfig", fontconfigVersion(), "Finds the fonts PDF pages and SVG documents name.", "MIT-style");
    addLoaded("libxml2", libxml2Version(), "Reads SVG documents as XML to check what the metadata cut leaves.",
              "MIT");
    add("ICU", icuVersion(), "Puts text into its canonical Unicode form, so that names compare as people read them.",
        "Unicode licence (ICU)");
    add("Qt", QString::fromLatin1(qVersion()), "Draws the windows and runs the application.", "LGPL-3.0");
    add("GLib", glibVersion(), "The utility library libvips, poppler and the SVG renderer are built on.",
        "LGPL-2.1-or-later");
    addSharing("GObject", glibVersion(), "The object system of libvips, poppler, librsvg and the SVG renderer.",
               "LGPL-2.1-or-later", "GLib");
    // The SVG renderer is a program of its own, so its libraries are not loaded here to ask.
    add("GTK", builtWith(QStringLiteral(PCTV_GTK_VERSION)), "Runs the hidden window the SVG renderer draws in.",
        "LGPL-2.0-or-later");
    add("WebKitGTK", builtWith(QStringLiteral(PCTV_WEBKITGTK_VERSION)),
        "Draws the SVG documents that need a browser: filters, masks, foreign objects and CSS.",
        "LGPL-2.0-or-later and BSD-2-Clause");
    addSharing("JavaScriptCore", builtWith(QStringLiteral(PCTV_JAVASCRIPTCORE_VERSION)),
               "Runs the SVG renderer's own scripts that measure and place a document; a document's scripts never run.",
               "LGPL-2.0-or-later and BSD-2-Clause", "WebKitGTK");
    add("libxcb", builtWith(QStringLiteral(PCTV_XCB_VERSION)),
        "Asks the X server whether a compositing manager runs, so that menus draw their own shadow.", "MIT");
    add("nlohmann-json",
        QStringLiteral("%1.%2.%3 (compiled in)")
            .arg(NLOHMANN_JSON_VERSION_MAJOR)
            .arg(NLOHMANN_JSON_VERSION_MINOR)
            .arg(NLOHMANN_JSON_VERSION_PATCH),
        "Reads and writes the saved settings as JSON.", "MIT");
    return entries;
}

std::optional<QString> readStrictUTF8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    // fromUtf8 would quietly put U+FFFD in place of bad bytes; a damaged licence shows none.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return QString();
    return text;
}

} // namespace

const std::vector<Acknowledgement>& Acknowledgements::all() {
    static const std::vector<Acknowledgement> entries = build();
    return entries;
}

QString Acknowledgements::licenceText(const QString& name) {
    if (const auto text = readStrictUTF8(QStringLiteral(":/Licences/%1.txt").arg(name))) return *text;
    return readStrictUTF8(QStringLiteral(":/%1.txt").arg(name)).value_or(QString());
}

} // namespace pictavo
