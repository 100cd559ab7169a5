#pragma once

namespace platform::types {

// Every type identifier the program names, in the platform's own spelling, each written once:
// the format table, the reader, the writer and the engine's stored output formats agree on
// these strings. What each type is and does is its row in FormatFacts.cpp.
inline constexpr const char* item = "public.item";
inline constexpr const char* content = "public.content";
inline constexpr const char* data = "public.data";
inline constexpr const char* compositeContent = "public.composite-content";
inline constexpr const char* image = "public.image";
inline constexpr const char* jpeg = "public.jpeg";
inline constexpr const char* png = "public.png";
inline constexpr const char* gif = "com.compuserve.gif";
inline constexpr const char* webp = "org.webmproject.webp";
inline constexpr const char* tiff = "public.tiff";
// The HEIF family's common parent; AVIF is one of its members.
inline constexpr const char* heifStandard = "public.heif-standard";
inline constexpr const char* heic = "public.heic";
// HEIF files named by the container's own extension (.heif, .hif); their content is HEIC.
inline constexpr const char* heif = "public.heif";
inline constexpr const char* heics = "public.heics";
inline constexpr const char* avif = "public.avif";
inline constexpr const char* jpeg2000 = "public.jpeg-2000";
inline constexpr const char* jpegXL = "public.jpeg-xl";
// Netpbm: bitmaps (P1, P4), greymaps (P2, P5), pixmaps (P3, P6) and float maps (Pf, PF).
inline constexpr const char* pbm = "public.pbm";
inline constexpr const char* pgm = "public.pgm";
inline constexpr const char* ppm = "public.ppm";
inline constexpr const char* pnm = "public.pnm";
inline constexpr const char* radiance = "public.radiance";
inline constexpr const char* openEXR = "com.ilm.openexr-image";
inline constexpr const char* bmp = "com.microsoft.bmp";
inline constexpr const char* ico = "com.microsoft.ico";
inline constexpr const char* icns = "com.apple.icns";
inline constexpr const char* psd = "com.adobe.photoshop-image";
inline constexpr const char* tga = "com.truevision.tga-image";
inline constexpr const char* svg = "public.svg-image";
inline constexpr const char* pdf = "com.adobe.pdf";
// Camera RAW: the generic type, and the makers' own types where a maker is recognised.
inline constexpr const char* cameraRaw = "public.camera-raw-image";
inline constexpr const char* dng = "com.adobe.raw-image";
inline constexpr const char* canonCR2 = "com.canon.cr2-raw-image";
inline constexpr const char* canonCR3 = "com.canon.cr3-raw-image";
inline constexpr const char* canonCRW = "com.canon.crw-raw-image";
inline constexpr const char* nikon = "com.nikon.raw-image";
inline constexpr const char* nikonNRW = "com.nikon.nrw-raw-image";
inline constexpr const char* sony = "com.sony.arw-raw-image";
inline constexpr const char* sonySR2 = "com.sony.sr2-raw-image";
inline constexpr const char* sonySRF = "com.sony.srf-raw-image";
inline constexpr const char* fuji = "com.fuji.raw-image";
inline constexpr const char* olympus = "com.olympus.or-raw-image";
inline constexpr const char* panasonic = "com.panasonic.rw2-raw-image";
inline constexpr const char* panasonicRaw = "com.panasonic.raw-image";
inline constexpr const char* pentax = "com.pentax.raw-image";
inline constexpr const char* samsung = "com.samsung.raw-image";
inline constexpr const char* leica = "com.leica.raw-image";
inline constexpr const char* hasselblad = "com.hasselblad.3fr-raw-image";
inline constexpr const char* phaseOne = "com.phaseone.raw-image";
inline constexpr const char* sigma = "com.sigma.raw-image";
inline constexpr const char* epson = "com.epson.raw-image";
inline constexpr const char* kodak = "com.kodak.raw-image";
inline constexpr const char* minolta = "com.konicaminolta.raw-image";

} // namespace platform::types
