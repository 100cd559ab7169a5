#pragma once
#include "ImageEngine/Model/OutputFormat.h"

// Which sections of the options panel a format calls for. "Same as source" may turn out lossy
// and may keep transparency, so it shows compression and hides the background.
namespace pictavo::OptionsVisibility {

bool showsCompression(const OutputFormat& format);
bool showsBackground(const OutputFormat& format);

} // namespace pictavo::OptionsVisibility
