// Output of the Windows program: its standard handles when it has them, the console of the
// program that started it, or a message box.
#include "app/windows_console.h"

#include "common/utf8_calls.h"
#include "common/wide_text.h"
#include "platform/win32.h"

namespace voxtrel {

namespace {

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// A console shows text in its own code page, which is seldom UTF-8: it is given UTF-16. A
// pipe or a file gets the UTF-8 bytes.
bool writeAll(HANDLE handle, const std::string& text) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode) != FALSE) {
        const std::wstring wide = wideOf(text);
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != FALSE &&
               written == wide.size();
    }
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) !=
               FALSE &&
           written == text.size();
}

} // namespace

void say(const std::string& text, bool problem) {
    HANDLE own = GetStdHandle(problem ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (usable(own) && writeAll(own, text))
        return;
    // Started from a console window: the text goes there, under the command that started it.
    if (AttachConsole(ATTACH_PARENT_PROCESS) != FALSE) {
        HANDLE console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        const bool written = usable(console) && writeAll(console, text);
        if (usable(console))
            CloseHandle(console);
        static_cast<void>(FreeConsole());
        if (written)
            return;
    }
    messageBox(nullptr, text, "Voxtrel", MB_OK | (problem ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace voxtrel
