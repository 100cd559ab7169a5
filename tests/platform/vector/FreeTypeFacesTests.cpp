#include "platform/vector/FreeTypeFaces.h"
#include "support/TemporaryFolder.h"

#include <dlfcn.h>
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// How poppler and cairo reach FreeType: through the dynamic linker.
template <typename Function> Function* linked(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
}

// Poppler's cairo renderer does this with every embedded font, one library for all documents.
TEST(FreeTypeFaces, ThreadsSharingOneLibraryOpenAndCloseFacesWithoutLosingOne) {
    ASSERT_TRUE(platform::freeTypeFacesOpenOneAtATime());
    const std::filesystem::path fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(fontFile)) GTEST_SKIP() << "fonts-dejavu-core is needed";
    const auto font = readFile(fontFile);
    auto* const open = linked<decltype(FT_New_Memory_Face)>("FT_New_Memory_Face");
    auto* const reference = linked<decltype(FT_Reference_Face)>("FT_Reference_Face");
    auto* const done = linked<decltype(FT_Done_Face)>("FT_Done_Face");

    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    // Unguarded, a few dozen rounds on eight threads lose faces from the library's list or
    // free one twice.
    for (int thread = 0; thread < 8; ++thread)
        threads.emplace_back([&] {
            for (int round = 0; round < 60; ++round) {
                FT_Face face = nullptr;
                if (open(library, font.data(), static_cast<FT_Long>(font.size()), 0, &face) != 0 || face->num_glyphs < 1) {
                    ++failures;
                    continue;
                }
                if (reference(face) != 0 || done(face) != 0 || done(face) != 0) ++failures;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    // Frees what is still on the list: a face lost from it is a leak the sanitizer reports.
    EXPECT_EQ(FT_Done_FreeType(library), 0);
}

} // namespace
