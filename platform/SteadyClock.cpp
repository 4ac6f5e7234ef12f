#include "SteadyClock.h"

#include <thread>

namespace okulon {

SteadyClock::SteadyClock()
    : origin_(std::chrono::steady_clock::now())
{
}

std::uint32_t SteadyClock::TickCount()
{
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - origin_).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

void SteadyClock::Sleep(std::uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace okulon
