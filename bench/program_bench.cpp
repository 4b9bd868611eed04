// What the running program costs per cursor on the headless display: CPU time per second and
// resident memory with 1, 4 and 16 cursors at 256 pixels, each as figures per cursor, and the
// memory of the process before any cursor as the base; and how long new cursors take to show
// their first frames (they make their surfaces one at a time, then draw side by side).
//
// Usage: bench_program [SECONDS per count] (default 5)
#include "common/process_handles.h"
#include "registry/desktop.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"
#include "bench/process_usage.h"
#include "platform/linux/display/headless/headless_control.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using voxtrel::bench::cpuSeconds;
using voxtrel::bench::residentMegabytes;

// Waits until every registered cursor has shown a frame.
void waitForFirstFrames() {
    for (;;) {
        bool all = true;
        voxtrel::desktop.lock();
        for (const voxtrel::CursorThread* entry : voxtrel::desktop.threads)
            all = all && entry->cursor->hwnd != nullptr &&
                  voxtrel::headless::lastFrame(entry->cursor->hwnd) != nullptr;
        voxtrel::desktop.unlock();
        if (all)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    voxtrel::initImageLibrary();
    programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
    menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    const double base = residentMegabytes();
    std::printf("base: %.1f MB resident before any cursor\n", base);
    double cpuPerCursorOfOne = 0;
    double startPerCursorOfOne = 0;
    int running = 0;
    for (int count : {1, 4, 16}) {
        const int added = count - running;
        const auto startAdding = std::chrono::steady_clock::now();
        while (running < count) {
            voxtrel::desktop.newCursor();
            ++running;
        }
        waitForFirstFrames();
        const double startPerCursor =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - startAdding).count() /
            added;
        if (count == 1)
            startPerCursorOfOne = startPerCursor;
        std::printf("%2d new cursors showed their first frames after %.0f ms each (%.2fx the "
                    "one-cursor figure)\n",
                    added, 1000 * startPerCursor, startPerCursor / startPerCursorOfOne);
        std::this_thread::sleep_for(std::chrono::seconds(2)); // shaders, first frames
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuShare = (cpuSeconds() - cpuStart) / elapsed;
        const double resident = residentMegabytes();
        const double perCursorCpu = cpuShare / count;
        if (count == 1)
            cpuPerCursorOfOne = perCursorCpu;
        std::printf("%2d cursors: CPU %5.1f%% of a core (%4.1f%% each, %.2fx the one-cursor "
                    "figure), resident %6.1f MB (%5.1f MB each above the base)\n",
                    count, 100 * cpuShare, 100 * perCursorCpu, perCursorCpu / cpuPerCursorOfOne,
                    resident, (resident - base) / count);
        std::fflush(stdout);
    }
    std::_Exit(0);
}
