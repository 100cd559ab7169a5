#pragma once
#include "ImageEngine/Model/OutputFormat.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// What the platform image writer writes, and how each of its formats compresses. Each answer
// is computed once, at first use, and never changes afterwards.
namespace pictavo::ImageIOFormats {

// Every format the writer lists, in its own order; identifiers without a type are dropped.
const std::vector<OutputFormat>& writeable();

// The compression probe's answers for every listed format that the fixed tables leave open;
// a format whose probe gave no answer has no entry.
const std::unordered_map<std::string, OutputFormat::Compression>& probedCompressions();

// The fixed tables' answer, else the probe's, else none.
std::optional<OutputFormat::Compression> compression(const OutputFormat& format);

} // namespace pictavo::ImageIOFormats
