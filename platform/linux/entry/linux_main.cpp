// main() of the Linux build: hands over to WinMain as the Windows loader does. The program reads
// no command line and has no main window, so it gets an empty line and the default show state.
// A Linux session ends programs with SIGTERM (and a terminal with SIGINT or SIGHUP): each of
// them is taken as the main menu's "Exit", so the cursors stop in order and WinMain returns; the
// same signal again, once that stop has run a while, ends the program at once.
// Only one program runs per user and configuration folder (linux_instance.h).
#include "platform/linux/entry/ending_signals.h"
#include "platform/linux/entry/linux_instance.h"
#include "platform/win32.h"

#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace {

// Asks the main thread to quit, again until it takes it, since a quit that arrives before the
// main thread has its queue is not kept.
void postQuitToMainThread(DWORD mainThread) {
    while (PostThreadMessageA(mainThread, WM_QUIT, 0, 0) == FALSE)
        Sleep(20);
}

[[noreturn]] void endAtOnce(int signal) {
    static const char kMessage[] = "voxtrel: asked again to end during shutdown; ending now\n";
    static_cast<void>(write(STDERR_FILENO, kMessage, sizeof kMessage - 1));
    _exit(128 + signal);
}

} // namespace

int main() {
    // Without a GPU, Mesa's software renderer would start rasteriser threads for every
    // cursor's context; each cursor already renders on a thread of its own, and for windows
    // of a few hundred pixels the hand-over costs more than it saves (measured: 15% of a core
    // against 13% for one 256-pixel cursor, 86% against 74% at 1024). Set before any thread
    // runs; a value the user chose stays.
    setenv("LP_NUM_THREADS", "0", 0);

    // Blocked here, before any thread exists, so that every thread inherits the mask and only
    // the watcher ever takes these signals.
    const sigset_t signals = voxtrel::entry::blockEndingSignals();
    const DWORD mainThread = GetCurrentThreadId();
    std::thread([signals, mainThread] {
        voxtrel::entry::watchEndingSignals(
            signals, {[mainThread] { postQuitToMainThread(mainThread); }, endAtOnce});
    }).detach();

    // A second start on the same configuration shows the first one's cursors and ends.
    using voxtrel::entry::InstanceClaim;
    if (voxtrel::entry::claimInstance(voxtrel::entry::instanceKey()) ==
        InstanceClaim::AnsweredByOther)
        return 0;

    char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
