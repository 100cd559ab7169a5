#pragma once

namespace pictavo::identity {

// The reverse-DNS name the desktop knows the application by: its .desktop file, its icon,
// its window class and its single-instance socket.
inline constexpr char applicationId[] = "com.brackwen.pictavobyfenwid";
// These two decide where QSettings and the private folders live.
inline constexpr char organisationName[] = "Fenwid";
inline constexpr char applicationName[] = "Pictavo";
inline constexpr char displayName[] = "Pictavo by Fenwid";

} // namespace pictavo::identity
