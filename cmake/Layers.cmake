# The layers from the bottom up. A source file may include headers of its own wing and of the
# wings listed before it, never of one listed after it. The build runs cmake/CheckLayers.cmake
# over the tree and fails on an upward include or on a source folder missing from this list.
set(PICTAVO_LAYERS
  shims
  platform/base platform/text platform/files platform/types platform/colour platform/pixels
  platform/metadata platform/vips platform/read platform/write platform/vector
  ImageEngine/Model ImageEngine/Running ImageEngine/Decoding ImageEngine/Stages ImageEngine/Minify
  ImageEngine/Encoding ImageEngine/Pipeline
  app/desktop app/settings app/export app/batch app/design app/options app/preferences app/shell app/main.cpp
  helpers)
