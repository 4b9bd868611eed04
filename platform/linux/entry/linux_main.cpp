// main() of the Linux build: reads the command line (app/command_line.h), then hands over to
// WinMain as the Windows loader does, with an empty line and the default show state. A Linux
// session ends programs with SIGTERM (and a terminal with SIGINT or SIGHUP): each of them is taken
// as the main menu's "Exit", so the cursors stop in order and WinMain returns; the same signal
// again, once that stop has run a while, ends the program at once. Only one program runs per user
// and configuration folder (linux_instance.h).
#include "platform/linux/display/display.h"
#include "app/command_line.h"
#include "platform/linux/entry/ending_signals.h"
#include "platform/linux/entry/linux_instance.h"
#include "platform/win32.h"

#include <unistd.h>

#include <cstdio>
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

// Hands a command line's request to the running program. The exit status of the command.
int sendCommand(voxtrel::entry::InstanceRequest request) {
    using voxtrel::entry::RequestOutcome;
    switch (voxtrel::entry::sendToInstance(voxtrel::entry::instanceKey(), request)) {
    case RequestOutcome::Done:
        return 0;
    case RequestOutcome::NotRunning:
        std::fprintf(stderr, "voxtrel: Voxtrel is not running\n");
        return 1;
    case RequestOutcome::NoAnswer:
        break;
    }
    std::fprintf(stderr, "voxtrel: the running Voxtrel does not answer\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using voxtrel::entry::StartAction;
    const voxtrel::entry::StartRequest start = voxtrel::entry::parseCommandLine(argc, argv);
    switch (start.action) {
    case StartAction::Help:
        std::fputs(voxtrel::entry::usageText().c_str(), stdout);
        return 0;
    case StartAction::Version:
        std::printf("voxtrel %s\n", VOXTREL_VERSION);
        return 0;
    case StartAction::Misuse:
        std::fprintf(stderr, "voxtrel: %s\n%s", start.problem.c_str(),
                     voxtrel::entry::usageText().c_str());
        return 2;
    case StartAction::Command:
        if (!voxtrel::entry::startsTheProgram(start.request))
            return sendCommand(start.request);
        break;
    case StartAction::Run:
        break;
    }

    // Without a GPU, Mesa's software renderer would start rasteriser threads for every
    // cursor's context; each cursor already renders on a thread of its own, and for windows
    // of a few hundred pixels the hand-over costs more than it saves (measured: 15% of a core
    // against 13% for one 256-pixel cursor, 86% against 74% at 1024). Set before any thread
    // runs; a value the user chose stays.
    setenv("LP_NUM_THREADS", "0", 0);

    // Caught here, before any thread exists, so that only the watcher acts on them.
    const int endingSignals = voxtrel::entry::catchEndingSignals();
    const DWORD mainThread = GetCurrentThreadId();
    std::thread([endingSignals, mainThread] {
        voxtrel::entry::watchEndingSignals(
            endingSignals, {[mainThread] { postQuitToMainThread(mainThread); }, endAtOnce});
    }).detach();

    // A second start on the same configuration shows the first one's cursors and ends.
    using voxtrel::entry::InstanceClaim;
    if (voxtrel::entry::claimInstance(voxtrel::entry::instanceKey(), start.request) ==
        InstanceClaim::AnsweredByOther)
        return 0;

    // Nothing to show the cursors on: said once, rather than a gadget running unseen.
    if (!voxtrel::display::current().reachable()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "voxtrel: cannot open the X display \"%s\": Voxtrel needs an X server (on "
                     "a Wayland session, XWayland)\n",
                     display != nullptr ? display : "");
        return 1;
    }

    char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
