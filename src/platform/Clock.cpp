#include "platform/Clock.h"

#include <cstdlib>
#include <ctime>

namespace morvanex::platform {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

void FixTimeZone() {
    setenv("TZ", "JST-9", 1);
    tzset();
}

LocalTime ToLocalTime(Timestamp time) {
    const std::int64_t local = time + kUtcOffsetSeconds;
    const std::int64_t days = FloorDiv(local, 86400);
    const std::int64_t secondOfDay = local - days * 86400;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    LocalTime result;
    result.year = static_cast<int>(year);
    result.month = static_cast<int>(month);
    result.day = static_cast<int>(day);
    result.weekday = static_cast<int>(FloorDiv(days + 4, 7) * -7 + days + 4);
    result.hour = static_cast<int>(secondOfDay / 3600);
    result.minute = static_cast<int>(secondOfDay / 60 % 60);
    result.second = static_cast<int>(secondOfDay % 60);
    return result;
}

Timestamp FromLocalTime(const LocalTime& local) {
    // Months outside 1..12 carry into the year, like mktime.
    std::int64_t year = local.year;
    std::int64_t month0 = local.month - 1;
    year += FloorDiv(month0, 12);
    month0 -= FloorDiv(month0, 12) * 12;
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month0 + 1), 1) + local.day - 1;
    return days * 86400 + local.hour * 3600LL + local.minute * 60LL + local.second -
           kUtcOffsetSeconds;
}

bool IsValidLocalTime(const LocalTime& local) {
    return local.year >= 1 && local.year <= 9999 && local.month >= 1 && local.month <= 12 &&
           local.day >= 1 && local.day <= DaysInMonth(local.year, local.month) && local.hour >= 0 &&
           local.hour <= 23 && local.minute >= 0 && local.minute <= 59 && local.second >= 0 &&
           local.second <= 59;
}

Timestamp SystemClock::Now() const {
    return static_cast<Timestamp>(std::time(nullptr));
}

}  // namespace morvanex::platform
