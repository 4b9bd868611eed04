// The configuration archive: what a save writes, what a load gives back, and what a damaged or
// hostile file gives instead of a crash.
#include "config/archive.h"
#include "config/saved_paths.h"
#include "config/archive_check.h"
#include "cursor/screen_rules.h"

#include "tests/support/fixed_screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace voxtrel {
namespace {

// A registry of its own for each test, its entries deleted with it.
struct Registry {
    Desktop desktop;
    ~Registry() { desktop.discardUnstarted(); }
    Cursor& add() {
        auto* entry = new CursorThread;
        desktop.threads.push_back(entry);
        return *entry->cursor;
    }
    std::vector<Cursor*> cursors() const {
        std::vector<Cursor*> all;
        for (CursorThread* entry : desktop.threads)
            all.push_back(entry->cursor);
        return all;
    }
};

class Archive : public testing::Test {
protected:
    void SetUp() override { testing_support::useFixedScreen(); }
};

// Two cursors with everything a user can change, the second a tetrahedron.
void fillTwo(Registry& registry) {
    Cursor& first = registry.add();
    first.centerX = -40;
    first.centerY = 2000;
    first.scale = 0.5;
    first.width = first.height = 512;
    first.alphaBlend = 0;
    first.texturePath = "/home/user/My Pictures/\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.png";
    first.launches[0].assign("/usr/share/applications/firefox.desktop");
    first.launches[5].assign("/tmp/a file with spaces.txt");
    Cursor& second = registry.add();
    second.shape = SHAPE_TETRAHEDRON;
    second.onTop = 0;
    second.launcherEnabled = 0;
    second.bgTextureEnabled = 0;
    second.launches[4].assign("kept while four slots show");
}

TEST_F(Archive, ASaveLoadsBackTheSameCursorsInOrderWithTheirSavedFieldsOnly) {
    Registry saved;
    fillTwo(saved);
    saved.cursors()[0]->showInTaskbar = 1;
    saved.cursors()[0]->rotation = {10, 200, 0};
    saved.cursors()[0]->spinSpeed = 50;
    const std::string text = writeArchive(saved.desktop);
    EXPECT_EQ(
        text.rfind("22 serialization::archive " + std::to_string(installedArchiveFormat()), 0), 0u)
        << text;

    Registry loaded;
    ASSERT_EQ(readArchive(text, loaded.desktop), std::nullopt);
    const auto cursors = loaded.cursors();
    ASSERT_EQ(cursors.size(), 2u);
    const Cursor& first = *cursors[0];
    EXPECT_EQ(first.centerX, -40);
    EXPECT_EQ(first.centerY, 2000);
    EXPECT_EQ(first.width, 512);
    EXPECT_EQ(first.scale, 0.5);
    EXPECT_EQ(first.alphaBlend, 0);
    EXPECT_EQ(first.launcherEnabled, 1);
    EXPECT_EQ(first.texturePath, saved.cursors()[0]->texturePath) << "byte for byte";
    EXPECT_EQ(first.launches[0].path, "/usr/share/applications/firefox.desktop");
    EXPECT_EQ(first.launches[5].path, "/tmp/a file with spaces.txt");
    EXPECT_TRUE(first.launches[1].empty());
    // What is not saved starts afresh.
    EXPECT_EQ(first.showInTaskbar, 0);
    EXPECT_EQ(first.rotation.y, 0.0);
    EXPECT_EQ(first.spinSpeed, 0.0);
    EXPECT_EQ(first.spinAccel, 10.0);
    EXPECT_EQ(first.zoomDirection, 0);
    EXPECT_EQ(first.hwnd, nullptr);
    const Cursor& second = *cursors[1];
    EXPECT_EQ(second.shape, SHAPE_TETRAHEDRON);
    EXPECT_EQ(second.onTop, 0);
    EXPECT_EQ(second.launcherEnabled, 0);
    EXPECT_EQ(second.bgTextureEnabled, 0);
    EXPECT_EQ(second.launches[4].path, "kept while four slots show");
    EXPECT_EQ(second.centerX, Cursor().centerX) << "the centre of the screen, as a new cursor has";

    EXPECT_EQ(writeArchive(loaded.desktop), text) << "a second save writes the same bytes";
}

TEST_F(Archive, AnEmptyRegistrySavesAndLoadsAsNoCursor) {
    Registry empty;
    const std::string text = writeArchive(empty.desktop);
    Registry loaded;
    ASSERT_EQ(readArchive(text, loaded.desktop), std::nullopt);
    EXPECT_TRUE(loaded.desktop.threads.empty());
}

// Two cursors written out by hand, item by item in archive order, so that a reader and writer
// that agree with each other but not with the file format (two items swapped in both) fail.
// The four flags differ in a pattern that tells every pair of them apart across the two cursors.
// `format` is the archive format in the header; from format 4 on, the list's count is followed
// by an item version.
std::string handWrittenArchive(unsigned format) {
    const std::string itemVersion = format > 3 ? " 0" : "";
    return "22 serialization::archive " + std::to_string(format) + " 0 0 0 0 2" + itemVersion +
           " 2 1 0\n"
           // The first CursorThread (class 2, tracked, version 0, object 0), its Cursor (class 3,
           // tracked, version 1, object 1): centre, size, scale, alphaBlend, launcherEnabled,
           // bgTextureEnabled, onTop, shape, texturePath, six launches (Launch's class
           // information before the first).
           "0 3 1 1\n"
           "1 111 -222 300 301 5.00000000000000000e-01 0 1 1 0 40029 6 /t.png 6 0 0 2 /a 0  0  "
           "0  0  4 /f f 2\n"
           // The second: both classes already known, objects 2 and 3.
           "2 3\n"
           "3 -5 6 256 256 2.50000000000000000e-01 0 0 1 1 40030 0  6 0  0  0  0  0  0 \n";
}

void expectHandWrittenCursors(const Registry& loaded) {
    ASSERT_EQ(loaded.cursors().size(), 2u);
    const Cursor& first = *loaded.cursors()[0];
    EXPECT_EQ(first.centerX, 111);
    EXPECT_EQ(first.centerY, -222);
    EXPECT_EQ(first.width, 300);
    EXPECT_EQ(first.height, 301);
    EXPECT_EQ(first.scale, 0.5);
    EXPECT_EQ(first.alphaBlend, 0);
    EXPECT_EQ(first.launcherEnabled, 1);
    EXPECT_EQ(first.bgTextureEnabled, 1);
    EXPECT_EQ(first.onTop, 0);
    EXPECT_EQ(first.shape, SHAPE_TETRAHEDRON);
    EXPECT_EQ(first.texturePath, "/t.png");
    EXPECT_EQ(first.launches[0].path, "/a");
    EXPECT_TRUE(first.launches[1].empty());
    EXPECT_EQ(first.launches[5].path, "/f f");
    const Cursor& second = *loaded.cursors()[1];
    EXPECT_EQ(second.centerX, -5);
    EXPECT_EQ(second.centerY, 6);
    EXPECT_EQ(second.alphaBlend, 0);
    EXPECT_EQ(second.launcherEnabled, 0);
    EXPECT_EQ(second.bgTextureEnabled, 1);
    EXPECT_EQ(second.onTop, 1);
    EXPECT_EQ(second.shape, SHAPE_CUBE);
    EXPECT_TRUE(second.texturePath.empty());
}

TEST_F(Archive, HandWrittenFilesInFormatThreeAndOfTheInstalledLibraryLoadAndSaveAsWritten) {
    for (const unsigned format : {OLDEST_ARCHIVE_FORMAT, installedArchiveFormat()}) {
        SCOPED_TRACE(format);
        Registry loaded;
        const std::string text = handWrittenArchive(format);
        ASSERT_EQ(readArchive(text, loaded.desktop), std::nullopt) << text;
        expectHandWrittenCursors(loaded);
        // Saved again, it is the same text in the installed library's format.
        EXPECT_EQ(writeArchive(loaded.desktop), handWrittenArchive(installedArchiveFormat()));
    }

    // A place at the limits of the coordinate type, as only an edited file holds, is taken
    // into range, so that the window's corner and a drag never overflow.
    std::string edited = handWrittenArchive(installedArchiveFormat());
    edited.replace(edited.find("111 -222 300 301"), 16, "-2147483648 2147483647 -1 2147483647");
    Registry distant;
    ASSERT_EQ(readArchive(edited, distant.desktop), std::nullopt) << edited;
    EXPECT_EQ(distant.cursors().at(0)->centerX, -CENTRE_LIMIT);
    EXPECT_EQ(distant.cursors().at(0)->centerY, CENTRE_LIMIT);
    EXPECT_EQ(distant.cursors().at(0)->width, 0);
    EXPECT_EQ(distant.cursors().at(0)->height, SIDE_LIMIT);
}

// `text` with the `index`th whitespace-separated token (counted from 0) replaced.
std::string withToken(const std::string& text, int index, const std::string& replacement) {
    std::size_t position = 0;
    for (int i = 0;; ++i) {
        position = text.find_first_not_of(" \n", position);
        const std::size_t end = text.find_first_of(" \n", position);
        if (i == index)
            return text.substr(0, position) + replacement + text.substr(end);
        position = end;
    }
}

// Token positions in the archive of one cube cursor (format of the installed library).
constexpr int kCursorVersionToken = 15;
constexpr int kScaleToken = 21;
constexpr int kLaunchCountToken = 28;

std::string oneCursorArchive() {
    Registry one;
    one.add();
    return writeArchive(one.desktop);
}

TEST_F(Archive, PathsSavedInTheAnsiCodePageOfEarlierWindowsVersionsNameTheirFilesAgain) {
    // "R\xe9sum\xe9.txt" as Windows 1252 wrote it, beside one in UTF-8 and an image's path.
    const std::string ansi = "C:\\R\xe9sum\xe9.txt";
    const std::string utf8 = "C:\\R\xc3\xa9sum\xc3\xa9 \xe2\x9c\x93.txt";
    const std::string image = "C:\\\xe9t\xe9.png";
    const auto item = [](const std::string& path) {
        return std::to_string(path.size()) + " " + path + " ";
    };
    const std::string text = "22 serialization::archive 18 0 0 0 0 1 0 2 1 0\n0 3 1 1\n"
                             "1 5 6 256 256 2.50000000000000000e-01 1 1 1 1 40030 " +
                             item(image) + "6 0 0 " + item(ansi) + item(utf8) + "0  0  0  0 \n";
    Registry loaded;
    ASSERT_EQ(readArchive(text, loaded.desktop), std::nullopt) << text;
    const Cursor& cursor = *loaded.cursors().at(0);
    EXPECT_EQ(cursor.launches[1].path, utf8) << "UTF-8 stays as it was";
#ifdef _WIN32
    EXPECT_EQ(cursor.launches[0].path, "C:\\R\xc3\xa9sum\xc3\xa9.txt");
    EXPECT_EQ(cursor.texturePath, "C:\\\xc3\xa9t\xc3\xa9.png");
#else
    EXPECT_EQ(cursor.launches[0].path, ansi) << "a Linux path is bytes";
#endif
    for (const char* wellFormed : {"", "plain", "\xc3\xa9", "\xe2\x9c\x93", "\xf0\x9f\x98\x80"})
        EXPECT_TRUE(isUtf8(wellFormed)) << wellFormed;
    for (const char* malformed : {"\xe9", "\xc3", "\xe2\x9c", "\x80", "\xc0\xaf", "\xe0\x80\xaf",
                                  "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80"})
        EXPECT_FALSE(isUtf8(malformed)) << "malformed";
}

TEST_F(Archive, ACursorOfClassVersionZeroHasNoScaleAndGetsTheDefault) {
    std::string text = oneCursorArchive();
    ASSERT_EQ(withToken(text, kCursorVersionToken, "1"), text) << text;
    text = withToken(text, kCursorVersionToken, "0");
    text = withToken(text, kScaleToken, ""); // no scale item at version 0
    Registry loaded;
    ASSERT_EQ(readArchive(text, loaded.desktop), std::nullopt) << text;
    EXPECT_EQ(loaded.cursors().at(0)->scale, 0.25);
    EXPECT_EQ(loaded.cursors().at(0)->alphaBlend, 1);
}

TEST_F(Archive, LaunchCountsAboveSixFailAndBelowSixLeaveTheRestEmpty) {
    const std::string text = oneCursorArchive();
    ASSERT_EQ(withToken(text, kLaunchCountToken, "6"), text) << text;
    Registry tooMany;
    EXPECT_EQ(readArchive(withToken(text, kLaunchCountToken, "7"), tooMany.desktop),
              std::optional<std::string>("array size too short"));
    EXPECT_TRUE(tooMany.desktop.threads.empty()) << "nothing read before the failure stays";

    Registry huge;
    EXPECT_EQ(readArchive(withToken(text, kLaunchCountToken, "1000000000000"), huge.desktop),
              std::optional<std::string>("array size too short"));

    // Four launchers: the class information of Launch, then four empty paths, then the end.
    Registry saved;
    Cursor& cursor = saved.add();
    for (int slot = 0; slot < 6; ++slot)
        cursor.launches[slot].assign(("/slot" + std::to_string(slot)).c_str());
    std::string four = writeArchive(saved.desktop);
    four = withToken(four, kLaunchCountToken, "4");
    four = four.substr(0, four.find("6 /slot4")) + "\n";
    Registry loaded;
    ASSERT_EQ(readArchive(four, loaded.desktop), std::nullopt) << four;
    EXPECT_EQ(loaded.cursors().at(0)->launches[3].path, "/slot3");
    EXPECT_TRUE(loaded.cursors().at(0)->launches[4].empty());
    EXPECT_TRUE(loaded.cursors().at(0)->launches[5].empty());
}

TEST_F(Archive, ValuesOnlyAnEditedFileHoldsLoadWithoutHarm) {
    const std::string text = oneCursorArchive();
    for (const auto& [token, scale] : std::vector<std::pair<std::string, double>>{
             {"nan", 0.25}, {"-nan", 0.25}, {"inf", 1.0}, {"-inf", 0.1}, {"7.5", 7.5}}) {
        Registry loaded;
        ASSERT_EQ(readArchive(withToken(text, kScaleToken, token), loaded.desktop), std::nullopt)
            << token;
        EXPECT_EQ(loaded.cursors().at(0)->scale, scale) << token;
    }
    Registry odd;
    std::string edited = withToken(text, kScaleToken + 1, "-5"); // alphaBlend
    edited = withToken(edited, kScaleToken - 2, "-2147483648");  // width
    edited = withToken(edited, kScaleToken + 5, "12345");        // shape
    ASSERT_EQ(readArchive(edited, odd.desktop), std::nullopt) << edited;
    EXPECT_EQ(odd.cursors().at(0)->shape, 12345u);

    // A scale the library could not read back is never written.
    Registry saved;
    saved.add().scale = std::nan("");
    Registry again;
    ASSERT_EQ(readArchive(writeArchive(saved.desktop), again.desktop), std::nullopt);
    EXPECT_EQ(again.cursors().at(0)->scale, 0.25);
}

TEST_F(Archive, HostileFilesAreRefusedWithADescription) {
    Registry two;
    fillTwo(two);
    const std::string text = writeArchive(two.desktop);
    const std::vector<std::pair<std::string, std::string>> hostile = {
        {"", "input stream error"},
        {"hello", "invalid signature"},
        {"22 serialization::archivX 18", "invalid signature"},
        {"99999999999 serialization::archive", "invalid signature"},
        {"22 serialization::archive 99", "unsupported version"},
        {"22 serialization::archive 2", "unsupported version"},
        // A class id out of range for the first cursor.
        {withToken(text, 9, "77"), "damaged"},
        // The second cursor's object id refers back to the first.
        {text.substr(0, text.find("\n2 3\n3 ")) + "\n0 3\n3 " +
             text.substr(text.find("\n2 3\n3 ") + 7),
         "damaged"},
        // A count of 10^12 cursors.
        {withToken(text, 7, "1000000000000"), "damaged"},
        // A path longer than the file.
        {withToken(text, 27, "99999999"), "damaged"},
        {text.substr(0, text.size() / 2), "damaged"},
        {text + " 5", "damaged"},
    };
    for (const auto& [input, expected] : hostile) {
        Registry loaded;
        const auto problem = readArchive(input, loaded.desktop);
        ASSERT_TRUE(problem.has_value()) << input;
        EXPECT_NE(problem->find(expected), std::string::npos) << *problem << "\n" << input;
        EXPECT_TRUE(loaded.desktop.threads.empty());
    }
}

} // namespace
} // namespace voxtrel
