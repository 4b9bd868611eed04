// SIGTERM, SIGINT and SIGHUP, the ways a Linux session or a terminal ends a program, taken by
// one watcher thread for the life of the program instead of by whichever thread they hit.
#pragma once

#include <csignal>
#include <functional>

namespace voxtrel::entry {

// Catches the ending signals that the process does not ignore (a program started with nohup
// keeps ignoring SIGHUP) and clears the calling thread's signal mask; called before any other
// thread starts. Nothing is blocked: a handler only hands the signal's number to the watcher, so
// every thread, and every process any of them starts however it is started (a document opened
// through GIO, a bus started on demand), begins with an empty mask, and with default handlers
// once it runs a program of its own. Returns the descriptor the watcher reads, or -1.
int catchEndingSignals();

struct EndingSignalActions {
    // Starts the orderly shutdown (the main menu's Exit).
    std::function<void()> requestShutdown;
    // Ends the process at once with the signal's number; does not return.
    std::function<void(int)> endNow;
};

// Two signals this close together are one request: a session or a closing terminal may send
// SIGTERM and SIGHUP at once.
constexpr unsigned kRepeatedSignalGraceMs = 1000;

// Waits on `caught` (from catchEndingSignals) for as long as the process lives. The first
// signal starts the orderly shutdown. One that arrives later, while that shutdown still runs,
// means the user asks again (a second Ctrl-C), so the process ends at once; within
// kRepeatedSignalGraceMs of the first it starts the shutdown again instead. Returns only when
// reading fails.
void watchEndingSignals(int caught, const EndingSignalActions& actions);

} // namespace voxtrel::entry
