// What one frame of a cursor costs on the headless display, at window sides 102, 256 and 1024:
//   F  a whole paintFrame, with the mouse away from the solid and over it;
//   FrameAtItsPace  the same with the mouse away, one frame every 16 ms as the program draws;
//   FrameAfterCachesEmptied  the same after every cache of the processor was written over, the
//     frame a program meets whose machine ran other work meanwhile;
//   R  the visible render pass alone, with glFinish;
//   P  the selection pass alone;
//   B  the layer's read-back and shape building for a layered update of that size;
//   I  a whole paintFrame (mouse away) of a cursor whose six slots show 256-pixel icons.
// After the runs it prints the ratios the frame loop is held to.
#include "bench/process_usage.h"
#include "cursor/cursor.h"
#include "platform/linux/display/headless/headless_control.h"
#include "render/image_library.h"

#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using voxtrel::Cursor;

const int kSides[] = {102, 256, 1024};

// One cursor for every benchmark, made (and its shaders compiled) before any is timed.
Cursor& benchCursor() {
    static Cursor* cursor = [] {
        voxtrel::initImageLibrary();
        auto* made = new Cursor;
        made->create();
        return made;
    }();
    return *cursor;
}

// A second cursor, every slot a launcher whose icon is a 256-pixel picture with transparency.
Cursor& iconCursor() {
    static Cursor* cursor = [] {
        benchCursor();
        char folder[] = "/tmp/voxtrel-bench-XXXXXX";
        const std::string dir = mkdtemp(folder) != nullptr ? folder : "/tmp";
        const std::string icon = dir + "/icon.png";
        GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 256, 256);
        const int stride = gdk_pixbuf_get_rowstride(picture);
        guchar* pixels = gdk_pixbuf_get_pixels(picture);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                guchar* p = pixels + y * stride + x * 4;
                p[0] = static_cast<guchar>(x);
                p[1] = static_cast<guchar>(y);
                p[2] = static_cast<guchar>(x ^ y);
                p[3] = (x - 128) * (x - 128) + (y - 128) * (y - 128) < 100 * 100 ? 255 : 0;
            }
        }
        gdk_pixbuf_save(picture, icon.c_str(), "png", nullptr, nullptr);
        g_object_unref(picture);
        auto* made = new Cursor;
        for (int slot = 0; slot < 6; ++slot) {
            const std::string launcher = dir + "/tool" + std::to_string(slot) + ".desktop";
            std::ofstream(launcher) << "[Desktop Entry]\nType=Application\nName=Tool\n"
                                       "Exec=true\nIcon="
                                    << icon << "\n";
            made->launches[slot].assign(launcher.c_str());
        }
        made->create();
        return made;
    }();
    return *cursor;
}

// Sizes the cursor for `side` and places the pointer away from it or on its centre.
Cursor& prepare(int side, bool mouseOver, bool icons = false) {
    Cursor& cursor = icons ? iconCursor() : benchCursor();
    cursor.scale = side / 1024.0 + 1e-9;
    cursor.width = cursor.height = side;
    cursor.paintFrame(); // moves the window around its centre at this size
    if (mouseOver)
        voxtrel::headless::setPointer(cursor.centerX, cursor.centerY);
    else
        voxtrel::headless::setPointer(0, 0);
    return cursor;
}

void frameWhole(benchmark::State& state, bool mouseOver) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), mouseOver);
    for (auto _ : state)
        cursor.paintFrame();
}

void FrameMouseAway(benchmark::State& state) {
    frameWhole(state, false);
}
void FrameMouseOver(benchmark::State& state) {
    frameWhole(state, true);
}

// A frame as the program draws it, one every 16 ms: the CPU time of the frame alone, which
// finds the caches and the processor's predictions no longer warm from the frame before.
void FrameAtItsPace(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        state.ResumeTiming();
        cursor.paintFrame();
    }
}

// Each frame after a buffer larger than the processor's caches was written over (untimed): how
// much of the frame at its pace is the caches' refilling.
void FrameAfterCachesEmptied(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), false);
    constexpr std::size_t kLargerThanCaches = std::size_t{256} << 20;
    static std::vector<unsigned char> elsewhere(kLargerThanCaches);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < elsewhere.size(); i += 64)
            ++elsewhere[i];
        state.ResumeTiming();
        cursor.paintFrame();
    }
}

void FrameSixIcons(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), false, true);
    for (auto _ : state)
        cursor.paintFrame();
}

void RenderPass(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        cursor.render(false);
        glFinish();
    }
}

void PickPass(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), true);
    cursor.pickHover(); // the first pick is left out
    for (auto _ : state)
        cursor.render(true);
}

void LayeredUpdate(benchmark::State& state) {
    Cursor& cursor = prepare(static_cast<int>(state.range(0)), false);
    const LONG side = static_cast<LONG>(state.range(0));
    POINT topLeft{cursor.centerX - side / 2, cursor.centerY - side / 2};
    SIZE size{side, side};
    POINT origin{0, 0};
    for (auto _ : state) {
        // A frame reads back a picture drawn just before, which costs the driver more than
        // reading the same one again: the drawing is made, untimed, before every update.
        state.PauseTiming();
        cursor.render(false);
        glFinish();
        state.ResumeTiming();
        UpdateLayeredWindow(cursor.hwnd, nullptr, &topLeft, &size, cursor.memDC, &origin,
                            voxtrel::COLOR_KEY, &cursor.blend, ULW_ALPHA);
    }
}

void sides(benchmark::internal::Benchmark* bench) {
    for (int side : kSides)
        bench->Arg(side);
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(FrameMouseAway)->Apply(sides);
BENCHMARK(FrameMouseOver)->Apply(sides);
BENCHMARK(FrameAtItsPace)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(FrameAfterCachesEmptied)
    ->Arg(256)
    ->Arg(1024)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
BENCHMARK(FrameSixIcons)->Apply(sides);
BENCHMARK(RenderPass)->Apply(sides);
BENCHMARK(PickPass)->Apply(sides);
BENCHMARK(LayeredUpdate)->Apply(sides);

// Keeps each run's time per iteration, to compare them once all have run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    // The median of repeated runs (--benchmark_repetitions) where there is one.
    double time(const std::string& name, int side) const {
        const std::string run = name + "/" + std::to_string(side);
        auto found = times.find(run + "_median");
        if (found == times.end())
            found = times.find(run);
        return found != times.end() ? found->second : 0.0;
    }
    std::map<std::string, double> times;
};

void printRatio(const char* what, double value, double target) {
    std::printf("  %-44s %6.3f  (target <= %.2f) %s\n", what, value, target,
                value <= target ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // What six icon textures add to a cursor: further cursors made with and without them, once
    // the first of each kind has paid for the libraries' own start-up.
    benchCursor();
    iconCursor();
    const double before = voxtrel::bench::residentMegabytes();
    Cursor plain;
    plain.create();
    const double afterPlain = voxtrel::bench::residentMegabytes();
    Cursor withIcons;
    for (int slot = 0; slot < 6; ++slot)
        withIcons.launches[slot].assign(iconCursor().launches[slot].c_str());
    withIcons.create();
    const double afterIcons = voxtrel::bench::residentMegabytes();
    std::printf("Resident memory of a further cursor: %.1f MB plain, %.1f MB with six 256-pixel "
                "icons\n",
                afterPlain - before, afterIcons - afterPlain);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios within this run:\n");
    for (int side : kSides) {
        const double away = reporter.time("FrameMouseAway", side);
        const double over = reporter.time("FrameMouseOver", side);
        const double render = reporter.time("RenderPass", side);
        const double pick = reporter.time("PickPass", side);
        const double layered = reporter.time("LayeredUpdate", side);
        if (away == 0 || render + layered == 0)
            continue;
        std::printf(" side %d:\n", side);
        printRatio("F (mouse away) / (R + B)", away / (render + layered), 1.3);
        printRatio("F (mouse over) / (R + B)", over / (render + layered), 1.3);
        printRatio("P / F (mouse over)", pick / over, 0.05);
        const double icons = reporter.time("FrameSixIcons", side);
        if (icons > 0)
            std::printf("  %-44s %6.3f  (unchanged within noise: near 1)\n",
                        "I (six icons) / F (mouse away, no icons)", icons / away);
    }
    const double small = reporter.time("FrameMouseAway", 102);
    const double medium = reporter.time("FrameMouseAway", 256);
    if (small > 0 && medium > 0)
        printRatio("F(102) / F(256)", small / medium, 0.45);
    benchmark::Shutdown();
    return 0;
}
