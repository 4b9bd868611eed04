// Cursor threads for whole-thread tests.
#include "tests/support/cursor_threads.h"

#include "common/process_handles.h"
#include "platform/linux/display/headless/headless_control.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"

#include <algorithm>

namespace voxtrel::testing_support {

void prepareCursorProcess() {
    initImageLibrary();
    if (menuResource == nullptr)
        menuResource = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    headless::setScreenSize(1280, 1024);
    headless::setPointer(0, 0);
}

std::vector<CursorThread*> startCursors(const std::vector<std::function<void(Cursor&)>>& setups) {
    std::vector<CursorThread*> entries;
    desktop.lock();
    for (const auto& setup : setups) {
        auto* entry = new CursorThread;
        if (setup)
            setup(*entry->cursor);
        desktop.threads.push_back(entry);
        entries.push_back(entry);
    }
    desktop.unlock();
    desktop.startAll();
    return entries;
}

CursorThread* startCursor(const std::function<void(Cursor&)>& setup) {
    return startCursors({setup}).front();
}

HWND waitForWindow(const CursorThread* entry, unsigned frames) {
    if (!waitFor([&] { return IsWindow(entry->cursor->hwnd) != FALSE; }))
        return nullptr;
    HWND hwnd = entry->cursor->hwnd;
    return headless::waitForFrames(hwnd, frames) ? hwnd : nullptr;
}

bool waitForMoreFrames(HWND hwnd, unsigned more) {
    const auto view = headless::window(hwnd);
    return view && headless::waitForFrames(hwnd, view->frames + more);
}

std::vector<CursorThread*> registered() {
    desktop.lock();
    std::vector<CursorThread*> copy(desktop.threads.begin(), desktop.threads.end());
    desktop.unlock();
    return copy;
}

bool waitForThread(HANDLE thread, DWORD limitMs) {
    return WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0;
}

bool stopAllCursors() {
    // A quit posted before a thread has its queue is lost, so it is posted again until every
    // thread has ended, as the shutdown handshake does.
    const DWORD start = GetTickCount();
    do {
        for (CursorThread* entry : registered())
            entry->quit();
        if (waitForAllThreads(100))
            return true;
    } while (GetTickCount() - start < 20000);
    return false;
}

bool waitForAllThreads(DWORD limitMs) {
    const std::vector<HANDLE>& handles = desktop.threadHandles;
    for (std::size_t first = 0; first < handles.size(); first += MAXIMUM_WAIT_OBJECTS) {
        const auto count =
            static_cast<DWORD>(std::min<std::size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first));
        if (WaitForMultipleObjects(count, &handles[first], TRUE, limitMs) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

} // namespace voxtrel::testing_support
