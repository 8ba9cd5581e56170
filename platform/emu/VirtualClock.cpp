#include "platform/emu/VirtualClock.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace emu {

namespace {

constexpr std::int64_t msPerDay = 86'400'000;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t daysFrom1601To1970 = 134'774;

std::int64_t daysSince1601(int year, unsigned month, unsigned day)
{
    using namespace std::chrono;
    const sys_days date = std::chrono::year { year } / std::chrono::month { month } / std::chrono::day { day };
    return date.time_since_epoch().count() + daysFrom1601To1970;
}

}

VirtualClock::VirtualClock(WallMs bootTime, std::int32_t localBiasMinutes)
    : m_bootTime(bootTime)
    , m_localBiasMinutes(localBiasMinutes)
{
}

void VirtualClock::advanceTo(std::uint64_t tick)
{
    if (tick < m_tick)
        throw std::logic_error("virtual clock cannot go back");
    m_tick = tick;
}

WallMs wallFromSystemTime(const SYSTEMTIME& time)
{
    const std::int64_t days = daysSince1601(time.wYear, time.wMonth, time.wDay);
    return days * msPerDay + ((time.wHour * 60 + time.wMinute) * 60 + time.wSecond) * 1000LL + time.wMilliseconds;
}

SYSTEMTIME systemTimeFromWall(WallMs wall)
{
    using namespace std::chrono;
    const std::int64_t days = wall / msPerDay;
    std::int64_t rest = wall % msPerDay;
    const sys_days date { std::chrono::days { days - daysFrom1601To1970 } };
    const year_month_day ymd { date };
    const weekday dayOfWeek { date };
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(static_cast<int>(ymd.year()));
    time.wMonth = static_cast<WORD>(static_cast<unsigned>(ymd.month()));
    time.wDay = static_cast<WORD>(static_cast<unsigned>(ymd.day()));
    time.wDayOfWeek = static_cast<WORD>(dayOfWeek.c_encoding());
    time.wMilliseconds = static_cast<WORD>(rest % 1000);
    rest /= 1000;
    time.wSecond = static_cast<WORD>(rest % 60);
    rest /= 60;
    time.wMinute = static_cast<WORD>(rest % 60);
    time.wHour = static_cast<WORD>(rest / 60);
    return time;
}

FILETIME fileTimeFromWall(WallMs wall)
{
    const auto ticks = static_cast<std::uint64_t>(wall) * 10'000;
    return FILETIME { static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32) };
}

WallMs wallFromFileTime(const FILETIME& fileTime)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    return static_cast<WallMs>(ticks / 10'000);
}

std::int64_t unixSecondsFromWall(WallMs wall)
{
    return (wall - daysFrom1601To1970 * msPerDay) / 1000;
}

WallMs wallFromUnixSeconds(std::int64_t seconds, std::int64_t nanoseconds)
{
    return daysFrom1601To1970 * msPerDay + seconds * 1000 + nanoseconds / 1'000'000;
}

FILETIME fileTimeFromUnix(UnixTime time)
{
    const std::int64_t ticks = (daysFrom1601To1970 * msPerDay + time.seconds * 1000) * 10'000 + time.nanoseconds / 100;
    const auto bits = static_cast<std::uint64_t>(ticks);
    return FILETIME { static_cast<DWORD>(bits & 0xFFFFFFFF), static_cast<DWORD>(bits >> 32) };
}

UnixTime unixTimeFromFileTime(const FILETIME& fileTime)
{
    const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime);
    const std::int64_t sinceUnixEpoch = ticks - daysFrom1601To1970 * msPerDay * 10'000;
    const std::int64_t seconds = sinceUnixEpoch >= 0 ? sinceUnixEpoch / 10'000'000 : -((-sinceUnixEpoch + 9'999'999) / 10'000'000);
    return UnixTime { seconds, (sinceUnixEpoch - seconds * 10'000'000) * 100 };
}

std::optional<WallMs> parseDateTime(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail);
    if (fields != 5 && fields != 6)
        return std::nullopt;
    const std::chrono::year_month_day date { std::chrono::year { year } / month / day };
    if (!date.ok() || year < 1601 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    return wallFromSystemTime(time);
}

std::string formatDateTime(WallMs wall)
{
    const SYSTEMTIME t = systemTimeFromWall(wall);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

}
