#pragma once
#include "ImageEngine/Model/ConversionError.h"
#include "support/Thrown.h"

#include <functional>

namespace testing_support {

// The ConversionError that `run` throws; a failure of the current test when it throws none.
inline pictavo::ConversionError thrownBy(const std::function<void()>& run) {
    return thrown<pictavo::ConversionError>(run).value_or(pictavo::ConversionError::decodeFailed(""));
}

} // namespace testing_support
