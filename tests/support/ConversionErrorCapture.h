#pragma once
#include "ImageEngine/Core/ConversionError.h"

#include <functional>
#include <gtest/gtest.h>

namespace testing_support {

// The ConversionError that `run` throws; a failure of the current test when it throws none.
inline pictavo::ConversionError thrownBy(const std::function<void()>& run) {
    try {
        run();
    } catch (const pictavo::ConversionError& error) {
        return error;
    }
    ADD_FAILURE() << "no ConversionError thrown";
    return pictavo::ConversionError::decodeFailed("");
}

} // namespace testing_support
