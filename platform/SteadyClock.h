// The real millisecond clock: a monotonic counter that no change of the
// system time can move backwards.
#pragma once

#include "Ports.h"

#include <chrono>
#include <cstdint>

namespace okulon {

class SteadyClock : public IClock {
public:
    SteadyClock();
    // Milliseconds since the clock was made, modulo 2^32.
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;

private:
    std::chrono::steady_clock::time_point origin_;
};

} // namespace okulon
