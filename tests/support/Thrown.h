#pragma once
#include <gtest/gtest.h>

#include <optional>

namespace testing_support {

// The error of type Error that `run` throws; nothing, and a failure of the current test,
// when it throws none.
template <typename Error, typename Run>
std::optional<Error> thrown(Run&& run) {
    try {
        run();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error thrown";
    return std::nullopt;
}

} // namespace testing_support
