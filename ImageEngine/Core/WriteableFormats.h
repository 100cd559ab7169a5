#pragma once
#include "ImageEngine/Core/OutputFormat.h"

#include <string>
#include <unordered_set>
#include <vector>

// The one place where output formats meet what this machine can actually write: the
// standard encoder and source-optimiser registries, the platform image writer and the
// compression probe. OutputFormat's imageIOWriteable, writeable, commonlyWanted and
// probedCompressions are defined in WriteableFormats.cpp and nowhere else.
//
// Each is computed once, at first use. Building a registry must therefore never read
// `OutputFormat::writeable` (or `commonlyWanted`): that would re-enter its own one-time
// initialisation.
namespace pictavo {

// Every format an encoder is registered for, plus every format whose source optimiser
// honours both metadata policies (a format only re-optimised from its bytes is writeable
// only when it can keep and strip metadata alike).
std::unordered_set<std::string> writeableIdentifiers(const std::vector<OutputFormat>& encoderFormats,
                                                     const std::vector<OutputFormat>& optimisedKeepingAll,
                                                     const std::vector<OutputFormat>& optimisedStripping);

// HEIC, JPEG, PNG, WebP, AVIF and TIFF, in that order, keeping those in the set.
std::vector<OutputFormat> commonlyWantedAmong(const std::unordered_set<std::string>& writeable);

} // namespace pictavo
