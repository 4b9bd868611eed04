// Menu trees behind HMENU values, shared by every thread under one lock.
#pragma once

#include "platform/win32.h"

#include "platform/linux/display/display.h"

#include <mutex>
#include <string>
#include <vector>

namespace voxtrel::user {

struct MenuItem {
    std::string text;
    UINT id = 0;
    UINT state = 0; // MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR, MFT_RADIOCHECK
    HMENU submenu = nullptr;
};

struct MenuObject {
    std::vector<MenuItem> items;
};

std::mutex& menuLock();
// Called with menuLock() held.
MenuObject* findMenu(HMENU menu);
HMENU adoptMenu(MenuObject* menu);
// What the backend shows of a menu, submenus included.
std::vector<display::MenuItemView> viewOf(const MenuObject& menu);

} // namespace voxtrel::user
