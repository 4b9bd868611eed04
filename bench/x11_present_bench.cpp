// What showing a cursor on a real X server costs: one cursor window at a given side presents
// spinning-cube frames (every 16 ms, the frame timer's floor) for ten seconds, and the CPU time
// of this process, of the X server and of the compositor (when one runs) is reported as shares
// of one core. With "static" the window presents one unchanging picture instead, the baseline
// of what a compositor spends on a window that does not change. With "hidden" eight cursors
// run hidden, as the main menu's Hide All leaves them: what cursors nobody sees cost. With
// "memory" one cursor of 256 pixels runs, then five more: the resident memory each further
// cursor costs (SIDE is not used).
// Every run that draws also prints what one frame costs all told, so that the same run on the
// headless display (VOXTREL_DISPLAY=headless, XSERVER_PID 0) gives the frame's own cost.
//
// Usage: bench_x11_present SIDE away|over|static|hidden|memory XSERVER_PID [COMPOSITOR_PID]
// scripts/bench-x11 runs it over the sides, pointer places and with and without a compositor.
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

using Clock = std::chrono::steady_clock;

void movePointer(int x, int y) {
    const std::string command =
        "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "bench_x11_present: xdotool failed\n");
}

// The unchanging window: a layered window given the same picture every 16 ms.
DWORD WINAPI presentStatic(LPVOID parameter) {
    const int side = *static_cast<int*>(parameter);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "static";
    RegisterClassExA(&windowClass);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN),
              screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST, "static", "static", WS_POPUP,
                                screenWidth / 2 - side / 2, screenHeight / 2 - side / 2, side, side,
                                nullptr, nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, side, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, dib);
    const int stride = (side * 3 + 3) & ~3;
    for (int y = 0; y < side; ++y) {
        auto* row = static_cast<unsigned char*>(bits) + static_cast<long>(y) * stride;
        for (int x = 0; x < side; ++x) {
            const int dx = x - side / 2, dy = y - side / 2;
            const bool disc = dx * dx + dy * dy < side * side / 9;
            row[x * 3] = disc ? 90 : 255;
            row[x * 3 + 1] = disc ? 120 : 0;
            row[x * 3 + 2] = disc ? 160 : 0;
        }
    }
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    POINT position{screenWidth / 2 - side / 2, screenHeight / 2 - side / 2}, origin{0, 0};
    SIZE size{side, side};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 192, 0};
    for (;;) {
        UpdateLayeredWindow(hwnd, nullptr, &position, &size, dc, &origin, RGB(0, 0, 255), &blend,
                            ULW_COLORKEY | ULW_ALPHA);
        Sleep(16);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: %s SIDE away|over|static|hidden XSERVER_PID [COMPOSITOR_PID]\n",
                     argv[0]);
        return 2;
    }
    int side = std::atoi(argv[1]);
    const std::string mode = argv[2];
    const std::string server = argv[3];
    const std::string compositor = argc > 4 ? argv[4] : "";
    voxtrel::initImageLibrary();
    menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    const int centreX = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int centreY = GetSystemMetrics(SM_CYSCREEN) / 2;
    movePointer(mode == "over" ? centreX : 5, mode == "over" ? centreY : 5);

    if (mode == "memory") {
        // Default cursors: 256 pixels, as the issue of memory is put.
        const auto startCursors = [](int count) {
            for (int i = 0; i < count; ++i)
                voxtrel::desktop.newCursor();
            std::this_thread::sleep_for(std::chrono::seconds(3)); // drawn and shown for a while
        };
        startCursors(1);
        const double one = residentMegabytes();
        constexpr int kFurther = 5;
        startCursors(kFurther);
        const double more = residentMegabytes();
        std::printf("side  256  memory  1 cursor %6.1f MB resident, %d more %6.1f MB: "
                    "%5.2f MB a further cursor\n",
                    one, kFurther, more, (more - one) / kFurther);
        std::fflush(stdout);
        std::_Exit(0);
    }
    if (mode == "static") {
        CreateThread(nullptr, 0, presentStatic, &side, 0, nullptr);
    } else {
        const int count = mode == "hidden" ? 8 : 1;
        voxtrel::desktop.lock();
        for (int i = 0; i < count; ++i) {
            auto* entry = new voxtrel::CursorThread;
            entry->cursor->scale = side / 1024.0 + 1e-9;
            voxtrel::desktop.threads.push_back(entry);
        }
        voxtrel::desktop.unlock();
        voxtrel::desktop.startAll();
    }
    std::this_thread::sleep_for(std::chrono::seconds(2)); // shaders, mapping, full speed
    if (mode == "hidden") {
        voxtrel::desktop.hideAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    const std::string self = std::to_string(getpid());
    const bool withServer = server != "0";
    const double selfStart = cpuSeconds(self), serverStart = withServer ? cpuSeconds(server) : 0;
    const double compositorStart = compositor.empty() ? 0 : cpuSeconds(compositor);
    const auto start = Clock::now();
    // Each cursor's title is the number of frames it drew in the last second: read once a
    // second, added up, it counts the frames of the run.
    long frames = 0;
    for (int second = 0; second < 10; ++second) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        voxtrel::desktop.lock();
        for (const voxtrel::CursorThread* entry : voxtrel::desktop.threads) {
            char title[32] = "";
            // A hidden cursor's title keeps the count of its last shown second.
            if (entry->cursor->hwnd != nullptr && mode != "hidden")
                GetWindowTextA(entry->cursor->hwnd, title, sizeof title);
            frames += std::atol(title);
        }
        voxtrel::desktop.unlock();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double selfShare = (cpuSeconds(self) - selfStart) / seconds;
    const double serverShare = withServer ? (cpuSeconds(server) - serverStart) / seconds : 0;
    const double compositorShare =
        compositor.empty() ? 0 : (cpuSeconds(compositor) - compositorStart) / seconds;
    const double together = selfShare + serverShare + compositorShare;
    // What one frame costs all told, where frames were drawn.
    const double frameMs = frames > 0 ? 1000 * together * seconds / frames : 0;
    std::printf("side %4d  %-6s  %-10s  process %5.1f%%  X server %5.1f%%  compositor %5.1f%%  "
                "together %5.1f%%  %5.1f fps  %6.3f ms a frame\n",
                side, mode.c_str(),
                !compositor.empty() ? "compositor"
                : withServer        ? "no comp."
                                    : "headless",
                100 * selfShare, 100 * serverShare, 100 * compositorShare, 100 * together,
                frames / seconds, frameMs);
    std::fflush(stdout);
    std::_Exit(0); // the cursor threads and the display thread end with the process
}
