#pragma once

namespace platform::types {

// The type identifiers the image reader reports, in the platform's own spelling, so that the
// engine's content types, stored output formats and the reader agree on one string each.
inline constexpr const char* jpeg = "public.jpeg";
inline constexpr const char* png = "public.png";
inline constexpr const char* gif = "com.compuserve.gif";
inline constexpr const char* webp = "org.webmproject.webp";
inline constexpr const char* tiff = "public.tiff";
inline constexpr const char* heic = "public.heic";
// HEIF files named by the container's own extension (.heif, .hif); their content is HEIC.
inline constexpr const char* heif = "public.heif";
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
inline constexpr const char* tga = "com.truevision.tga-image";
// Camera RAW: the generic type, and the makers' own types where a maker is recognised.
inline constexpr const char* cameraRaw = "public.camera-raw-image";
inline constexpr const char* dng = "com.adobe.raw-image";
inline constexpr const char* canonCR2 = "com.canon.cr2-raw-image";
inline constexpr const char* canonCR3 = "com.canon.cr3-raw-image";
inline constexpr const char* canonCRW = "com.canon.crw-raw-image";
inline constexpr const char* nikon = "com.nikon.raw-image";
inline constexpr const char* sony = "com.sony.arw-raw-image";
inline constexpr const char* fuji = "com.fuji.raw-image";
inline constexpr const char* olympus = "com.olympus.or-raw-image";
inline constexpr const char* panasonic = "com.panasonic.rw2-raw-image";
inline constexpr const char* pentax = "com.pentax.raw-image";
inline constexpr const char* samsung = "com.samsung.raw-image";
inline constexpr const char* leica = "com.leica.raw-image";
inline constexpr const char* hasselblad = "com.hasselblad.3fr-raw-image";
inline constexpr const char* phaseOne = "com.phaseone.raw-image";
inline constexpr const char* sigma = "com.sigma.raw-image";
inline constexpr const char* kodak = "com.kodak.raw-image";
inline constexpr const char* minolta = "com.konicaminolta.raw-image";

} // namespace platform::types
