// GetModuleHandleA, LoadLibraryExA and GetProcAddress. The program is one module (its resources
// are built in); shell32 and shcore are the system modules the program looks functions up in,
// and they answer with the layer's own functions, by name or by the ordinal Windows gives them.
// Not implemented: loading other libraries.
#include "platform/win32.h"

#include <cstring>
#include <strings.h>

namespace {

// Handles only compared, never followed.
struct ModuleTag {
    int id;
};
ModuleTag programModule{1};
ModuleTag shellModule{2};
ModuleTag shcoreModule{3};

constexpr WORD SH_GET_IMAGE_LIST_ORDINAL = 727;

bool namesShell(const char* name) {
    return strcasecmp(name, "shell32.dll") == 0 || strcasecmp(name, "shell32") == 0;
}

bool namesShcore(const char* name) {
    return strcasecmp(name, "shcore.dll") == 0 || strcasecmp(name, "shcore") == 0;
}

template <typename Function> FARPROC procedure(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

} // namespace

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD) {
    if (fileName != nullptr && file == nullptr) {
        if (namesShcore(fileName))
            return reinterpret_cast<HMODULE>(&shcoreModule);
        if (namesShell(fileName))
            return reinterpret_cast<HMODULE>(&shellModule);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr)
        return reinterpret_cast<HMODULE>(&programModule);
    if (namesShell(moduleName))
        return reinterpret_cast<HMODULE>(&shellModule);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procedureName) {
    if (module == reinterpret_cast<HMODULE>(&shellModule) && procedureName != nullptr) {
        const bool wanted =
            IS_INTRESOURCE(procedureName)
                ? reinterpret_cast<ULONG_PTR>(procedureName) == SH_GET_IMAGE_LIST_ORDINAL
                : std::strcmp(procedureName, "SHGetImageList") == 0;
        if (wanted)
            return procedure(&SHGetImageList);
    }
    if (module == reinterpret_cast<HMODULE>(&shcoreModule) && procedureName != nullptr &&
        !IS_INTRESOURCE(procedureName) && std::strcmp(procedureName, "GetDpiForMonitor") == 0)
        return procedure(&GetDpiForMonitor);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

namespace voxtrel::kernel {

bool isProgramModule(HINSTANCE instance) {
    return instance == reinterpret_cast<HINSTANCE>(&programModule);
}

} // namespace voxtrel::kernel
