// Waiting in tests for what another thread or process brings about: a condition asked again and
// again until it holds or the time is up.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace voxtrel::testing_support {

// Polls `condition` until it holds; false after `limitMs`, once it has been asked a last time.
// It is asked at once, then at pauses that grow from 1 to 50 ms: a cheap condition is seen soon
// after it holds, and one that asks another program (xdotool, xprop) is not run without end.
// The time is the steady clock's, which a test that holds the layer's tick count does not stop.
inline bool waitFor(const std::function<bool()>& condition, int limitMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    auto pause = std::chrono::milliseconds(1);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return condition();
}

// A hand's pause between the steps of what a test does: a press held, a move, a look.
inline void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace voxtrel::testing_support
