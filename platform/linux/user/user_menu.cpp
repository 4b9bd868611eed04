// Menu operations. By command, an operation reaches items inside submenus too; by position,
// only the menu's own items.
#include "platform/linux/user/user_menu.h"

#include <cstring>
#include <unordered_set>

namespace voxtrel::user {

namespace {

std::unordered_set<MenuObject*>& liveMenus() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* menus = new std::unordered_set<MenuObject*>;
    return *menus;
}

constexpr DWORD kNotFound = 0xFFFFFFFF;

struct Found {
    MenuObject* menu = nullptr;
    std::size_t index = 0;
};

Found findItem(HMENU handle, UINT item, UINT flags) {
    MenuObject* menu = findMenu(handle);
    if (menu == nullptr)
        return {};
    if ((flags & MF_BYPOSITION) != 0) {
        if (item < menu->items.size())
            return {menu, item};
        return {};
    }
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        const MenuItem& entry = menu->items[i];
        if (entry.submenu == nullptr && (entry.state & MF_SEPARATOR) == 0 && entry.id == item)
            return {menu, i};
        if (entry.submenu != nullptr) {
            Found inner = findItem(entry.submenu, item, flags);
            if (inner.menu != nullptr)
                return inner;
        }
    }
    return {};
}

} // namespace

std::mutex& menuLock() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* mutex = new std::mutex;
    return *mutex;
}

MenuObject* findMenu(HMENU menu) {
    auto* object = reinterpret_cast<MenuObject*>(menu);
    return liveMenus().count(object) != 0 ? object : nullptr;
}

HMENU adoptMenu(MenuObject* menu) {
    liveMenus().insert(menu);
    return reinterpret_cast<HMENU>(menu);
}

std::vector<display::MenuItemView> viewOf(const MenuObject& menu) {
    std::vector<display::MenuItemView> views;
    for (const MenuItem& item : menu.items) {
        display::MenuItemView view;
        view.text = item.text;
        view.id = item.id;
        view.state = item.state;
        if (MenuObject* submenu = findMenu(item.submenu)) {
            view.state |= MF_POPUP;
            view.submenu = viewOf(*submenu);
        }
        views.push_back(std::move(view));
    }
    return views;
}

} // namespace voxtrel::user

using namespace voxtrel::user;

HMENU WINAPI CreatePopupMenu() {
    std::lock_guard<std::mutex> guard(menuLock());
    return adoptMenu(new MenuObject);
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
    std::lock_guard<std::mutex> guard(menuLock());
    MenuObject* object = findMenu(menu);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    MenuItem item;
    item.state = flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MFT_RADIOCHECK);
    if ((flags & MF_POPUP) != 0)
        item.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
    else
        item.id = static_cast<UINT>(idOrSubmenu);
    if (text != nullptr && (flags & MF_SEPARATOR) == 0)
        item.text = text;
    object->items.push_back(std::move(item));
    return TRUE;
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    std::lock_guard<std::mutex> guard(menuLock());
    MenuObject* object = findMenu(menu);
    if (object == nullptr)
        return FALSE;
    // Submenus go with their menu, as on Windows.
    std::vector<HMENU> pending{menu};
    while (!pending.empty()) {
        MenuObject* current = findMenu(pending.back());
        pending.pop_back();
        if (current == nullptr)
            continue;
        for (const MenuItem& item : current->items) {
            if (item.submenu != nullptr)
                pending.push_back(item.submenu);
        }
        liveMenus().erase(current);
        delete current;
    }
    return TRUE;
}

HMENU WINAPI GetSubMenu(HMENU menu, int position) {
    std::lock_guard<std::mutex> guard(menuLock());
    MenuObject* object = findMenu(menu);
    if (object == nullptr || position < 0 ||
        static_cast<std::size_t>(position) >= object->items.size())
        return nullptr;
    return object->items[static_cast<std::size_t>(position)].submenu;
}

int WINAPI GetMenuItemCount(HMENU menu) {
    std::lock_guard<std::mutex> guard(menuLock());
    MenuObject* object = findMenu(menu);
    return object != nullptr ? static_cast<int>(object->items.size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
    std::lock_guard<std::mutex> guard(menuLock());
    MenuObject* object = findMenu(menu);
    if (object == nullptr || position < 0 ||
        static_cast<std::size_t>(position) >= object->items.size())
        return kNotFound;
    const MenuItem& item = object->items[static_cast<std::size_t>(position)];
    return item.submenu != nullptr ? kNotFound : item.id;
}

UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags) {
    std::lock_guard<std::mutex> guard(menuLock());
    Found found = findItem(menu, item, flags);
    if (found.menu == nullptr)
        return kNotFound;
    const MenuItem& entry = found.menu->items[found.index];
    return entry.state | (entry.submenu != nullptr ? MF_POPUP : 0u);
}

int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
    std::lock_guard<std::mutex> guard(menuLock());
    Found found = findItem(menu, item, flags);
    if (found.menu == nullptr)
        return 0;
    const std::string& text = found.menu->items[found.index].text;
    if (buffer == nullptr || size <= 0)
        return static_cast<int>(text.size());
    const int length = std::min<int>(size - 1, static_cast<int>(text.size()));
    std::memcpy(buffer, text.data(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return length;
}

DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT check) {
    std::lock_guard<std::mutex> guard(menuLock());
    Found found = findItem(menu, item, check & MF_BYPOSITION);
    if (found.menu == nullptr)
        return kNotFound;
    MenuItem& entry = found.menu->items[found.index];
    const DWORD previous = entry.state & MF_CHECKED;
    entry.state = (entry.state & ~static_cast<UINT>(MF_CHECKED)) | (check & MF_CHECKED);
    return previous;
}

BOOL WINAPI CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
    std::lock_guard<std::mutex> guard(menuLock());
    Found firstItem = findItem(menu, first, flags);
    Found lastItem = findItem(menu, last, flags);
    Found chosen = findItem(menu, check, flags);
    // The range and the chosen item must lie in one menu.
    if (firstItem.menu == nullptr || firstItem.menu != lastItem.menu ||
        chosen.menu != firstItem.menu || chosen.index < firstItem.index ||
        chosen.index > lastItem.index)
        return FALSE;
    for (std::size_t i = firstItem.index; i <= lastItem.index; ++i) {
        MenuItem& entry = firstItem.menu->items[i];
        if (i == chosen.index)
            entry.state |= MF_CHECKED | MFT_RADIOCHECK;
        else
            entry.state &= ~static_cast<UINT>(MF_CHECKED);
    }
    return TRUE;
}

BOOL WINAPI EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    std::lock_guard<std::mutex> guard(menuLock());
    Found found = findItem(menu, item, enable & MF_BYPOSITION);
    if (found.menu == nullptr)
        return -1;
    MenuItem& entry = found.menu->items[found.index];
    const UINT previous = entry.state & (MF_GRAYED | MF_DISABLED);
    entry.state = (entry.state & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) |
                  (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}
