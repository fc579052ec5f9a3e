#pragma once

#include <cstdint>

namespace quarlo::platform {

// A moment in milliseconds since 1970-01-01 00:00, moved between UTC and the
// local clock with the offset in force at that moment, as the system's time
// zone gives it: saves keep their times in one or the other.
std::int64_t utcToLocalMs(std::int64_t utcMs);
std::int64_t localToUtcMs(std::int64_t localMs);

}  // namespace quarlo::platform
