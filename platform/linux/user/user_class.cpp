// Window classes: registered once per process by name; a second registration of a name fails.
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/user/user_state.h"

#include <unordered_map>

namespace voxtrel::user {

namespace {

std::unordered_map<std::string, std::shared_ptr<const WindowClass>>& classes() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* table = new std::unordered_map<std::string, std::shared_ptr<const WindowClass>>;
    return *table;
}

ATOM nextAtom = 0xC000; // where Windows numbers registered classes from

} // namespace

// The class named by a string or by an atom (MAKEINTATOM). Called with stateLock() held.
std::shared_ptr<const WindowClass> findClass(LPCSTR name) {
    if (name == nullptr)
        return nullptr;
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (auto& [key, windowClass] : classes()) {
            if (windowClass->atom == atom)
                return windowClass;
        }
        return nullptr;
    }
    auto found = classes().find(name);
    return found != classes().end() ? found->second : nullptr;
}

} // namespace voxtrel::user

using namespace voxtrel::user;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* info) {
    if (info == nullptr || info->cbSize != sizeof(WNDCLASSEXA) || info->lpszClassName == nullptr ||
        IS_INTRESOURCE(info->lpszClassName) || info->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Read before the window state is locked: the icon's pixels are GDI's, under its own lock.
    voxtrel::display::IconPicture iconPicture = voxtrel::gdi::iconPicture(info->hIcon);
    std::lock_guard<std::mutex> guard(stateLock());
    if (classes().count(info->lpszClassName) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->name = info->lpszClassName;
    windowClass->atom = nextAtom++;
    windowClass->style = info->style;
    windowClass->procedure = info->lpfnWndProc;
    windowClass->icon = info->hIcon;
    windowClass->iconPicture = std::move(iconPicture);
    windowClass->cursor = info->hCursor;
    classes().emplace(windowClass->name, windowClass);
    return windowClass->atom;
}
