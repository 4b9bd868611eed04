// What one frame of a cursor costs on the headless display, at window sides 102, 256 and 1024:
//   F  a whole paintFrame, with the mouse away from the solid and over it;
//   R  the visible render pass alone, with glFinish;
//   P  the selection pass alone;
//   B  the layer's read-back and shape building for a layered update of that size.
// After the runs it prints the ratios the frame loop is held to.
#include "cursor/cursor.h"
#include "platform/linux/display/headless/headless_control.h"
#include "render/image_library.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

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

// Sizes the cursor for `side` and places the pointer away from it or on its centre.
Cursor& prepare(int side, bool mouseOver) {
    Cursor& cursor = benchCursor();
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
                            voxtrel::COLOR_KEY, &cursor.blend, ULW_COLORKEY | ULW_ALPHA);
    }
}

void sides(benchmark::internal::Benchmark* bench) {
    for (int side : kSides)
        bench->Arg(side);
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(FrameMouseAway)->Apply(sides);
BENCHMARK(FrameMouseOver)->Apply(sides);
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
    double time(const std::string& name, int side) const {
        auto found = times.find(name + "/" + std::to_string(side));
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
    }
    const double small = reporter.time("FrameMouseAway", 102);
    const double medium = reporter.time("FrameMouseAway", 256);
    if (small > 0 && medium > 0)
        printRatio("F(102) / F(256)", small / medium, 0.45);
    benchmark::Shutdown();
    return 0;
}
