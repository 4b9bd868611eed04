// The registry of every cursor of the process, with the threads that run them. One instance,
// `desktop`, lives for the whole process; its operations run on the main thread, except the
// self-removal of a cursor thread that ends.
#pragma once

#include "platform/win32.h"

#include "registry/cursor_thread.h"

#include <list>
#include <memory>
#include <vector>

namespace voxtrel {

class Desktop {
public:
    Desktop();
    // Frees the list and what ended threads left; leaves the mutex and the handles open.
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // A default cursor, appended and started.
    void newCursor();
    // Starts every registered cursor, first to last (after the configuration load).
    void startAll();
    // Shows and raises every cursor window, first to last, without taking the focus.
    void showAll();
    void hideAll();

    void lock();
    void unlock();

    // Called by a cursor thread whose loop has ended: drops its entry from `threads`, by
    // pointer, under the mutex. The object is kept until the registry goes, since the thread
    // that created it may still be finishing `start`.
    void remove(CursorThread* entry);

    // The configuration archive: the list of cursors (config/archive.cpp). A save walks it
    // under the mutex.
    template <class Archive> void serialize(Archive& archive, unsigned int version);
    // Deletes every entry of the list, for a load that failed part-way: none of them runs.
    void discardUnstarted();

    HANDLE mutex = nullptr;
    std::list<CursorThread*> threads;  // the running cursors, in the order they were added
    std::vector<HANDLE> threadHandles; // every cursor thread ever started, never pruned

private:
    // Starts an entry already in `threads`; an entry whose thread cannot be made leaves it.
    void startEntry(CursorThread* entry);
    // The cursor windows, read under the mutex so that no entry leaves during the walk.
    std::vector<HWND> windows();

    std::vector<std::unique_ptr<CursorThread>> ended_; // guarded by the mutex
};

// The one registry of the process.
extern Desktop desktop;

} // namespace voxtrel
