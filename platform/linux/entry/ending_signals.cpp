#include "platform/linux/entry/ending_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace voxtrel::entry {

namespace {

int wakeWriteEnd = -1;

// Async-signal-safe: one byte into a pipe that never blocks the writer, errno left as found.
extern "C" void onEndingSignal(int signal) {
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    static_cast<void>(write(wakeWriteEnd, &number, 1));
    errno = savedErrno;
}

} // namespace

int catchEndingSignals() {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    wakeWriteEnd = ends[1];
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction current = {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onEndingSignal;
        action.sa_flags = SA_RESTART; // the other threads' calls go on as if nothing came
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    return ends[0];
}

void watchEndingSignals(int caught, const EndingSignalActions& actions) {
    using Clock = std::chrono::steady_clock;
    bool shuttingDown = false;
    Clock::time_point firstSignal;
    for (;;) {
        unsigned char received = 0;
        const ssize_t got = read(caught, &received, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1)
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
