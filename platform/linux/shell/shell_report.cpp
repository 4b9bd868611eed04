// Open failures are shown in a message box owned by the window the caller named, as the
// Windows shell shows its own; the box carries the file's name as its caption.
#include "platform/linux/shell/shell_report.h"

namespace voxtrel::shell {

void reportOpenFailure(HWND owner, const std::string& path, const std::string& reason) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string text = "Cannot open \"" + path + "\": " + reason;
    MessageBoxA(owner, text.c_str(), name.empty() ? path.c_str() : name.c_str(),
                MB_OK | MB_ICONERROR);
}

} // namespace voxtrel::shell
