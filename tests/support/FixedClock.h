#pragma once

#include "platform/Clock.h"

namespace morvanex::test {

// A moment of the program's local time, field by field.
inline platform::LocalTime Local(int year, int month, int day, int hour = 0, int minute = 0,
                                 int second = 0) {
    platform::LocalTime local;
    local.year = year;
    local.month = month;
    local.day = day;
    local.hour = hour;
    local.minute = minute;
    local.second = second;
    return local;
}

inline platform::Timestamp At(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0) {
    return platform::FromLocalTime(Local(year, month, day, hour, minute, second));
}

class FixedClock final : public platform::Clock {
  public:
    explicit FixedClock(platform::Timestamp now) : m_now(now) {}
    platform::Timestamp Now() const override { return m_now; }
    void Set(platform::Timestamp now) { m_now = now; }

  private:
    platform::Timestamp m_now;
};

}  // namespace morvanex::test
