// The watcher of SIGTERM, SIGINT and SIGHUP with real signals sent to this process: it keeps
// watching after the first, takes a near-simultaneous second as the same request, and ends the
// process when asked again later.
#include "platform/linux/entry/ending_signals.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace voxtrel::entry {
namespace {

bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

TEST(EndingSignals, EverySignalIsTakenAndASecondRequestDuringShutdownEndsAtOnce) {
    const sigset_t signals = blockEndingSignals();
    std::atomic<int> shutdowns{0};
    std::atomic<int> endedWith{0};
    std::thread watcher([&] {
        watchEndingSignals(signals,
                           {[&] { ++shutdowns; }, [&](int signal) { endedWith = signal; }});
    });

    kill(getpid(), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return shutdowns == 1; }));
    // A session that sends SIGHUP along with SIGTERM asks once.
    kill(getpid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return shutdowns == 2; }));
    EXPECT_EQ(endedWith, 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(kRepeatedSignalGraceMs + 100));
    kill(getpid(), SIGINT);
    EXPECT_TRUE(waitUntil([&] { return endedWith != 0; })) << "a second Ctrl-C is not ignored";
    EXPECT_EQ(endedWith, SIGINT);
    EXPECT_EQ(shutdowns, 2);
    watcher.join();
}

} // namespace
} // namespace voxtrel::entry
