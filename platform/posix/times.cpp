// File times for the Linux platform layer. A FILETIME counts 100-nanosecond
// intervals since 1601-01-01; local time is the process's time zone.
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

#include "platform/posix/posix_internal.h"


namespace {

constexpr std::int64_t SecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t TicksPerSecond = 10000000;

std::int64_t TicksOf(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME FromTicks(std::int64_t ticks) {
    const auto value = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

// Converts between Unix seconds "as if UTC" and the real UTC instant of that
// wall-clock time in the local zone, with the zone's rule for that date.
bool LocalWallClockToUtc(std::int64_t wallSeconds, std::int64_t& utcSeconds) {
    const std::time_t wall = static_cast<std::time_t>(wallSeconds);
    std::tm parts{};
    if (gmtime_r(&wall, &parts) == nullptr) return false;
    parts.tm_isdst = -1;
    const std::time_t utc = mktime(&parts);
    if (utc == static_cast<std::time_t>(-1)) return false;
    utcSeconds = utc;
    return true;
}

}  // namespace

BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, LPFILETIME fileTime) {
    const unsigned year = 1980 + (fatDate >> 9);
    const unsigned month = (fatDate >> 5) & 15;
    const unsigned day = fatDate & 31;
    const unsigned hour = fatTime >> 11;
    const unsigned minute = (fatTime >> 5) & 63;
    const unsigned second = (fatTime & 31) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    *fileTime = FromTicks((seconds + SecondsFrom1601To1970) * TicksPerSecond);
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime) {
    const std::int64_t seconds = TicksOf(*fileTime) / TicksPerSecond - SecondsFrom1601To1970;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (gmtime_r(&t, &parts) == nullptr || parts.tm_year < 80 || parts.tm_year > 207) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fatDate = static_cast<WORD>(((parts.tm_year - 80) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
    *fatTime = static_cast<WORD>((parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    const std::int64_t ticks = TicksOf(*localFileTime);
    const std::int64_t wall = ticks / TicksPerSecond - SecondsFrom1601To1970;
    std::int64_t utc;
    if (!LocalWallClockToUtc(wall, utc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = FromTicks((utc + SecondsFrom1601To1970) * TicksPerSecond + ticks % TicksPerSecond);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    const std::int64_t ticks = TicksOf(*fileTime);
    const std::time_t utc = static_cast<std::time_t>(ticks / TicksPerSecond - SecondsFrom1601To1970);
    std::tm parts{};
    if (localtime_r(&utc, &parts) == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t wall = static_cast<std::int64_t>(utc) + parts.tm_gmtoff;
    *localFileTime = FromTicks((wall + SecondsFrom1601To1970) * TicksPerSecond + ticks % TicksPerSecond);
    return TRUE;
}

namespace {

struct timespec ToTimespec(const FILETIME* t) {
    struct timespec result;
    if (t == nullptr) {
        result.tv_sec = 0;
        result.tv_nsec = UTIME_OMIT;
        return result;
    }
    const std::int64_t ticks = TicksOf(*t);
    result.tv_sec = static_cast<time_t>(ticks / TicksPerSecond - SecondsFrom1601To1970);
    result.tv_nsec = static_cast<long>(ticks % TicksPerSecond) * 100;
    return result;
}

}  // namespace

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    // POSIX keeps no creation time; access and modification times are set.
    const int fd = FileDescriptorOf(file);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const struct timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    if (futimens(fd, times) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite) {
    const int fd = FileDescriptorOf(file);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto convert = [](const struct timespec& t) {
        return FromTicks((static_cast<std::int64_t>(t.tv_sec) + SecondsFrom1601To1970) * TicksPerSecond +
                         t.tv_nsec / 100);
    };
    if (creation) *creation = convert(info.st_ctim);
    if (lastAccess) *lastAccess = convert(info.st_atim);
    if (lastWrite) *lastWrite = convert(info.st_mtim);
    return TRUE;
}
