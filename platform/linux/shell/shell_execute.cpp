// ShellExecuteExA through GIO: a program, a script or a desktop launcher is started, any other
// path is handed to the default application of its content type. Nothing here waits for what it
// starts (GLib spawns detached), so the calling cursor thread goes on at once.
// Not implemented: verbs other than "open", process handles (SEE_MASK_NOCLOSEPROCESS), URLs.
#include "platform/win32.h"

#include "platform/linux/shell/shell_report.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Failure {
    int shellCode;   // SE_ERR_* left in hInstApp
    DWORD lastError; // ERROR_* for GetLastError
    std::string reason;
};

// Any value above 32 tells the caller that the open succeeded.
const auto kLaunched = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));

template <typename T> struct GObjectDeleter {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorOwner {
    GError* error = nullptr;
    ~GErrorOwner() {
        if (error != nullptr)
            g_error_free(error);
    }
    std::string message() const { return error != nullptr ? error->message : "unknown error"; }
};

Failure failureFrom(const GErrorOwner& owner, int fallbackCode, DWORD fallbackError) {
    if (owner.error != nullptr && owner.error->domain == G_IO_ERROR) {
        switch (owner.error->code) {
        case G_IO_ERROR_NOT_FOUND:
            return {SE_ERR_FNF, ERROR_FILE_NOT_FOUND, owner.message()};
        case G_IO_ERROR_PERMISSION_DENIED:
            return {SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED, owner.message()};
        default:
            break;
        }
    }
    return {fallbackCode, fallbackError, owner.message()};
}

// Runs in every started program between fork and exec. The program's threads block the ending
// signals so that only its signal watcher takes them, and a mask and ignored signals survive
// exec: without this, an xterm opened from a face would ignore its own close button and
// `kill -TERM`. Only async-signal-safe calls are allowed here.
void startWithDefaultSignals(gpointer) {
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP)
            std::signal(signal, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Whether the file begins with an interpreter line ("#!"), as a script the kernel can run does.
bool startsWithInterpreterLine(const char* path) {
    char start[2] = {};
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    const std::size_t read = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return read == sizeof start && start[0] == '#' && start[1] == '!';
}

// Programs run when opened, as .exe and .bat files do on Windows: native programs and scripts
// with an interpreter line, both with the execute bit. A text file that merely has the bit (as
// on some mounted drives) opens in its editor instead.
bool isRunnableProgram(const char* path, GFileInfo* info) {
    if (g_file_info_get_file_type(info) != G_FILE_TYPE_REGULAR ||
        !g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_ACCESS_CAN_EXECUTE))
        return false;
    const char* type = g_file_info_get_content_type(info);
    if (type != nullptr) {
        for (const char* program : {"application/x-executable", "application/x-pie-executable",
                                    "application/x-sharedlib"}) {
            if (g_content_type_is_a(type, program))
                return true;
        }
    }
    return startsWithInterpreterLine(path);
}

std::optional<Failure> runProgram(const char* path, const char* parameters, const char* directory) {
    std::vector<std::string> args{path};
    if (parameters != nullptr && *parameters != '\0') {
        GErrorOwner parseError;
        gchar** parsed = nullptr;
        if (!g_shell_parse_argv(parameters, nullptr, &parsed, &parseError.error))
            return Failure{SE_ERR_FNF, ERROR_INVALID_PARAMETER, parseError.message()};
        for (gchar** arg = parsed; *arg != nullptr; ++arg)
            args.emplace_back(*arg);
        g_strfreev(parsed);
    }
    std::vector<gchar*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib detaches the program, so no zombie is left behind.
    GErrorOwner spawnError;
    if (!g_spawn_async(directory, argv.data(), nullptr, G_SPAWN_DEFAULT, startWithDefaultSignals,
                       nullptr, nullptr, &spawnError.error))
        return failureFrom(spawnError, SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED);
    return std::nullopt;
}

// Desktop applications are spawned as GIO would, searching PATH for their Exec line, but with
// default signal handling; any other kind of application is left to GIO.
std::optional<Failure> launchApp(GAppInfo* app, GFile* file) {
    GErrorOwner launchError;
    bool launched;
    if (G_IS_DESKTOP_APP_INFO(app)) {
        gchar* uri = file != nullptr ? g_file_get_uri(file) : nullptr;
        GList uris{uri, nullptr, nullptr};
        launched = g_desktop_app_info_launch_uris_as_manager(
            G_DESKTOP_APP_INFO(app), uri != nullptr ? &uris : nullptr, nullptr, G_SPAWN_SEARCH_PATH,
            startWithDefaultSignals, nullptr, nullptr, nullptr, &launchError.error);
        g_free(uri);
    } else {
        GList files{file, nullptr, nullptr};
        launched =
            g_app_info_launch(app, file != nullptr ? &files : nullptr, nullptr, &launchError.error);
    }
    if (!launched)
        return failureFrom(launchError, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    return std::nullopt;
}

std::optional<Failure> openPath(const SHELLEXECUTEINFOA& info) {
    const char* path = info.lpFile;
    GObjectPtr<GFile> file(g_file_new_for_path(path));
    GErrorOwner queryError;
    GObjectPtr<GFileInfo> fileInfo(
        g_file_query_info(file.get(),
                          G_FILE_ATTRIBUTE_STANDARD_TYPE "," G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE
                                                         "," G_FILE_ATTRIBUTE_ACCESS_CAN_EXECUTE,
                          G_FILE_QUERY_INFO_NONE, nullptr, &queryError.error));
    if (!fileInfo)
        return failureFrom(queryError, SE_ERR_FNF, ERROR_FILE_NOT_FOUND);

    if (isRunnableProgram(path, fileInfo.get()))
        return runProgram(path, info.lpParameters, info.lpDirectory);

    const char* type = g_file_info_get_content_type(fileInfo.get());
    if (type != nullptr && g_content_type_is_a(type, "application/x-desktop")) {
        // A desktop launcher starts its application, as a shortcut does on Windows; one that
        // does not parse is opened like any other file.
        GObjectPtr<GDesktopAppInfo> launcher(g_desktop_app_info_new_from_filename(path));
        if (launcher)
            return launchApp(G_APP_INFO(launcher.get()), nullptr);
    }

    GErrorOwner handlerError;
    GObjectPtr<GAppInfo> handler(
        g_file_query_default_handler(file.get(), nullptr, &handlerError.error));
    if (!handler)
        return failureFrom(handlerError, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    return launchApp(handler.get(), file.get());
}

bool isOpenVerb(const char* verb) {
    return verb == nullptr || *verb == '\0' || std::strcmp(verb, "open") == 0;
}

} // namespace

BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info) {
    if (info == nullptr || info->cbSize != sizeof(SHELLEXECUTEINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<Failure> failure;
    if (info->lpFile == nullptr || *info->lpFile == '\0') {
        // A launcher slot that holds no path: nothing to open and nothing worth a message.
        failure = Failure{SE_ERR_FNF, ERROR_FILE_NOT_FOUND, {}};
    } else if (!isOpenVerb(info->lpVerb)) {
        failure = Failure{SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION,
                          std::string("the action \"") + info->lpVerb + "\" is not supported"};
    } else {
        failure = openPath(*info);
    }

    if (!failure) {
        info->hInstApp = kLaunched;
        return TRUE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(failure->shellCode));
    if ((info->fMask & SEE_MASK_FLAG_NO_UI) == 0 && !failure->reason.empty())
        voxtrel::shell::reportOpenFailure(info->hwnd, info->lpFile, failure->reason);
    SetLastError(failure->lastError);
    return FALSE;
}
