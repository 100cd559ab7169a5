# Which library a system header belongs to, for the layering check: "regex of the included
# name=the library a wing must name to include it". Qt's Core, Gui and Widgets headers are not
# here: the compiler finds them only through a wing that links the module.
set(PICTAVO_LIBRARY_HEADERS
  "^vips/=PkgConfig::VIPS"
  "^lcms2(_plugin)?\\.h$=PkgConfig::LCMS2"
  "^libheif/=PkgConfig::HEIF"
  "^exiv2/=PkgConfig::EXIV2"
  "^unicode/=PkgConfig::ICU"
  "^nlohmann/=nlohmann_json::nlohmann_json"
  "^libraw/=PkgConfig::RAW"
  "^webp/=PkgConfig::WEBP"
  "^libxml/=PkgConfig::LIBXML2"
  "^librsvg/=PkgConfig::RSVG"
  "^cairo(-[a-z]+)?\\.h$=PkgConfig::CAIRO"
  "^poppler\\.h$=PkgConfig::POPPLER"
  "^zlib\\.h$=PkgConfig::ZLIB"
  "^(jpeglib|jerror|jconfig|jmorecfg)\\.h$=PkgConfig::JPEG"
  "^libdeflate\\.h$=PkgConfig::DEFLATE"
  "^png\\.h$=PkgConfig::PNG"
  "^tiff(io)?\\.h$=PkgConfig::TIFF"
  "^openjpeg\\.h$=PkgConfig::OPENJP2"
  "^gif_lib\\.h$=GIF_LIBRARY"
  "^(webkit2|gtk|gdk|JavaScriptCore)/=PkgConfig::WEBKITGTK"
  "^glib-unix\\.h$=PkgConfig::WEBKITGTK"
  "^pthread\\.h$=Threads::Threads"
  "^(QtDBus|QDBus)=Qt6::DBus"
  "^(QtNetwork|QNetwork|QLocalServer|QLocalSocket|QHostAddress|QTcp|QSsl)=Qt6::Network"
  "^(QtConcurrent|QFuture)=Qt6::Concurrent")
