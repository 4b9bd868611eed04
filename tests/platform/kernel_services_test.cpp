// The tick count, environment, files and folders, and the version check of the kernel layer.
#include "platform/win32.h"

#include "platform/linux/kernel/kernel_control.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using voxtrel::testing_support::TempDir;

TEST(TickCount, DifferencesStayRightAcrossTheWrap) {
    const DWORD before = GetTickCount();
    voxtrel::kernel::setTickOffset(0xFFFFFFFFu - before - 5); // 6 ms before the wrap
    const DWORD nearWrap = GetTickCount();
    Sleep(30);
    const DWORD after = GetTickCount();
    voxtrel::kernel::setTickOffset(0);
    EXPECT_LT(after, nearWrap) << "the counter wrapped";
    const DWORD elapsed = after - nearWrap;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 10000u);
}

TEST(Environment, ReportsLengthsAndTheSizeNeeded) {
    setenv("VOXTREL_TEST_VALUE", "abcdef", 1);
    char buffer[16];
    EXPECT_EQ(GetEnvironmentVariableA("VOXTREL_TEST_VALUE", buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(GetEnvironmentVariableA("VOXTREL_TEST_VALUE", buffer, 6), 7u) << "terminator counted";
    unsetenv("VOXTREL_TEST_MISSING");
    EXPECT_EQ(GetEnvironmentVariableA("VOXTREL_TEST_MISSING", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST(Environment, AppDataFallsBackToTheXdgConfigHome) {
    unsetenv("APPDATA");
    char buffer[512];
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    ASSERT_GT(GetEnvironmentVariableA("APPDATA", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "/somewhere/config");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/tester", 1);
    GetEnvironmentVariableA("APPDATA", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/home/tester/.config");
    setenv("APPDATA", "/explicit", 1);
    GetEnvironmentVariableA("APPDATA", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/explicit");
}

TEST(Files, AttributesMarkFoldersAndDotNamesAsHidden) {
    TempDir dir;
    const std::string hidden = dir.path() + "/.config";
    const std::string visible = dir.path() + "/config";
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(hidden.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CreateDirectoryA(visible.c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesA((hidden + "/").c_str()),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesA(visible.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    const std::string file = dir.write("config/init.dat", "x");
    EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // Only the last folder is made: a missing parent fails.
    EXPECT_FALSE(CreateDirectoryA((dir.path() + "/no/such").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Files, CurrentDirectoryIsSetAndReadBack) {
    TempDir dir;
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    char now[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now), dir.path());
    EXPECT_EQ(length, dir.path().size());
    EXPECT_EQ(GetCurrentDirectoryA(3, now), dir.path().size() + 1) << "the size needed";
    EXPECT_FALSE(SetCurrentDirectoryA((dir.path() + "/missing").c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA(saved));
}

OSVERSIONINFOEXA windows2000() {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 0;
    return info;
}

ULONGLONG atLeastMask() {
    ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    return VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
}

TEST(Version, RecordAndMaskHaveTheirWindowsForm) {
    EXPECT_EQ(sizeof(OSVERSIONINFOEXA), 156u);
    // Three bits per condition, in the order of the type bits.
    EXPECT_EQ(atLeastMask(), (3ull << 3) | 3ull);
}

TEST(Version, VersionNumbersCompareAsOneValue) {
    OSVERSIONINFOEXA info = windows2000();
    EXPECT_TRUE(VerifyVersionInfoA(&info, VER_MAJORVERSION | VER_MINORVERSION, atLeastMask()));

    voxtrel::kernel::setReportedVersion(5, 0);
    EXPECT_TRUE(VerifyVersionInfoA(&info, VER_MAJORVERSION | VER_MINORVERSION, atLeastMask()));
    // 6.0 is later than 5.1 although its minor number is smaller.
    voxtrel::kernel::setReportedVersion(6, 0);
    info.dwMinorVersion = 1;
    EXPECT_TRUE(VerifyVersionInfoA(&info, VER_MAJORVERSION | VER_MINORVERSION, atLeastMask()));
    voxtrel::kernel::setReportedVersion(4, 90);
    info.dwMinorVersion = 0;
    EXPECT_FALSE(VerifyVersionInfoA(&info, VER_MAJORVERSION | VER_MINORVERSION, atLeastMask()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OLD_WIN_VERSION));
    voxtrel::kernel::setReportedVersion(10, 0);
}

} // namespace

namespace {

TEST(Process, ExitProcessEndsAtOnceWithItsCode) {
    EXPECT_EXIT(ExitProcess(3), testing::ExitedWithCode(3), "");
}

} // namespace
