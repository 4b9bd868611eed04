// A cursor's property menu: its marks from the cursor's settings, and its commands.
#include "cursor/cursor.h"

#include "common/process_handles.h"

namespace voxtrel {

namespace {

constexpr int PROPERTY_SUBMENU = 1;
constexpr UINT PROPERTY_MENU_FLAGS = 0; // at the point, left and top aligned, left button

} // namespace

void checkMenuFlag(HMENU menu, UINT command, INT flag) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (flag != 0 ? MF_CHECKED : MF_UNCHECKED));
}

void toggleMenuFlag(HMENU menu, UINT command, INT& flag) {
    flag = flag == 0 ? 1 : 0;
    checkMenuFlag(menu, command, flag);
}

void Cursor::updateMenuChecks(HMENU menu) {
    checkMenuFlag(menu, IDM_ALPHABLEND, alphaBlend);
    checkMenuFlag(menu, IDM_LAUNCHER, launcherEnabled);
    checkMenuFlag(menu, IDM_BG_TEXTURE, bgTextureEnabled);
    checkMenuFlag(menu, IDM_ON_TOP, onTop);
    checkMenuFlag(menu, IDM_SHOW_IN_TASKBAR, showInTaskbar);
    CheckMenuRadioItem(menu, FIRST_SHAPE_COMMAND, LAST_SHAPE_COMMAND, shape, MF_BYCOMMAND);
}

void Cursor::showPropertyMenu() {
    // At the mouse, also when the menu key asked for it.
    POINT mouse;
    GetCursorPos(&mouse);
    // The menu is shared by every cursor: its marks are set right before each showing.
    updateMenuChecks(menuResource);
    SetForegroundWindow(hwnd);
    TrackPopupMenuEx(GetSubMenu(menuResource, PROPERTY_SUBMENU), PROPERTY_MENU_FLAGS, mouse.x,
                     mouse.y, hwnd, nullptr);
}

void Cursor::onCommand(HMENU menu, WORD command) {
    // The saved settings change under the lock a save reads them with.
    std::unique_lock<std::mutex> saved(savedFieldsLock);
    switch (command) {
    case IDM_ALPHABLEND:
        toggleMenuFlag(menu, command, alphaBlend);
        break;
    case IDM_LAUNCHER:
        toggleMenuFlag(menu, command, launcherEnabled);
        break;
    case IDM_CLOSE:
        saved.unlock();
        DestroyWindow(hwnd);
        break;
    case IDM_BG_TEXTURE:
        toggleMenuFlag(menu, command, bgTextureEnabled);
        break;
    case IDM_ON_TOP:
        toggleMenuFlag(menu, command, onTop);
        saved.unlock();
        applyStyle();
        break;
    case IDM_HIDE:
        saved.unlock();
        CloseWindow(hwnd); // minimised; "Show All" brings it back
        break;
    case IDM_SHOW_IN_TASKBAR:
        // Both ways: the style is applied by hiding and showing the window again.
        toggleMenuFlag(menu, command, showInTaskbar);
        saved.unlock();
        applyStyle();
        break;
    default:
        if (shapeIndex(command) >= 0) {
            CheckMenuRadioItem(menu, FIRST_SHAPE_COMMAND, LAST_SHAPE_COMMAND, command,
                               MF_BYCOMMAND);
            shape = command;
            chooseMesh();
        }
        break;
    }
}

} // namespace voxtrel
