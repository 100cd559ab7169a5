#pragma once
#include "platform/text/TextFormat.h"

#include <gtest/gtest.h>

namespace testing_support {

// For tests whose texts are English: the number marks are pinned to "," and "." whatever
// the machine's locale, and put back afterwards.
class EnglishNumbers : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::numberSeparators();
        platform::setNumberSeparators({",", "."});
    }
    void TearDown() override { platform::setNumberSeparators(saved_); }

private:
    platform::NumberSeparators saved_;
};

} // namespace testing_support
