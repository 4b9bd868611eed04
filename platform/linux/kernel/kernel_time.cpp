// GetTickCount from the monotonic clock, in milliseconds, wrapping at 2^32.
#include "platform/linux/kernel/kernel_control.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<DWORD> tickOffset{0};
std::atomic<bool> tickHeld{false};
std::atomic<DWORD> heldTick{0};
} // namespace

void voxtrel::kernel::setTickOffset(DWORD offset) {
    tickOffset = offset;
}

void voxtrel::kernel::holdTickCount(DWORD tick) {
    heldTick = tick;
    tickHeld = true;
}

void voxtrel::kernel::releaseTickCount() {
    tickHeld = false;
}

DWORD WINAPI GetTickCount() {
    if (tickHeld)
        return heldTick.load();
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(milliseconds) + tickOffset.load();
}
