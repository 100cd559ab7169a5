#pragma once
#include "platform/text/JSONCoding.h"
#include "support/Thrown.h"

#include <string>

namespace engine_testing {

// A model value read back from stored JSON text.
template <typename Value>
Value decoded(const std::string& text) {
    const platform::json::Value document = platform::json::parse(text);
    return Value::decode(platform::json::Reader(document));
}

// The error that `read` refuses its input with; a failure of the test when it refuses nothing.
template <typename Read>
platform::json::DecodingError decodingFailure(Read&& read) {
    return testing_support::thrown<platform::json::DecodingError>(std::forward<Read>(read))
        .value_or(platform::json::DecodingError(platform::json::DecodingError::Kind::dataCorrupted, {}, ""));
}

} // namespace engine_testing
