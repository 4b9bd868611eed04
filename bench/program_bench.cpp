// What the running program costs per cursor on the headless display: CPU time per second and
// resident memory with 1, 4 and 16 cursors at 256 pixels, each as figures per cursor, and the
// memory of the process before any cursor as the base.
//
// Usage: bench_program [SECONDS per count] (default 5)
#include "common/process_handles.h"
#include "registry/desktop.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"
#include "bench/process_usage.h"

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

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    voxtrel::initImageLibrary();
    programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
    menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    const double base = residentMegabytes();
    std::printf("base: %.1f MB resident before any cursor\n", base);
    double cpuPerCursorOfOne = 0;
    int running = 0;
    for (int count : {1, 4, 16}) {
        while (running < count) {
            voxtrel::desktop.newCursor();
            ++running;
        }
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
