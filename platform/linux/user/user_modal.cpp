// TrackPopupMenuEx and MessageBoxA: the backend shows the menu or box without blocking, and the
// calling thread runs its own messages (its timers and paints go on) until the answer comes.
#include "platform/linux/kernel/kernel_objects.h"
#include "platform/linux/user/user_menu.h"
#include "platform/linux/user/user_state.h"

#include <cstdio>

using namespace voxtrel::user;

BOOL WINAPI TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
    voxtrel::display::MenuRequest request;
    {
        std::lock_guard<std::mutex> guard(menuLock());
        MenuObject* object = findMenu(menu);
        if (object == nullptr) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
        request.items = viewOf(*object);
    }
    {
        std::lock_guard<std::mutex> guard(stateLock());
        if (findWindow(owner) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        currentQueue(); // the answer is delivered to this thread's queue
    }
    request.token = newModalToken();
    request.threadId = voxtrel::kernel::currentThreadId();
    request.owner = owner;
    request.x = x;
    request.y = y;
    request.flags = flags;
    voxtrel::display::current().showMenu(request);

    LRESULT chosen = 0;
    if (!runModalLoop(request.token, chosen)) {
        voxtrel::display::current().cancelModal(request.token);
        return FALSE;
    }
    if ((flags & TPM_RETURNCMD) != 0)
        return static_cast<BOOL>(chosen);
    if (chosen != 0 && (flags & TPM_NONOTIFY) == 0)
        PostMessageA(owner, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
    return TRUE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    voxtrel::display::BoxRequest request;
    request.token = newModalToken();
    request.threadId = voxtrel::kernel::currentThreadId();
    request.owner = owner;
    request.text = text != nullptr ? text : "";
    request.caption = caption != nullptr ? caption : "Error";
    request.type = type;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        currentQueue();
    }
    // Every box is also written to standard error: the program has no log of its own, and a
    // box shown where nobody looks should still leave a trace.
    std::fprintf(stderr, "voxtrel: [%s] %s\n", request.caption.c_str(), request.text.c_str());
    voxtrel::display::current().showMessageBox(request);

    LRESULT answer = 0;
    if (!runModalLoop(request.token, answer)) {
        voxtrel::display::current().cancelModal(request.token);
        // Ended by WM_QUIT: the box counts as cancelled.
        const UINT buttons = type & 0xF;
        return buttons == MB_OK ? IDOK : (buttons == MB_YESNO ? IDNO : IDCANCEL);
    }
    return static_cast<int>(answer);
}
