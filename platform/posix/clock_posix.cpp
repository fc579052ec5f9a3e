#include <time.h>

#include "platform/clock.h"

namespace quarlo::platform {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::int64_t utcToLocalMs(std::int64_t utcMs) {
    const time_t seconds = static_cast<time_t>(floorDiv(utcMs, 1000));
    struct tm local {};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return utcMs;
    }
    return utcMs + static_cast<std::int64_t>(local.tm_gmtoff) * 1000;
}

std::int64_t localToUtcMs(std::int64_t localMs) {
    const std::int64_t seconds = floorDiv(localMs, 1000);
    struct tm fields {};
    const time_t asUtc = static_cast<time_t>(seconds);
    if (::gmtime_r(&asUtc, &fields) == nullptr) {
        return localMs;
    }
    fields.tm_isdst = -1;  // as the time zone has it on that day
    const time_t utc = ::mktime(&fields);
    if (utc == static_cast<time_t>(-1)) {
        return localMs;
    }
    return static_cast<std::int64_t>(utc) * 1000 + (localMs - seconds * 1000);
}

}  // namespace quarlo::platform
