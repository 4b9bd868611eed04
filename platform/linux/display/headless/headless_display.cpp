// The headless backend: one in-memory state that the layer updates through the Display
// interface and tests drive and read through headless_control.h. Does not implement: real
// pixels on a screen, pointer shapes, window decorations.
#include "platform/linux/display/headless/headless_display.h"
#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/display/frame_pixels.h"


#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace voxtrel {

namespace {

struct HeadlessWindow {
    display::WindowSnapshot state;
    std::shared_ptr<const display::LayeredFrame> frame;
    std::uint64_t frames = 0;
    std::uint64_t raised = 0; // stacking order within its band: higher is nearer the top
};

struct State {
    std::mutex mutex;
    std::condition_variable changed;
    display::Size screen{headless::kDefaultScreenWidth, headless::kDefaultScreenHeight};
    std::vector<RECT> monitors; // none set: one covering the screen
    POINT pointer{headless::kDefaultScreenWidth / 2, headless::kDefaultScreenHeight / 2};
    UINT dotsPerInch = 96;
    std::map<HWND, HeadlessWindow> windows;
    HWND active = nullptr;
    std::uint64_t serial = 0;
    std::deque<display::MenuRequest> menus;
    std::deque<display::BoxRequest> boxes;
    std::vector<display::TrayIcon> tray;
};

State& state() {
    static State instance;
    return instance;
}

bool covers(const HeadlessWindow& window, int x, int y) {
    const display::WindowSnapshot& s = window.state;
    if (!s.visible || s.minimized)
        return false;
    if ((s.exStyle & WS_EX_LAYERED) == 0)
        return x >= s.rect.left && x < s.rect.right && y >= s.rect.top && y < s.rect.bottom;
    // A layered window shows, and takes the mouse, only where its last frame has pixels.
    const display::LayeredFrame* frame = window.frame.get();
    if (frame == nullptr)
        return false;
    const int fx = x - frame->x, fy = y - frame->y;
    if (fx < 0 || fy < 0 || fx >= frame->width || fy >= frame->height)
        return false;
    return frame->bgra[(static_cast<std::size_t>(fy) * frame->width + fx) * 4 + 3] != 0;
}

// Called with the state's mutex held.
HWND hitTest(State& s, int x, int y) {
    HWND best = nullptr;
    std::pair<bool, std::uint64_t> bestOrder{false, 0};
    for (auto& [hwnd, window] : s.windows) {
        if (!covers(window, x, y))
            continue;
        const std::pair<bool, std::uint64_t> order{(window.state.exStyle & WS_EX_TOPMOST) != 0,
                                                   window.raised};
        if (best == nullptr || order > bestOrder) {
            best = hwnd;
            bestOrder = order;
        }
    }
    return best;
}

// The pointer and the window under it. Taken under the lock and handed on after it, since the
// layer may call back into the display.
std::pair<POINT, HWND> pointerAndTarget() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return {s.pointer, hitTest(s, s.pointer.x, s.pointer.y)};
}

void deliverAtPointer(display::PointerEvent event, int wheelDelta = 0) {
    const auto [at, target] = pointerAndTarget();
    display::deliverPointer(target, event, at, wheelDelta);
}

template <typename Request>
std::optional<Request> waitForOldest(std::deque<Request>& queue, headless::Milliseconds limit) {
    State& s = state();
    std::unique_lock<std::mutex> guard(s.mutex);
    if (!s.changed.wait_for(guard, limit, [&] { return !queue.empty(); }))
        return std::nullopt;
    return queue.front();
}

template <typename Request> bool answerOldest(std::deque<Request>& queue, LRESULT answer) {
    Request request;
    {
        State& s = state();
        std::lock_guard<std::mutex> guard(s.mutex);
        if (queue.empty())
            return false;
        request = queue.front();
        queue.pop_front();
    }
    display::completeModal(request.threadId, request.token, answer);
    return true;
}

} // namespace

// The Display interface

namespace display::headless {

Size HeadlessDisplay::screenSize() {
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().screen;
}

std::vector<RECT> HeadlessDisplay::monitors() {
    std::lock_guard<std::mutex> guard(state().mutex);
    if (!state().monitors.empty())
        return state().monitors;
    return {RECT{0, 0, state().screen.width, state().screen.height}};
}

POINT HeadlessDisplay::pointerPosition() {
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().pointer;
}

UINT HeadlessDisplay::dotsPerInch() {
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().dotsPerInch;
}

std::string HeadlessDisplay::iconThemeName() {
    return {}; // no desktop says: the layer reads GTK's settings file itself
}

void HeadlessDisplay::updateWindow(const WindowSnapshot& snapshot, unsigned changes) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    HeadlessWindow& window = s.windows[snapshot.hwnd];
    window.state = snapshot;
    if ((changes & (kCreated | kRaised)) != 0)
        window.raised = ++s.serial;
    if ((changes & kActivated) != 0)
        s.active = snapshot.hwnd;
    s.changed.notify_all();
}

void HeadlessDisplay::destroyWindow(HWND hwnd) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.windows.erase(hwnd);
    if (s.active == hwnd)
        s.active = nullptr;
    s.changed.notify_all();
}

void HeadlessDisplay::presentFrame(HWND hwnd, std::shared_ptr<LayeredFrame> frame) {
    // Finished in place: what the tests read is what a screen would show.
    finishFramePixels(*frame, frame->bgra.data(), static_cast<std::size_t>(frame->width) * 4,
                      frame->shape);
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto found = s.windows.find(hwnd);
    if (found == s.windows.end())
        return;
    found->second.frame = std::move(frame);
    ++found->second.frames;
    s.changed.notify_all();
}

void HeadlessDisplay::showMenu(const MenuRequest& request) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.menus.push_back(request);
    s.changed.notify_all();
}

void HeadlessDisplay::cancelModal(std::uint64_t token) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto drop = [token](auto& queue) {
        queue.erase(std::remove_if(queue.begin(), queue.end(),
                                   [token](const auto& request) { return request.token == token; }),
                    queue.end());
    };
    drop(s.menus);
    drop(s.boxes);
}

void HeadlessDisplay::showMessageBox(const BoxRequest& request) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.boxes.push_back(request);
    s.changed.notify_all();
}

void HeadlessDisplay::setTrayIcon(const TrayIcon& icon) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto found = std::find_if(s.tray.begin(), s.tray.end(), [&](const TrayIcon& shown) {
        return shown.owner == icon.owner && shown.id == icon.id;
    });
    if (found != s.tray.end())
        *found = icon;
    else
        s.tray.push_back(icon);
}

void HeadlessDisplay::removeTrayIcon(HWND owner, UINT id) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.tray.erase(std::remove_if(
                     s.tray.begin(), s.tray.end(),
                     [&](const TrayIcon& shown) { return shown.owner == owner && shown.id == id; }),
                 s.tray.end());
}

} // namespace display::headless

// The test controls

void headless::setScreenSize(int width, int height) {
    setMonitors(width, height, {});
}

void headless::setMonitors(int width, int height, const std::vector<RECT>& monitors) {
    {
        std::lock_guard<std::mutex> guard(state().mutex);
        state().screen = {width, height};
        state().monitors = monitors;
    }
    display::deliverDisplayChange(width, height);
}

void headless::setDotsPerInch(UINT dotsPerInch) {
    std::lock_guard<std::mutex> guard(state().mutex);
    state().dotsPerInch = dotsPerInch;
}

void headless::setPointer(int x, int y) {
    std::lock_guard<std::mutex> guard(state().mutex);
    state().pointer = {x, y};
}

void headless::movePointer(int x, int y) {
    setPointer(x, y);
    deliverAtPointer(display::PointerEvent::Move);
}

void headless::press(Button button) {
    deliverAtPointer(button == Button::Left    ? display::PointerEvent::LeftDown
                     : button == Button::Right ? display::PointerEvent::RightDown
                                               : display::PointerEvent::MiddleDown);
}

void headless::release(Button button) {
    deliverAtPointer(button == Button::Left    ? display::PointerEvent::LeftUp
                     : button == Button::Right ? display::PointerEvent::RightUp
                                               : display::PointerEvent::MiddleUp);
}

void headless::click(Button button) {
    press(button);
    release(button);
}

void headless::wheel(int delta) {
    deliverAtPointer(display::PointerEvent::Wheel, delta);
}

void headless::key(unsigned virtualKey) {
    display::deliverKey(virtualKey, true);
    display::deliverKey(virtualKey, false);
}

bool headless::dropFiles(const std::vector<std::string>& paths) {
    const auto [at, target] = pointerAndTarget();
    return target != nullptr && display::deliverDrop(target, paths, at);
}

bool headless::trayEvent(unsigned mouseMessage) {
    display::TrayIcon icon;
    {
        std::lock_guard<std::mutex> guard(state().mutex);
        if (state().tray.empty())
            return false;
        icon = state().tray.front();
    }
    display::deliverTrayEvent(icon.owner, icon.id, mouseMessage);
    return true;
}

std::optional<headless::WindowView> headless::window(HWND hwnd) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto found = s.windows.find(hwnd);
    if (found == s.windows.end())
        return std::nullopt;
    return WindowView{found->second.state, s.active == hwnd, found->second.frames};
}

std::vector<HWND> headless::windows() {
    std::lock_guard<std::mutex> guard(state().mutex);
    std::vector<HWND> result;
    for (auto& [hwnd, window] : state().windows)
        result.push_back(hwnd);
    return result;
}

HWND headless::windowAt(int x, int y) {
    std::lock_guard<std::mutex> guard(state().mutex);
    return hitTest(state(), x, y);
}

std::shared_ptr<const display::LayeredFrame> headless::lastFrame(HWND hwnd) {
    std::lock_guard<std::mutex> guard(state().mutex);
    auto found = state().windows.find(hwnd);
    return found != state().windows.end() ? found->second.frame : nullptr;
}

bool headless::waitForFrames(HWND hwnd, std::uint64_t count, Milliseconds limit) {
    State& s = state();
    std::unique_lock<std::mutex> guard(s.mutex);
    return s.changed.wait_for(guard, limit, [&] {
        auto found = s.windows.find(hwnd);
        return found != s.windows.end() && found->second.frames >= count;
    });
}

bool headless::dumpFrame(HWND hwnd, const std::string& path) {
    auto frame = lastFrame(hwnd);
    if (!frame || frame->width == 0 || frame->height == 0)
        return false;
    std::vector<guchar> rgba(static_cast<std::size_t>(frame->width) * frame->height * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = frame->bgra[i + 2];
        rgba[i + 1] = frame->bgra[i + 1];
        rgba[i + 2] = frame->bgra[i];
        rgba[i + 3] = frame->bgra[i + 3];
    }
    GdkPixbuf* picture =
        gdk_pixbuf_new_from_data(rgba.data(), GDK_COLORSPACE_RGB, TRUE, 8, frame->width,
                                 frame->height, frame->width * 4, nullptr, nullptr);
    const gboolean saved = gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
    return saved != FALSE;
}

std::optional<display::MenuRequest> headless::waitForMenu(Milliseconds limit) {
    return waitForOldest(state().menus, limit);
}

bool headless::answerMenu(unsigned command) {
    return answerOldest(state().menus, command);
}

std::optional<display::BoxRequest> headless::waitForMessageBox(Milliseconds limit) {
    return waitForOldest(state().boxes, limit);
}

bool headless::answerMessageBox(int answer) {
    return answerOldest(state().boxes, answer);
}

std::vector<display::TrayIcon> headless::trayIcons() {
    std::lock_guard<std::mutex> guard(state().mutex);
    return state().tray;
}

} // namespace voxtrel
