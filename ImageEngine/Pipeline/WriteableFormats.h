#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <string>
#include <unordered_set>
#include <vector>

// The lists the window offers of what this machine can write: the engine answers which
// formats (ConversionEngine::writableIdentifiers), and the compression probe how each one
// compresses.
namespace pictavo::WriteableFormats {

// The second line of the format's menu entry, such as "Lossy, transparency".
std::string summary(const OutputFormat& format);

// Every format an encoder is registered for, plus every format whose source optimiser
// honours both metadata policies (a format only re-optimised from its bytes is writeable
// only when it can keep and strip metadata alike).
std::unordered_set<std::string> writeableIdentifiers(const std::vector<OutputFormat>& encoderFormats,
                                                     const std::vector<OutputFormat>& optimisedKeepingAll,
                                                     const std::vector<OutputFormat>& optimisedStripping);

// HEIC, JPEG, PNG, WebP, AVIF and TIFF, in that order, keeping those in the set: the short
// list the format menu offers directly.
std::vector<OutputFormat> commonlyWantedAmong(const std::unordered_set<std::string>& writeable);

} // namespace pictavo::WriteableFormats
