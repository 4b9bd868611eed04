// Starting a cursor's thread, its message loop, and leaving the registry when the loop ends.
#include "registry/cursor_thread.h"

#include "registry/desktop.h"

namespace voxtrel {

namespace {

DWORD WINAPI cursorThreadEntry(LPVOID parameter) {
    return static_cast<CursorThread*>(parameter)->run();
}

} // namespace

CursorThread::CursorThread() : cursor(new Cursor) {}

CursorThread::CursorThread(Cursor* adopted) : cursor(adopted) {}

CursorThread::~CursorThread() {
    delete cursor;
}

HANDLE CursorThread::start() {
    return CreateThread(nullptr, 0, &cursorThreadEntry, this, 0, &threadId);
}

DWORD CursorThread::run() {
    // A cursor without a window has nothing to run; it leaves at once.
    if (cursor->create()) {
        MSG message;
        // -1 (an error) ends the loop as WM_QUIT does, instead of spinning on it.
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    cursor->releaseSurface();
    desktop.remove(this);
    return 0;
}

void CursorThread::quit() const {
    // Lost when the thread has no queue yet; the shutdown handshake posts again.
    static_cast<void>(PostThreadMessageA(threadId, WM_QUIT, 0, 0));
}

} // namespace voxtrel
