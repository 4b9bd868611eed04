// The watcher of SIGTERM, SIGINT and SIGHUP with real signals sent to this process: it keeps
// watching after the first, takes a near-simultaneous second as the same request, and ends the
// process when asked again later; and catching them leaves nothing blocked for what a thread
// starts, nor undoes a nohup.
#include "platform/linux/entry/ending_signals.h"
#include "tests/support/polling.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace voxtrel::entry {
namespace {

using testing_support::waitFor;

// The signal mask a process started with popen (no reset of its own) begins with.
std::string blockedInAStartedProcess() {
    std::string line;
    if (FILE* started = popen("grep SigBlk /proc/self/status", "r")) {
        char buffer[128] = {};
        while (std::fgets(buffer, sizeof buffer, started) != nullptr)
            line += buffer;
        pclose(started);
    }
    return line;
}

TEST(EndingSignals, EverySignalIsTakenAndASecondRequestDuringShutdownEndsAtOnce) {
    // As a shell in the middle of starting a program may hand it on.
    sigset_t inherited;
    sigemptyset(&inherited);
    sigaddset(&inherited, SIGINT);
    sigaddset(&inherited, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &inherited, nullptr);
    const int caught = catchEndingSignals();
    ASSERT_GE(caught, 0);
    std::string startedBlocking;
    std::thread([&] { startedBlocking = blockedInAStartedProcess(); }).join();
    EXPECT_EQ(startedBlocking, "SigBlk:\t0000000000000000\n")
        << "whatever a thread of the program starts can be ended by the user";

    std::atomic<int> shutdowns{0};
    std::atomic<int> endedWith{0};
    std::thread watcher([&] {
        watchEndingSignals(caught, {[&] { ++shutdowns; }, [&](int signal) { endedWith = signal; }});
    });

    kill(getpid(), SIGTERM);
    ASSERT_TRUE(waitFor([&] { return shutdowns == 1; }));
    // A session that sends SIGHUP along with SIGTERM asks once.
    kill(getpid(), SIGHUP);
    ASSERT_TRUE(waitFor([&] { return shutdowns == 2; }));
    EXPECT_EQ(endedWith, 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(kRepeatedSignalGraceMs + 100));
    kill(getpid(), SIGINT);
    EXPECT_TRUE(waitFor([&] { return endedWith != 0; })) << "a second Ctrl-C is not ignored";
    EXPECT_EQ(endedWith, SIGINT);
    EXPECT_EQ(shutdowns, 2);
    watcher.join();
}

TEST(EndingSignals, AProgramStartedWithNohupKeepsIgnoringHangUps) {
    std::signal(SIGHUP, SIG_IGN);
    const int caught = catchEndingSignals();
    static std::atomic<int> shutdowns{0}; // the watcher waits on with the process
    std::thread watcher([caught] {
        watchEndingSignals(caught, {[] { ++shutdowns; }, [](int) {}});
    });
    kill(getpid(), SIGHUP);
    kill(getpid(), SIGTERM);
    ASSERT_TRUE(waitFor([&] { return shutdowns == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(shutdowns, 1) << "the hang-up was not taken for a request";
    watcher.detach();
}

} // namespace
} // namespace voxtrel::entry
