// Dropped files, the tray icon and file icons of the shell layer.
#include "platform/win32.h"

#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/shell/shell_icon_theme.h"
#include "platform/linux/user/user_resources.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <cstring>

namespace {

using namespace voxtrel::testing_support;
namespace headless = voxtrel::headless;

const Recorded* find(const std::vector<Recorded>& messages, UINT message) {
    for (const Recorded& entry : messages)
        if (entry.message == message)
            return &entry;
    return nullptr;
}

TEST(Drops, AWindowThatAcceptsFilesGetsTheirPaths) {
    HWND refusing = createRecordingWindow(0, nullptr, 0, {0, 0, 50, 50});
    ShowWindow(refusing, SW_SHOW);
    HWND accepting = createRecordingWindow(WS_EX_ACCEPTFILES);
    ShowWindow(accepting, SW_SHOW);
    headless::setPointer(10, 10);
    EXPECT_FALSE(headless::dropFiles({"/tmp/a"})) << "that window does not take files";

    headless::setPointer(150, 150);
    const std::string longPath = "/home/user/" + std::string(300, 'x');
    ASSERT_TRUE(headless::dropFiles({"/home/user/My Documents/first file.txt", longPath, "/c"}));
    clearRecorded();
    pumpMessages();
    const auto messages = recorded();
    const Recorded* drop = find(messages, WM_DROPFILES);
    ASSERT_NE(drop, nullptr);
    auto handle = reinterpret_cast<HDROP>(drop->wParam);
    EXPECT_EQ(DragQueryFileA(handle, 0xFFFFFFFF, nullptr, 0), 3u);
    char path[MAX_PATH];
    EXPECT_EQ(DragQueryFileA(handle, 0, path, MAX_PATH), 38u);
    EXPECT_STREQ(path, "/home/user/My Documents/first file.txt");
    EXPECT_EQ(DragQueryFileA(handle, 1, nullptr, 0), longPath.size());
    EXPECT_EQ(DragQueryFileA(handle, 1, path, MAX_PATH), static_cast<UINT>(MAX_PATH - 1));
    EXPECT_EQ(std::strlen(path), static_cast<std::size_t>(MAX_PATH - 1))
        << "cut short, still terminated";
    POINT point;
    ASSERT_TRUE(DragQueryPoint(handle, &point));
    EXPECT_EQ(point.x, 50);
    DragFinish(handle);
    EXPECT_EQ(DragQueryFileA(handle, 0xFFFFFFFF, nullptr, 0), 0u) << "finished handles are gone";
}

NOTIFYICONDATAA trayRecord(HWND owner, const char* tip) {
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = owner;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = 0x8000;
    record.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5));
    std::strncpy(record.szTip, tip, sizeof record.szTip - 1);
    return record;
}

TEST(Tray, MouseEventsReachTheOwnerAsItsCallbackMessage) {
    HWND owner = createRecordingWindow();
    NOTIFYICONDATAA record = trayRecord(owner, "Voxtrel R0-0009");
    ASSERT_NE(record.hIcon, nullptr) << "the program icon, resource 5";
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &record));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &record)) << "added once";
    auto icons = headless::trayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Voxtrel R0-0009");
    ASSERT_NE(icons[0].icon, nullptr) << "the display gets the icon's pixels";
    EXPECT_EQ(icons[0].icon, voxtrel::gdi::iconPicture(record.hIcon)) << "the icon's own, shared";

    clearRecorded();
    ASSERT_TRUE(headless::trayEvent(WM_RBUTTONDOWN));
    pumpMessages();
    const auto messages = recorded();
    const Recorded* callback = find(messages, 0x8000);
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(callback->lParam, WM_RBUTTONDOWN);
    EXPECT_EQ(callback->wParam, 0u);

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    EXPECT_TRUE(headless::trayIcons().empty());
}

TEST(Tray, TheFirstFormOfTheRecordHoldsSixtyFourCharactersOfTip) {
    HWND owner = createRecordingWindow();
    NOTIFYICONDATAA record = trayRecord(owner, std::string(100, 't').c_str());
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &record));
    EXPECT_EQ(headless::trayIcons().at(0).tip.size(), 63u);
}

TEST(Modules, IconsComeFromTheProgramsModuleAndTheShellIsFoundByNameOrOrdinal) {
    // A null instance names the system's icons: the program's own are not among them.
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(5)), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    const HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(LoadIconA(program, MAKEINTRESOURCEA(5)), nullptr);
    EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCEA(6)), nullptr);

    const HMODULE shell = GetModuleHandleA("SHELL32.dll");
    ASSERT_NE(shell, nullptr);
    const FARPROC byName = GetProcAddress(shell, "SHGetImageList");
    EXPECT_EQ(reinterpret_cast<void*>(byName), reinterpret_cast<void*>(&SHGetImageList));
    EXPECT_EQ(GetProcAddress(shell, MAKEINTRESOURCEA(727)), byName);
    EXPECT_EQ(GetProcAddress(shell, "SHGetImageLists"), nullptr);
    EXPECT_EQ(GetProcAddress(program, "SHGetImageList"), nullptr);
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
}

TEST(Modules, TheProgramIconCarriesEverySizeWindowsPicksFrom) {
    // An icon file: a six-byte header, then a 16-byte entry per image (width first, 0 for 256;
    // the image's size and offset at bytes 8 and 12 of the entry).
    const voxtrel::user::EmbeddedFile* icon = voxtrel::user::findEmbedded("voxtrel.ico");
    ASSERT_NE(icon, nullptr);
    const auto word = [&](std::size_t at) { return icon->data[at] | icon->data[at + 1] << 8; };
    const auto dword = [&](std::size_t at) {
        return static_cast<std::size_t>(word(at)) | static_cast<std::size_t>(word(at + 2)) << 16;
    };
    ASSERT_GE(icon->size, 6u);
    std::vector<int> sides;
    for (int image = 0; image < word(4); ++image) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(image);
        ASSERT_LE(entry + 16, icon->size);
        const int side = icon->data[entry] == 0 ? 256 : icon->data[entry];
        sides.push_back(side);
        const std::size_t offset = dword(entry + 12);
        ASSERT_LE(offset + dword(entry + 8), icon->size);
        const bool png = std::memcmp(icon->data + offset, "\x89PNG", 4) == 0;
        EXPECT_EQ(png, side == 256) << side << " pixels: only the largest is stored as PNG";
    }
    EXPECT_EQ(sides, (std::vector<int>{16, 24, 32, 48, 64, 256}));
}

TEST(FileIcons, AnExistingPathHasAnIconOfTheLargeSizeAndAMissingOneNone) {
    TempDir dir;
    const std::string text = dir.write("notes.txt", "hello\n");
    SHFILEINFOA info = {};
    ASSERT_NE(SHGetFileInfoA(text.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_DISPLAYNAME),
              0u);
    ASSERT_NE(info.hIcon, nullptr);
    EXPECT_STREQ(info.szDisplayName, "notes.txt");

    ICONINFO parts = {};
    ASSERT_TRUE(GetIconInfo(info.hIcon, &parts));
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = 32;
    format.bmiHeader.biHeight = 32;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    std::vector<unsigned char> pixels(32 * 3 * 32);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, parts.hbmColor, 0, 32, pixels.data(), &format, DIB_RGB_COLORS), 32);
    // A picture, not a blank: its pixels differ.
    bool varied = false;
    for (std::size_t i = 3; i < pixels.size() && !varied; ++i)
        varied = pixels[i] != pixels[0];
    EXPECT_TRUE(varied);
    EXPECT_TRUE(DeleteObject(parts.hbmColor));
    EXPECT_TRUE(DeleteObject(parts.hbmMask));
    EXPECT_TRUE(DestroyIcon(info.hIcon));
    DeleteDC(dc);

    SHFILEINFOA folder = {};
    EXPECT_NE(SHGetFileInfoA(dir.path().c_str(), 0, &folder, sizeof folder, SHGFI_ICON), 0u);
    EXPECT_NE(folder.hIcon, nullptr);

    SHFILEINFOA none = {};
    EXPECT_EQ(
        SHGetFileInfoA((dir.path() + "/missing.txt").c_str(), 0, &none, sizeof none, SHGFI_ICON),
        0u);

    // As on Windows, an empty path is the current folder: the folder's own icon.
    SHFILEINFOA current = {};
    SHFILEINFOA currentByName = {};
    const std::string start = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    EXPECT_NE(SHGetFileInfoA("", 0, &current, sizeof current, SHGFI_SYSICONINDEX), 0u);
    std::filesystem::current_path(start);
    EXPECT_NE(SHGetFileInfoA(dir.path().c_str(), 0, &currentByName, sizeof currentByName,
                             SHGFI_SYSICONINDEX),
              0u);
    EXPECT_EQ(current.iIcon, currentByName.iIcon);
}

// The icon theme GTK's settings file names, with the themes it inherits from, comes before the
// default themes; an icon the user's theme lacks comes from the theme it inherits from.
TEST(FileIcons, TheUsersThemeAndTheThemesItInheritsFromComeFirst) {
    TempDir home;
    setenv("XDG_DATA_HOME", (home.path() + "/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/config").c_str(), 1);
    const auto chooseTheme = [&](const std::string& theme) {
        home.write("config/gtk-3.0/settings.ini",
                   "[Settings]\ngtk-theme-name = Adwaita\ngtk-icon-theme-name = " + theme + "\n");
    };
    home.write("share/icons/Child/index.theme",
               "[Icon Theme]\nName=Child\nInherits=Parent\nDirectories=48x48/mimetypes\n");
    home.write("share/icons/Parent/index.theme",
               "[Icon Theme]\nName=Parent\nInherits=hicolor\nDirectories=48x48/mimetypes\n");
    const std::string inherited =
        home.write("share/icons/Parent/48x48/mimetypes/text-x-generic.png", "");
    chooseTheme("Child");
    EXPECT_EQ(voxtrel::shell::findThemeIcon({"text-x-generic"}, 48), inherited)
        << "the theme the user's theme inherits from, before Adwaita";
    const std::string own = home.write("share/icons/Child/48x48/mimetypes/text-x-generic.svg", "");
    EXPECT_EQ(voxtrel::shell::findThemeIcon({"text-x-generic"}, 48), own);
    // A name no chosen theme has still comes from the defaults.
    EXPECT_NE(voxtrel::shell::findThemeIcon({"folder"}, 48), std::nullopt);

    // A theme installed from the system's packages, chosen, and inherited from by a theme that
    // has no icon of its own.
    if (!std::filesystem::exists("/usr/share/icons/Papirus/index.theme"))
        GTEST_SKIP() << "papirus-icon-theme is not installed (scripts/test installs it)";
    chooseTheme("Papirus");
    const auto papirus = voxtrel::shell::findThemeIcon({"text-x-generic"}, 48);
    ASSERT_TRUE(papirus.has_value());
    EXPECT_EQ(papirus->rfind("/usr/share/icons/Papirus/", 0), 0u) << *papirus;
    home.write("share/icons/Mine/index.theme",
               "[Icon Theme]\nName=Mine\nInherits=Papirus\nDirectories=48x48/mimetypes\n");
    chooseTheme("Mine");
    EXPECT_EQ(voxtrel::shell::findThemeIcon({"text-x-generic"}, 48), papirus);
}

} // namespace
