// A clock that moves only when told to: time for tests and for replays.
#pragma once

#include "Ports.h"

#include <cstdint>

namespace okulon {

class ManualClock : public IClock {
public:
    explicit ManualClock(std::uint32_t start = 0)
        : now_(start)
    {
    }

    std::uint32_t TickCount() override { return now_; }
    // Advances the clock by ms: waiting takes no real time.
    void Sleep(std::uint32_t ms) override { Advance(ms); }

    // Moves the clock forward; the tick count wraps around like a real one.
    void Advance(std::uint32_t ms) { now_ += ms; }
    void Set(std::uint32_t tick) { now_ = tick; }
    std::uint32_t Now() const { return now_; }

private:
    std::uint32_t now_;
};

} // namespace okulon
