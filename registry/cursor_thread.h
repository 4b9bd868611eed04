// A cursor paired with the thread that runs it: its window, frames, input and launching all
// happen on that thread.
#pragma once

#include "platform/win32.h"

#include "cursor/cursor.h"

#include <memory>

namespace voxtrel {

class CursorThread {
public:
    // A cursor with every setting at its default; no thread yet.
    CursorThread();
    // Takes over a cursor made elsewhere (the configuration load).
    explicit CursorThread(Cursor* adopted);
    ~CursorThread();
    CursorThread(const CursorThread&) = delete;
    CursorThread& operator=(const CursorThread&) = delete;

    // Starts the thread that runs this cursor; its handle, or null when no thread could be made.
    HANDLE start();
    // The thread's body: the window, the message loop, then leaving the registry. Returns 0.
    DWORD run();
    // Asks the thread to leave its message loop.
    void quit() const;

    // The configuration archive: the cursor, through its pointer (config/archive.cpp). A loaded
    // cursor replaces the default one this entry was made with.
    template <class Archive> void serialize(Archive& archive, unsigned int version);

    DWORD threadId = 0; // written by start
    Cursor* cursor;     // owned
};

} // namespace voxtrel
