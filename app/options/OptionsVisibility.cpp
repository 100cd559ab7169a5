#include "app/options/OptionsVisibility.h"

namespace pictavo::OptionsVisibility {

bool showsCompression(const OutputFormat& format) { return format.supportsQuality(); }

bool showsBackground(const OutputFormat& format) { return !format.supportsAlpha(); }

} // namespace pictavo::OptionsVisibility
