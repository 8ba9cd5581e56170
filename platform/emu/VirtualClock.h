// The device's virtual clock: milliseconds since boot, and the wall-clock date the device booted at.
// Nothing here reads the host clock; time moves only when the device's driver advances it.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace emu {

// Milliseconds since 1601-01-01 00:00:00, the epoch of FILETIME.
using WallMs = std::int64_t;

class VirtualClock {
public:
    explicit VirtualClock(WallMs bootTime, std::int32_t localBiasMinutes = 0);

    std::uint64_t now() const { return m_tick; }
    void advanceTo(std::uint64_t tick);

    WallMs systemNow() const { return m_bootTime + static_cast<WallMs>(m_tick); }
    WallMs localNow() const { return systemNow() + localBias(); }
    WallMs localBias() const { return static_cast<WallMs>(m_localBiasMinutes) * 60000; }

private:
    std::uint64_t m_tick { 0 };
    WallMs m_bootTime;
    std::int32_t m_localBiasMinutes;
};

WallMs wallFromSystemTime(const SYSTEMTIME&);
SYSTEMTIME systemTimeFromWall(WallMs);
FILETIME fileTimeFromWall(WallMs);
WallMs wallFromFileTime(const FILETIME&);
// Unix seconds and back, for the host files' modification times.
std::int64_t unixSecondsFromWall(WallMs);
WallMs wallFromUnixSeconds(std::int64_t seconds, std::int64_t nanoseconds);

// A host file time to the FILETIME's own 100 ns, and back.
struct UnixTime {
    std::int64_t seconds;
    std::int64_t nanoseconds;
};
FILETIME fileTimeFromUnix(UnixTime);
UnixTime unixTimeFromFileTime(const FILETIME&);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS"; nullopt when the text is no valid date and time.
std::optional<WallMs> parseDateTime(const std::string&);
std::string formatDateTime(WallMs);

}
