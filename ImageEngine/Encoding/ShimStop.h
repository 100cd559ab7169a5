#pragma once
#include <cstdint>
#include <stop_token>

namespace pictavo {

// Handed to a shim with the job's stop token as its context, so that an encode asked to stop
// ends between rows or passes instead of running to its end for a result nobody wants.
inline std::int32_t shimStopAsked(void* stop) {
    return static_cast<const std::stop_token*>(stop)->stop_requested() ? 1 : 0;
}

} // namespace pictavo
