// SIGTERM, SIGINT and SIGHUP, the ways a Linux session or a terminal ends a program, taken by
// one watcher thread for the life of the program instead of by whichever thread they hit.
#pragma once

#include <csignal>
#include <functional>

namespace voxtrel::entry {

// Blocks the ending signals in the calling thread, and so in every thread it starts later;
// returns them as a set for the watcher.
sigset_t blockEndingSignals();

struct EndingSignalActions {
    // Starts the orderly shutdown (the main menu's Exit).
    std::function<void()> requestShutdown;
    // Ends the process at once with the signal's number; does not return.
    std::function<void(int)> endNow;
};

// Two signals this close together are one request: a session or a closing terminal may send
// SIGTERM and SIGHUP at once.
constexpr unsigned kRepeatedSignalGraceMs = 1000;

// Waits for the ending signals for as long as the process lives. The first starts the orderly
// shutdown. One that arrives later, while that shutdown still runs, means the user asks again
// (a second Ctrl-C), so the process ends at once; within kRepeatedSignalGraceMs of the first it
// starts the shutdown again instead. Returns only when waiting for signals fails.
void watchEndingSignals(const sigset_t& signals, const EndingSignalActions& actions);

} // namespace voxtrel::entry
