#include "platform/vector/FreeTypeFaces.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <ft2build.h>
#include <mutex>
#include FT_FREETYPE_H

namespace platform {
namespace {

// Recursive, as a FreeType built to call its own exported functions through the dynamic
// linker comes back here from inside a call.
std::recursive_mutex& faceLock() {
    static std::recursive_mutex lock;
    return lock;
}

// FreeType's own function of that name, the next definition after this program's.
template <typename Function> Function* freeType(const char* name) {
    auto* found = reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
    if (!found) {
        std::fprintf(stderr, "FreeType's %s is not loaded\n", name);
        std::abort();
    }
    return found;
}

} // namespace

bool freeTypeFacesOpenOneAtATime() {
    return dlsym(RTLD_DEFAULT, "FT_Open_Face") == reinterpret_cast<void*>(&FT_Open_Face) &&
           dlsym(RTLD_DEFAULT, "FT_New_Face") == reinterpret_cast<void*>(&FT_New_Face) &&
           dlsym(RTLD_DEFAULT, "FT_New_Memory_Face") == reinterpret_cast<void*>(&FT_New_Memory_Face) &&
           dlsym(RTLD_DEFAULT, "FT_Reference_Face") == reinterpret_cast<void*>(&FT_Reference_Face) &&
           dlsym(RTLD_DEFAULT, "FT_Done_Face") == reinterpret_cast<void*>(&FT_Done_Face);
}

} // namespace platform

// The library's list of faces changes only in these; a face's own count of references, which
// FT_Reference_Face and FT_Done_Face share, is no atomic either.
extern "C" {

FT_Error FT_Open_Face(FT_Library library, const FT_Open_Args* arguments, FT_Long index, FT_Face* face) {
    static auto* const open = platform::freeType<decltype(FT_Open_Face)>("FT_Open_Face");
    const std::scoped_lock lock(platform::faceLock());
    return open(library, arguments, index, face);
}

FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long index, FT_Face* face) {
    static auto* const open = platform::freeType<decltype(FT_New_Face)>("FT_New_Face");
    const std::scoped_lock lock(platform::faceLock());
    return open(library, path, index, face);
}

FT_Error FT_New_Memory_Face(FT_Library library, const FT_Byte* bytes, FT_Long size, FT_Long index, FT_Face* face) {
    static auto* const open = platform::freeType<decltype(FT_New_Memory_Face)>("FT_New_Memory_Face");
    const std::scoped_lock lock(platform::faceLock());
    return open(library, bytes, size, index, face);
}

FT_Error FT_Reference_Face(FT_Face face) {
    static auto* const reference = platform::freeType<decltype(FT_Reference_Face)>("FT_Reference_Face");
    const std::scoped_lock lock(platform::faceLock());
    return reference(face);
}

FT_Error FT_Done_Face(FT_Face face) {
    static auto* const done = platform::freeType<decltype(FT_Done_Face)>("FT_Done_Face");
    const std::scoped_lock lock(platform::faceLock());
    return done(face);
}

} // extern "C"
