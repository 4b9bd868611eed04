// Menu 101 as the resource script defines it, and the menu operations on the shared tree.
#include "platform/win32.h"

#include "platform/linux/user/user_resources.h"
#include "resources/menu_ids.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::string text(HMENU menu, int position) {
    char buffer[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), buffer, sizeof buffer, MF_BYPOSITION);
    return buffer;
}

TEST(ProgramMenu, HasTheMainAndThePropertyPopups) {
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(text(menu, 0), "Popup");
    EXPECT_EQ(text(menu, 1), "Property");

    HMENU main = GetSubMenu(menu, 0);
    const UINT mainIds[] = {40007, 0, 40038, 40036, 0, 40032, 40005, 40004};
    const char* mainTexts[] = {"New Cursor",  "",     "Show All", "Hide All", "",
                               "Save Config", "Exit", "About"};
    ASSERT_EQ(GetMenuItemCount(main), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(text(main, i), mainTexts[i]);
        const UINT state = GetMenuState(main, static_cast<UINT>(i), MF_BYPOSITION);
        EXPECT_EQ(state & MF_SEPARATOR, mainIds[i] == 0 ? static_cast<UINT>(MF_SEPARATOR) : 0u);
        EXPECT_EQ(state & (MF_CHECKED | MF_GRAYED), 0u) << "nothing of the main menu is marked";
        if (mainIds[i] != 0) {
            EXPECT_EQ(GetMenuItemID(main, i), mainIds[i]);
        }
    }

    HMENU property = GetSubMenu(menu, 1);
    ASSERT_EQ(GetMenuItemCount(property), 10);
    HMENU shape = GetSubMenu(property, 0);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(text(property, 0), "Shape");
    EXPECT_EQ(GetMenuItemID(shape, 0), 40029u);
    EXPECT_EQ(GetMenuItemID(shape, 1), 40030u);
    EXPECT_EQ(text(shape, 0), "4 Slots");
    const UINT checkIds[] = {40017, 40018, 40024, 40021, 40040};
    const char* checkTexts[] = {"Alphablend", "Launcher", "On top", "BG Texture",
                                "Show in Taskbar"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(GetMenuItemID(property, 2 + i), checkIds[i]);
        EXPECT_EQ(text(property, 2 + i), checkTexts[i]);
        EXPECT_EQ(GetMenuState(property, checkIds[i], MF_BYCOMMAND) & MF_CHECKED,
                  static_cast<UINT>(MF_CHECKED));
    }
    EXPECT_EQ(GetMenuItemID(property, 8), 40034u);
    EXPECT_EQ(GetMenuItemID(property, 9), 40019u);
    EXPECT_EQ(text(property, 9), "Close");
    EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCEA(999)), nullptr);
}

TEST(MenuOperations, ByCommandReachIntoSubmenus) {
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    HMENU property = GetSubMenu(menu, 1);
    HMENU shape = GetSubMenu(property, 0);

    EXPECT_EQ(CheckMenuItem(menu, IDM_ALPHABLEND, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(property, 2, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(CheckMenuItem(menu, 12345, MF_CHECKED), 0xFFFFFFFFu);

    EXPECT_TRUE(CheckMenuRadioItem(menu, IDM_SHAPE_4_SLOTS, IDM_SHAPE_6_SLOTS, IDM_SHAPE_6_SLOTS,
                                   MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(shape, 1, MF_BYPOSITION) & (MF_CHECKED | MFT_RADIOCHECK),
              static_cast<UINT>(MF_CHECKED | MFT_RADIOCHECK));
    EXPECT_EQ(GetMenuState(shape, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_TRUE(CheckMenuRadioItem(menu, IDM_SHAPE_4_SLOTS, IDM_SHAPE_6_SLOTS, IDM_SHAPE_4_SLOTS,
                                   MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(shape, 1, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(shape, 0, MF_BYPOSITION) & MF_CHECKED, 0u);

    EXPECT_EQ(EnableMenuItem(menu, IDM_SHOW_IN_TASKBAR, MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(GetMenuState(property, IDM_SHOW_IN_TASKBAR, MF_BYCOMMAND) & MF_GRAYED,
              static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(menu, IDM_SHOW_IN_TASKBAR, MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(menu, 12345, MF_ENABLED), -1);
}

TEST(MenuOperations, EachLoadIsATreeOfItsOwn) {
    HMENU first = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    HMENU second = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MENU));
    CheckMenuItem(first, IDM_LAUNCHER, MF_UNCHECKED);
    EXPECT_NE(GetMenuState(second, IDM_LAUNCHER, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_TRUE(DestroyMenu(first));
    EXPECT_EQ(GetMenuItemCount(first), -1);
}

TEST(ResourceScript, ReadsDefinesAndReportsWhatItCannotRead) {
    using voxtrel::user::ResourceScript;
    const ResourceScript script(
        "#define ID_A 7\n// a comment\n1 MENU\nBEGIN\n POPUP \"P\"\n BEGIN\n"
        "  MENUITEM \"Say \"\"hi\"\"\", ID_A, CHECKED, GRAYED\n END\nEND\n"
        "2 ICON \"x.ico\"\n");
    const auto menu = script.menu(1);
    ASSERT_TRUE(menu.has_value());
    ASSERT_EQ(menu->size(), 1u);
    const auto& item = menu->front().items.at(0);
    EXPECT_EQ(item.text, "Say \"hi\"");
    EXPECT_EQ(item.id, 7u);
    EXPECT_TRUE(item.checked);
    EXPECT_TRUE(item.grayed);
    EXPECT_EQ(script.iconFile(2).value_or(""), "x.ico");
    EXPECT_FALSE(script.menu(2).has_value());

    EXPECT_THROW(ResourceScript("1 MENU BEGIN MENUITEM \"x\", UNKNOWN END"), std::runtime_error);
    EXPECT_THROW(ResourceScript("1 MENU BEGIN MENUITEM \"x\" 3 END"), std::runtime_error);
    EXPECT_THROW(ResourceScript("1 MENU BEGIN MENUITEM \"never ends"), std::runtime_error);
    try {
        ResourceScript("\n\n1 DIALOG");
        ADD_FAILURE() << "a dialog is not supported";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("DIALOG"), std::string::npos);
    }
}

} // namespace
