#pragma once

#include "platform/Clock.h"

namespace morvanex::test {

class FixedClock final : public platform::Clock {
public:
    explicit FixedClock(platform::Timestamp now) : m_now(now) {}
    platform::Timestamp Now() const override { return m_now; }
    void Set(platform::Timestamp now) { m_now = now; }

private:
    platform::Timestamp m_now;
};

}  // namespace morvanex::test
