// GDK's window scale, noted once GTK runs, and the dots per inch the desktop asks for.
#include "platform/linux/display/gtk/gtk_density.h"

#include <X11/Xresource.h>
#include <gdk/gdk.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace voxtrel::display::gtk {

namespace {

constexpr UINT kReferenceDotsPerInch = 96;
// What a sane Xft.dpi lies within; anything else is taken as unset.
constexpr double kLeastDotsPerInch = 24, kMostDotsPerInch = 960;

std::atomic<int> scale{1};

// Xft.dpi from the resources the server held when the connection was opened, or 0.
double resourceDotsPerInch(::Display* x) {
    const char* resources = x != nullptr ? XResourceManagerString(x) : nullptr;
    if (resources == nullptr)
        return 0;
    static std::once_flag initialised;
    std::call_once(initialised, XrmInitialize);
    XrmDatabase database = XrmGetStringDatabase(resources);
    if (database == nullptr)
        return 0;
    char* type = nullptr;
    XrmValue value{};
    double dotsPerInch = 0;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
        char* end = nullptr;
        dotsPerInch = std::strtod(value.addr, &end);
        if (end == value.addr || !std::isfinite(dotsPerInch) || dotsPerInch < kLeastDotsPerInch ||
            dotsPerInch > kMostDotsPerInch)
            dotsPerInch = 0;
    }
    XrmDestroyDatabase(database);
    return dotsPerInch;
}

} // namespace

void noteWindowScale() {
    scale = std::max(1, gdk_window_get_scale_factor(gdk_get_default_root_window()));
}

int windowScale() {
    return scale;
}

LONG toDevice(double gdkCoordinate) {
    return static_cast<LONG>(std::lround(gdkCoordinate * windowScale()));
}

int toGdkPosition(LONG device) {
    const int unit = windowScale();
    return static_cast<int>(device >= 0 ? device / unit : -((-device + unit - 1) / unit));
}

int toGdkLength(LONG device) {
    const int unit = windowScale();
    return static_cast<int>((device + unit - 1) / unit);
}

UINT dotsPerInch(::Display* x) {
    if (windowScale() > 1)
        return kReferenceDotsPerInch * static_cast<UINT>(windowScale());
    const double resource = resourceDotsPerInch(x);
    return resource > 0 ? static_cast<UINT>(std::lround(resource)) : kReferenceDotsPerInch;
}

} // namespace voxtrel::display::gtk
