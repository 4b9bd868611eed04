// Drop handles: the paths of one drop and where it happened. A handle lives until DragFinish.
#include "platform/linux/display/display_reports.h"

#include "platform/linux/user/user_state.h"

#include <cstring>
#include <unordered_set>

namespace voxtrel::shell {

namespace {

struct DropObject {
    std::vector<std::string> paths;
    POINT client{};
};

std::mutex dropMutex;
std::unordered_set<DropObject*>& liveDrops() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* drops = new std::unordered_set<DropObject*>;
    return *drops;
}

DropObject* findDrop(HDROP drop) {
    auto* object = reinterpret_cast<DropObject*>(drop);
    return liveDrops().count(object) != 0 ? object : nullptr;
}

} // namespace

} // namespace voxtrel::shell

using namespace voxtrel::shell;

bool voxtrel::display::deliverDrop(HWND target, const std::vector<std::string>& paths,
                                   POINT screen) {
    if (paths.empty())
        return false;
    std::lock_guard<std::mutex> guard(user::stateLock());
    user::WindowObject* window = user::findWindow(target);
    if (window == nullptr || (window->exStyle & WS_EX_ACCEPTFILES) == 0)
        return false;
    auto queue = user::queueOf(window->threadId);
    if (!queue)
        return false;
    auto* drop = new DropObject{paths, {screen.x - window->rect.left, screen.y - window->rect.top}};
    {
        std::lock_guard<std::mutex> dropGuard(dropMutex);
        liveDrops().insert(drop);
    }
    user::post(*queue, MSG{target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0, GetTickCount(),
                           screen});
    return true;
}

UINT WINAPI DragQueryFileA(HDROP handle, UINT index, LPSTR buffer, UINT size) {
    std::lock_guard<std::mutex> guard(dropMutex);
    DropObject* drop = findDrop(handle);
    if (drop == nullptr)
        return 0;
    if (index == 0xFFFFFFFF)
        return static_cast<UINT>(drop->paths.size());
    if (index >= drop->paths.size())
        return 0;
    const std::string& path = drop->paths[index];
    if (buffer == nullptr)
        return static_cast<UINT>(path.size()); // the length, without the terminator
    if (size == 0)
        return 0;
    // A path longer than the buffer is cut short and still terminated, as on Windows.
    const UINT length = std::min<UINT>(size - 1, static_cast<UINT>(path.size()));
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
    return length;
}

BOOL WINAPI DragQueryPoint(HDROP handle, POINT* point) {
    std::lock_guard<std::mutex> guard(dropMutex);
    DropObject* drop = findDrop(handle);
    if (drop == nullptr || point == nullptr)
        return FALSE;
    *point = drop->client;
    return TRUE;
}

void WINAPI DragFinish(HDROP handle) {
    std::lock_guard<std::mutex> guard(dropMutex);
    if (DropObject* drop = findDrop(handle)) {
        liveDrops().erase(drop);
        delete drop;
    }
}
