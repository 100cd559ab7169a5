#include "platform/vips/VipsRuntime.h"

#include <mutex>
#include <vips/vips.h>

namespace platform {
namespace {

void ignoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

bool startVips() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        // Damaged files make libvips log warnings on standard error; failures are carried
        // as values instead.
        g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), ignoreLog,
                          nullptr);
        if (vips_init("pictavo") != 0) {
            vips_error_clear();
            return;
        }
        vips_cache_set_max(0);
        vips_concurrency_set(1);
        // Only the loaders this program trusts with user files: ImageMagick, OpenSlide,
        // matrix, FITS, MAT and the PDF and SVG loaders are never reached from here.
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* trusted : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadNsgif",
                                    "VipsForeignLoadWebp", "VipsForeignLoadTiff", "VipsForeignLoadHeif",
                                    "VipsForeignLoadJp2k", "VipsForeignLoadJxl", "VipsForeignLoadPpm",
                                    "VipsForeignLoadRad", "VipsForeignLoadOpenexr"})
            vips_operation_block_set(trusted, FALSE);
        started = true;
    });
    return started;
}

} // namespace platform
