// Opening a launch entry through the shell.
#include "launch/launch.h"

#include "common/process_handles.h"
#include "common/utf8_calls.h"
#include "platform/win32.h"

namespace voxtrel {

void Launch::open() const {
    SHELLEXECUTEINFOA info = {};
    // The record's own size: 60 bytes in 32-bit builds, more where pointers are wider.
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_DEFAULT; // leaves the shell's own error reporting on
    info.hwnd = centralWindow;
    info.lpVerb = nullptr;      // the default action for the path's type
    info.lpFile = path.c_str(); // unchanged: no quoting, spaces and all
    info.lpParameters = nullptr;
    info.lpDirectory = nullptr; // the started program inherits our current directory
    info.nShow = SW_SHOWDEFAULT;
    // The shell reports its own failures; the slot stays as it was whatever happens.
    static_cast<void>(shellExecute(info));
}

} // namespace voxtrel
