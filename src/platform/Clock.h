#pragma once

#include <cstdint>

// Time as the program uses it: whole seconds since the epoch, broken down in the process time
// zone, which is fixed to UTC+9 without daylight saving for every executable and test.
namespace morvanex::platform {

using Timestamp = std::int64_t;

inline constexpr int kUtcOffsetSeconds = 9 * 3600;

// Calendar date and time of day in local time, in the field order of the settings' fixed times.
struct LocalTime {
    int year = 1970;
    int month = 1;    // 1..12
    int weekday = 4;  // 0 = Sunday .. 6 = Saturday
    int day = 1;      // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// Puts "TZ=JST-9" into the environment and re-reads it; called first by every main().
void FixTimeZone();

LocalTime ToLocalTime(Timestamp time);
// The weekday and millisecond fields are ignored; out-of-range fields are normalised.
Timestamp FromLocalTime(const LocalTime& local);
// True when year, month, day, hour, minute and second form a real moment (1..9999).
bool IsValidLocalTime(const LocalTime& local);

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Timestamp Now() const = 0;
};

class SystemClock final : public Clock {
  public:
    Timestamp Now() const override;
};

}  // namespace morvanex::platform
