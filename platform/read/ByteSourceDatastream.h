#pragma once
#include "platform/base/ByteSource.h"

#include <cstdint>
#include <memory>

class LibRaw_abstract_datastream;

namespace platform {

// A file libraw reads through a ByteSource, `length` bytes long: only what it asks for is
// read, a window at a time, so that a camera's header is parsed without reading the file whole.
// One thread at a time reads it, as libraw does.
std::unique_ptr<LibRaw_abstract_datastream> byteSourceDatastream(ByteSource source, std::uint64_t length);

// The length of what a source holds, found by asking for single bytes.
std::uint64_t byteSourceLength(const ByteSource& source);

} // namespace platform
