#pragma once

#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "support/FolderVariable.h"
#include "support/TemporaryFolder.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace support {

// A test of the real window on an X server: settings, data and caches of its own in a
// temporary folder, so that nothing a user keeps is read or written, and an engine to hand the
// application.
class OnScreenTest : public testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display: tools/test runs these tests under xvfb-run";
        }
    }

    testing_support::TemporaryFolder root;
    FolderVariable config{"XDG_CONFIG_HOME", root.path() / "config"};
    FolderVariable runtime{"XDG_RUNTIME_DIR", root.path() / "runtime"};
    FolderVariable data{"XDG_DATA_HOME", root.path() / "data"};
    FolderVariable cache{"XDG_CACHE_HOME", root.path() / "cache"};
    const pictavo::ConversionEngine engine{pictavo::DecoderRegistry::standard(), pictavo::EncoderRegistry::standard(),
                                           pictavo::SourceOptimiserRegistry::standard()};
};

} // namespace support
