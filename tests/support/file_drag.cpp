#include "tests/support/file_drag.h"

#include "tests/support/polling.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace voxtrel::testing_support {

void dragAndDrop(int fromX, int fromY, int x, int y) {
    xdotool("mousemove " + std::to_string(fromX) + " " + std::to_string(fromY) + " mousedown 1");
    pause(150);
    for (int step = 1; step <= kDragSteps; ++step) {
        xdotool("mousemove " + std::to_string(fromX + (x - fromX) * step / kDragSteps) + " " +
                std::to_string(fromY + (y - fromY) * step / kDragSteps));
        pause(kDragStepMs);
    }
    for (int wiggle = 0; wiggle < 6; ++wiggle) {
        xdotool("mousemove " + std::to_string(x + wiggle % 2) + " " + std::to_string(y));
        pause(150);
    }
    xdotool("mouseup 1");
}

std::unique_ptr<Helper> dragFileTo(const std::string& path, int x, int y, int halfSide) {
    // The source stands just left of the target window, so that the pointer leaves the window
    // only briefly: away from a solid, the solid spins faster and would turn the face away.
    const int sourceX = std::max(0, x - halfSide - 130), sourceY = std::max(0, y - 60);
    auto source = std::make_unique<Helper>(std::string(VOXTREL_TEST_DRAG_SOURCE) + " " +
                                           std::to_string(sourceX) + " " + std::to_string(sourceY) +
                                           " '" + path + "'");
    if (!waitForCommand("xdotool search --onlyvisible --name '^voxtrel-drag-source$'"))
        return source;
    pause(500);
    dragAndDrop(sourceX + 60, sourceY + 60, x, y);
    return source;
}

} // namespace voxtrel::testing_support
