#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace quarlo::platform {

namespace {

constexpr std::int64_t kMsFrom1601To1970 = 11644473600000LL;

SYSTEMTIME fromMs(std::int64_t ms) {
    const auto ticks = static_cast<ULONGLONG>((ms + kMsFrom1601To1970) * 10000);
    FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

std::int64_t toMs(const SYSTEMTIME& st, std::int64_t otherwise) {
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) {
        return otherwise;
    }
    const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000) - kMsFrom1601To1970;
}

}  // namespace

std::int64_t utcToLocalMs(std::int64_t utcMs) {
    const SYSTEMTIME utc = fromMs(utcMs);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return utcMs;
    }
    return toMs(local, utcMs);
}

std::int64_t localToUtcMs(std::int64_t localMs) {
    const SYSTEMTIME local = fromMs(localMs);
    SYSTEMTIME utc{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) {
        return localMs;
    }
    return toMs(utc, localMs);
}

}  // namespace quarlo::platform
