// File names outside the ANSI code page through the calls that take and give them: each must
// name the very file the C++ library names by the same UTF-8 (on Windows, by its UTF-16 form),
// whatever code page the A calls would speak.
#include "common/file_path.h"
#include "common/utf8_calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#ifdef _WIN32
#include "common/wide_text.h"

#include <shlobj.h> // DROPFILES
#endif

namespace voxtrel {
namespace {

// Accents of Latin-1 and a check mark that no ANSI code page has.
const std::string kName = "R\xc3\xa9sum\xc3\xa9 \xe2\x9c\x93";

class Utf8Calls : public testing::Test {
protected:
    void SetUp() override {
        top_ = std::filesystem::temp_directory_path() /
               fileSystemPath("voxtrel-utf8-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(top_);
        start_ = currentFolder();
    }
    void TearDown() override {
        enterFolder(start_);
        std::filesystem::remove_all(top_);
    }
    std::string utf8Top() const {
#ifdef _WIN32
        return utf8Of(top_.wstring());
#else
        return top_.string();
#endif
    }

    std::filesystem::path top_;
    std::string start_;
};

TEST_F(Utf8Calls, FoldersAndFilesAreFoundMadeAndEnteredByTheirWholeNames) {
    const std::string folder = utf8Top() + "/" + kName;
    ASSERT_TRUE(makeFolder(folder));
    EXPECT_TRUE(std::filesystem::is_directory(fileSystemPath(folder)))
        << "the folder made has the name asked for, not its ANSI stand-in";
    EXPECT_NE(fileAttributes(folder) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    const std::string file = folder + "/" + kName + ".txt";
    std::ofstream(fileSystemPath(file)) << "text";
    EXPECT_NE(fileAttributes(file), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fileAttributes(folder + "/R?sum? ?.txt"), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(enterFolder(folder));
    const std::string entered = currentFolder();
    ASSERT_GE(entered.size(), kName.size());
    EXPECT_EQ(entered.substr(entered.size() - kName.size()), kName);
    EXPECT_TRUE(std::filesystem::exists(fileSystemPath(kName + ".txt")))
        << "relative names start in the folder entered";

    SHFILEINFOA info = {};
    EXPECT_NE(shellFileInfo(file.c_str(), SHGFI_ICON, info), 0u) << "the shell finds the file";
    if (info.hIcon != nullptr)
        DestroyIcon(info.hIcon);
}

TEST_F(Utf8Calls, AnEnvironmentVariableIsReadWhole) {
    // Longer than the usual path buffer, so it is read again into a larger one.
    const std::string value = utf8Top() + "/" + kName + std::string(300, 'x');
#ifdef _WIN32
    SetEnvironmentVariableW(L"VOXTREL_TEST_FOLDER", wideOf(value).c_str());
#else
    setenv("VOXTREL_TEST_FOLDER", value.c_str(), 1);
#endif
    EXPECT_EQ(environmentVariable("VOXTREL_TEST_FOLDER"), value);
    EXPECT_FALSE(environmentVariable("VOXTREL_TEST_UNSET_VARIABLE"));
}

#ifdef _WIN32
// A drop as Explorer hands it over: a DROPFILES record with its names in UTF-16.
TEST_F(Utf8Calls, ADroppedFileIsNamedWhole) {
    const std::wstring name = wideOf("C:/" + kName + ".txt");
    const SIZE_T bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    ASSERT_NE(memory, nullptr);
    auto* record = static_cast<DROPFILES*>(GlobalLock(memory));
    record->pFiles = sizeof(DROPFILES);
    record->fWide = TRUE;
    std::copy(name.begin(), name.end(),
              reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(record) + sizeof(DROPFILES)));
    GlobalUnlock(memory);
    EXPECT_EQ(droppedFileName(static_cast<HDROP>(memory), 0), "C:/" + kName + ".txt");
    EXPECT_EQ(droppedFileName(static_cast<HDROP>(memory), 1), "") << "past the last file";
    GlobalFree(memory);
}
#endif

} // namespace
} // namespace voxtrel
