// On Windows, each call through its W form with the text converted on the way; on Linux, the
// layer's A call as it is.
#include "common/utf8_calls.h"

#ifdef _WIN32
#include "common/wide_text.h"
#endif

#include <string>

namespace voxtrel {

namespace {

// All a call that fills a buffer has to give: `fill(buffer, capacity)` returns the length it
// wrote, or, when the buffer is too small, the capacity it needs (as GetCurrentDirectory and
// GetEnvironmentVariable do); empty when it gives nothing.
template <class Char, class Fill> std::basic_string<Char> filledWhole(Fill fill) {
    std::basic_string<Char> text(MAX_PATH, Char());
    DWORD length = fill(text.data(), static_cast<DWORD>(text.size()));
    if (length >= text.size()) {
        text.resize(length + 1);
        length = fill(text.data(), static_cast<DWORD>(text.size()));
    }
    if (length >= text.size())
        return {};
    text.resize(length);
    return text;
}

} // namespace

#ifdef _WIN32

namespace {

// Null for an absent text, as the W call expects it.
const wchar_t* orNull(const std::wstring& wide, const char* source) {
    return source == nullptr ? nullptr : wide.c_str();
}

std::wstring wideOrEmpty(const char* text) {
    return text == nullptr ? std::wstring() : wideOf(text);
}

} // namespace

std::string droppedFileName(HDROP drop, UINT index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring name(length + 1, L'\0');
    name.resize(DragQueryFileW(drop, index, name.data(), length + 1));
    return utf8Of(name);
}

BOOL shellExecute(SHELLEXECUTEINFOA& info) {
    const std::wstring verb = wideOrEmpty(info.lpVerb), file = wideOrEmpty(info.lpFile),
                       parameters = wideOrEmpty(info.lpParameters),
                       folder = wideOrEmpty(info.lpDirectory);
    SHELLEXECUTEINFOW wide = {};
    wide.cbSize = sizeof wide;
    wide.fMask = info.fMask;
    wide.hwnd = info.hwnd;
    wide.lpVerb = orNull(verb, info.lpVerb);
    wide.lpFile = orNull(file, info.lpFile);
    wide.lpParameters = orNull(parameters, info.lpParameters);
    wide.lpDirectory = orNull(folder, info.lpDirectory);
    wide.nShow = info.nShow;
    const BOOL done = ShellExecuteExW(&wide);
    info.hInstApp = wide.hInstApp;
    info.hProcess = wide.hProcess;
    return done;
}

DWORD_PTR shellFileInfo(const char* path, UINT flags, SHFILEINFOA& info) {
    SHFILEINFOW wide = {};
    const DWORD_PTR result =
        SHGetFileInfoW(wideOrEmpty(path).c_str(), 0, &wide, sizeof wide, flags);
    info.hIcon = wide.hIcon;
    info.iIcon = wide.iIcon;
    info.dwAttributes = wide.dwAttributes;
    return result;
}

DWORD fileAttributes(const std::string& path) {
    return GetFileAttributesW(wideOf(path).c_str());
}

bool makeFolder(const std::string& path) {
    return CreateDirectoryW(wideOf(path).c_str(), nullptr) != FALSE;
}

std::string currentFolder() {
    return utf8Of(filledWhole<wchar_t>(
        [](wchar_t* buffer, DWORD capacity) { return GetCurrentDirectoryW(capacity, buffer); }));
}

bool enterFolder(const std::string& path) {
    return SetCurrentDirectoryW(wideOf(path).c_str()) != FALSE;
}

std::optional<std::string> environmentVariable(const char* name) {
    const std::wstring wideName = wideOf(name);
    const std::wstring value = filledWhole<wchar_t>([&](wchar_t* buffer, DWORD capacity) {
        return GetEnvironmentVariableW(wideName.c_str(), buffer, capacity);
    });
    if (value.empty())
        return std::nullopt;
    return utf8Of(value);
}

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxW(owner, wideOf(text).c_str(), wideOf(caption).c_str(), type);
}

#else

std::string droppedFileName(HDROP drop, UINT index) {
    const UINT length = DragQueryFileA(drop, index, nullptr, 0);
    if (length == 0)
        return {};
    std::string name(length + 1, '\0');
    name.resize(DragQueryFileA(drop, index, name.data(), length + 1));
    return name;
}

BOOL shellExecute(SHELLEXECUTEINFOA& info) {
    return ShellExecuteExA(&info);
}

DWORD_PTR shellFileInfo(const char* path, UINT flags, SHFILEINFOA& info) {
    return SHGetFileInfoA(path, 0, &info, sizeof info, flags);
}

DWORD fileAttributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool makeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

std::string currentFolder() {
    return filledWhole<char>(
        [](char* buffer, DWORD capacity) { return GetCurrentDirectoryA(capacity, buffer); });
}

bool enterFolder(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
}

std::optional<std::string> environmentVariable(const char* name) {
    std::string value = filledWhole<char>([&](char* buffer, DWORD capacity) {
        return GetEnvironmentVariableA(name, buffer, capacity);
    });
    if (value.empty())
        return std::nullopt;
    return value;
}

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

#endif

} // namespace voxtrel
