// The registry's operations. Every walk or change of `threads` holds the mutex, so a cursor
// thread that ends (and removes its entry) never changes the list under a walk.
#include "registry/desktop.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace voxtrel {

namespace {

// Once a run: when the system gives no more threads, every further cursor fails alike.
void reportThreadFailure(DWORD error) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    char text[192];
    std::snprintf(text, sizeof text,
                  "A cursor cannot be started: CreateThread failed (error %lu). The other cursors "
                  "go on.",
                  static_cast<unsigned long>(error));
    MessageBoxA(nullptr, text, "Cursor Error", MB_ICONERROR);
}

} // namespace

Desktop desktop;

Desktop::Desktop() {
    mutex = CreateMutexA(nullptr, FALSE, nullptr);
}

Desktop::~Desktop() = default;

void Desktop::lock() {
    static_cast<void>(WaitForSingleObject(mutex, INFINITE));
}

void Desktop::unlock() {
    static_cast<void>(ReleaseMutex(mutex));
}

void Desktop::newCursor() {
    auto* entry = new CursorThread;
    // In the list before its thread runs, so the thread's self-removal always finds it.
    lock();
    threads.push_back(entry);
    unlock();
    startEntry(entry);
}

void Desktop::startAll() {
    lock();
    // A null entry or one without a cursor (only a damaged file gives one) is dropped, not run.
    std::vector<CursorThread*> dropped;
    for (auto it = threads.begin(); it != threads.end();) {
        if (*it == nullptr || (*it)->cursor == nullptr) {
            dropped.push_back(*it);
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
    // Entries not started yet cannot leave the list, so the copy stays valid after the unlock.
    const std::vector<CursorThread*> entries(threads.begin(), threads.end());
    unlock();
    for (CursorThread* entry : dropped)
        delete entry;
    for (CursorThread* entry : entries)
        startEntry(entry);
}

void Desktop::startEntry(CursorThread* entry) {
    if (HANDLE handle = entry->start()) {
        threadHandles.push_back(handle);
        return;
    }
    const DWORD error = GetLastError();
    lock();
    threads.remove(entry);
    unlock();
    delete entry;
    reportThreadFailure(error);
}

std::vector<HWND> Desktop::windows() {
    std::vector<HWND> result;
    lock();
    result.reserve(threads.size());
    for (const CursorThread* entry : threads)
        result.push_back(entry->cursor->hwnd);
    unlock();
    return result;
}

// The calls go to windows of other threads, outside the mutex, so that a cursor thread never
// has to answer for its window while it waits for the mutex to leave.
void Desktop::showAll() {
    // Shown and raised, but not activated: the focus stays where the user works.
    for (HWND window : windows()) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Desktop::hideAll() {
    for (HWND window : windows())
        ShowWindow(window, SW_HIDE);
}

void Desktop::discardUnstarted() {
    lock();
    std::list<CursorThread*> entries;
    entries.swap(threads);
    unlock();
    for (CursorThread* entry : entries)
        delete entry;
}

void Desktop::remove(CursorThread* entry) {
    lock();
    const auto before = threads.size();
    threads.remove(entry);
    if (threads.size() != before)
        ended_.emplace_back(entry);
    unlock();
}

} // namespace voxtrel
