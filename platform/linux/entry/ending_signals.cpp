#include "platform/linux/entry/ending_signals.h"

#include <chrono>

namespace voxtrel::entry {

sigset_t blockEndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

void watchEndingSignals(const sigset_t& signals, const EndingSignalActions& actions) {
    using Clock = std::chrono::steady_clock;
    bool shuttingDown = false;
    Clock::time_point firstSignal;
    for (;;) {
        int received = 0;
        if (sigwait(&signals, &received) != 0)
            return;
        const Clock::time_point now = Clock::now();
        if (shuttingDown &&
            now - firstSignal >= std::chrono::milliseconds(kRepeatedSignalGraceMs)) {
            actions.endNow(received);
            return;
        }
        if (!shuttingDown) {
            shuttingDown = true;
            firstSignal = now;
        }
        actions.requestShutdown();
    }
}

} // namespace voxtrel::entry
