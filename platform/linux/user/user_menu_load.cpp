// LoadMenuA: a fresh menu tree from a MENU statement of the program's resource script.
#include "platform/linux/user/user_menu.h"
#include "platform/linux/user/user_resources.h"

#include <cstdio>
#include <exception>

namespace {

using namespace voxtrel::user;

// Called with menuLock() held.
HMENU build(const std::vector<MenuEntry>& entries) {
    auto* menu = new MenuObject;
    for (const MenuEntry& entry : entries) {
        MenuItem item;
        item.text = entry.text;
        item.id = entry.id;
        item.state = (entry.separator ? MF_SEPARATOR : 0u) | (entry.checked ? MF_CHECKED : 0u) |
                     (entry.grayed ? MF_GRAYED : 0u);
        if (entry.popup)
            item.submenu = build(entry.items);
        menu->items.push_back(std::move(item));
    }
    return adoptMenu(menu);
}

} // namespace

HMENU WINAPI LoadMenuA(HINSTANCE, LPCSTR name) {
    if (name == nullptr || !IS_INTRESOURCE(name)) {
        // The program names its resources by number only.
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const unsigned id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
    try {
        const auto entries = programResources().menu(id);
        if (!entries) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        std::lock_guard<std::mutex> guard(menuLock());
        return build(*entries);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voxtrel: the menu resources cannot be read: %s\n", error.what());
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
}
