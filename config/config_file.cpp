// Loading and saving the configuration. Both flows run on the main thread, change the process's
// current directory to the data folder for their duration and restore it on every path, and
// report failures in message boxes.
#include "config/config_file.h"

#include "config/archive.h"

#include "common/utf8_calls.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace voxtrel {

namespace {

constexpr const char* APPDATA_VARIABLE = "APPDATA";
// Forward slashes serve both platforms: Windows takes them in every file call.
constexpr const char* DATA_FOLDER = "/voxtrel";
constexpr const char* IO_ERROR = "I/O error";
constexpr const char* LOAD_CAPTION = "Load Config...";
constexpr const char* SAVE_CAPTION = "Save Config...";
constexpr const char* SAVE_ERROR_CAPTION = "Save Error";
constexpr const char* BACKUP_RESTORED =
    "The configuration could not be loaded, so the one before the last save (init.dat.bak) "
    "was restored. init.dat is left as it is until the next Save Config.";
constexpr const char* BACKUP_RESTORED_MISSING =
    "The configuration file init.dat is missing, so the one before the last save "
    "(init.dat.bak) was restored. The next Save Config writes init.dat again.";
constexpr const char* UNREADABLE_HEAD = "The configuration file init.dat could not be read (";
constexpr const char* UNREADABLE_TAIL =
    "), so a new cursor starts. init.dat and init.dat.bak are left as they are until the next "
    "Save Config.";
// Far beyond any configuration (seventy cursors with seven long paths each are a few hundred
// kilobytes); a larger file is not read into memory at all.
constexpr std::streamoff LARGEST_CONFIG = 16 * 1024 * 1024;

void report(const std::string& text, const char* caption, UINT icon = MB_ICONERROR) {
    messageBox(nullptr, text, caption, icon);
}

// Captures the current directory and puts it back when the flow ends, however it ends.
class CurrentDirectory {
public:
    CurrentDirectory() : path_(currentFolder()) {}
    ~CurrentDirectory() {
        if (!path_.empty())
            static_cast<void>(enterFolder(path_));
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string path_;
};

// Only a file that does not exist is missing: one that exists but cannot be read (locked by
// another program, refused to this user, a folder) is never taken for none at all.
enum class FileRead { Read, Missing, Unreadable, TooLarge };

bool isAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Why a file that exists could not be read, as the message says it.
std::string reasonOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_SHARING_VIOLATION:
        return "another program is using it";
    default:
        return "system error " + std::to_string(error);
    }
}

FileRead readWholeFile(const char* name, std::string& content, std::string& reason) {
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (isAbsence(error))
            return FileRead::Missing;
        reason = reasonOf(error);
        return FileRead::Unreadable;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = "it is a folder";
        return FileRead::Unreadable;
    }
    // Opened as the system opens files first, for the reason of a refusal, which a stream does
    // not give; shared with every other reader and writer, only a program that holds the file
    // alone keeps it from us.
    HANDLE probe =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (isAbsence(error)) // gone since it was looked at
            return FileRead::Missing;
        reason = reasonOf(error);
        return FileRead::Unreadable;
    }
    CloseHandle(probe);
    reason = "it could not be read to its end";
    std::ifstream file(name, std::ios::binary);
    if (!file)
        return FileRead::Unreadable;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0)
        return FileRead::Unreadable;
    if (size > LARGEST_CONFIG)
        return FileRead::TooLarge;
    file.seekg(0, std::ios::beg);
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.bad() ? FileRead::Unreadable : FileRead::Read;
}

// The registry from a file, or what went wrong with it.
std::optional<std::string> loadFile(const char* name, FileRead& read) {
    std::string text, reason;
    read = readWholeFile(name, text, reason);
    if (read == FileRead::Unreadable)
        return UNREADABLE_HEAD + reason + UNREADABLE_TAIL;
    if (read == FileRead::TooLarge)
        return std::string("The configuration file is damaged: it is larger than any "
                           "configuration can be.");
    if (read != FileRead::Read)
        return std::nullopt;
    return readArchive(text, desktop);
}

bool moveIntoPlace() {
    return MoveFileExA(CONFIG_STAGING, CONFIG_FILE,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Writes `content` beside the configuration, flushes it to the disk and puts it in the
// configuration's place in one step, keeping the replaced file as the backup. False, with
// init.dat as it was, when any step fails.
bool replaceConfiguration(const std::string& content) {
    const DWORD existing = GetFileAttributesA(CONFIG_FILE);
    // A configuration the user made read-only is not replaced behind their back.
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    HANDLE file = CreateFileA(CONFIG_STAGING, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                        nullptr) != FALSE &&
              written == content.size() && FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    if (ok) {
        ok = existing == INVALID_FILE_ATTRIBUTES
                 ? moveIntoPlace()
                 : ReplaceFileA(CONFIG_FILE, CONFIG_STAGING, CONFIG_BACKUP,
                                REPLACEFILE_WRITE_THROUGH, nullptr, nullptr) != FALSE;
        // Windows may fail after it has moved init.dat aside as the backup: the new file then
        // still waits beside it and is put in place by a plain move. Should that fail too, the
        // next start finds the backup.
        if (!ok && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            ok = moveIntoPlace();
    }
    if (!ok)
        static_cast<void>(DeleteFileA(CONFIG_STAGING)); // init.dat stays as it was
    return ok;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Makes `folder` and every missing folder above it, from the top down, as `mkdir -p` does.
// True when it is a folder at the end.
bool makeFolderWithParents(const std::string& folder) {
    for (std::size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && !isSeparator(folder[end]))
            continue;
        const std::string part = folder.substr(0, end);
        // A drive ("C:") and the root exist whenever anything below them does.
        if (isSeparator(part.back()) || part.back() == ':')
            continue;
        if (fileAttributes(part) == INVALID_FILE_ATTRIBUTES)
            static_cast<void>(makeFolder(part)); // checked below
    }
    const DWORD attributes = fileAttributes(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

bool enterDataFolder() {
    const std::optional<std::string> appData = environmentVariable(APPDATA_VARIABLE);
    if (!appData || appData->empty())
        return false;
    // Only a folder will do, or none yet: a fresh account has no ~/.config until a program
    // makes it. Whether it is hidden is not asked: since Vista %APPDATA% is AppData\Roaming,
    // which is visible (its parent is the hidden one).
    const DWORD attributes = fileAttributes(*appData);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    const std::string folder = *appData + DATA_FOLDER;
    if (!makeFolderWithParents(folder))
        return false;
    return enterFolder(folder);
}

int loadConfig() {
    CurrentDirectory keeper;
    if (!enterDataFolder()) {
        report(IO_ERROR, LOAD_CAPTION);
        return 0;
    }
    FileRead read;
    const std::optional<std::string> problem = loadFile(CONFIG_FILE, read);
    if (read == FileRead::Read && !problem) {
        desktop.startAll();
        return 1;
    }
    // A file that is there but cannot be read may well be newer than the backup: neither is
    // loaded in its place, and nothing is written until the user saves.
    if (read == FileRead::Unreadable) {
        report(*problem, LOAD_CAPTION);
        return 0;
    }
    // No file, with no backup either (the first start), or none that can be opened: the
    // default cursor, quietly. A backup without its file is what a save interrupted between
    // the two renames leaves: the backup is restored as for a damaged file.
    const bool missing = read == FileRead::Missing;
    if (missing && GetFileAttributesA(CONFIG_BACKUP) == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (!missing)
        report(*problem, LOAD_CAPTION);
    FileRead backupRead;
    if (!loadFile(CONFIG_BACKUP, backupRead) && backupRead == FileRead::Read) {
        report(missing ? BACKUP_RESTORED_MISSING : BACKUP_RESTORED, LOAD_CAPTION,
               MB_ICONINFORMATION);
        desktop.startAll();
        return 1;
    }
    return 0;
}

void saveConfig() {
    bool saved = false;
    {
        CurrentDirectory keeper;
        if (enterDataFolder()) {
            try {
                saved = replaceConfiguration(writeArchive(desktop));
            } catch (const std::exception& error) {
                report(error.what(), SAVE_ERROR_CAPTION);
            }
        }
    }
    if (!saved)
        report(IO_ERROR, SAVE_CAPTION);
}

} // namespace voxtrel
