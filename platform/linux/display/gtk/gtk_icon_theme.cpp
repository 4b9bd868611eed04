#include "platform/linux/display/gtk/gtk_icon_theme.h"

#include <gtk/gtk.h>

#include <mutex>

namespace voxtrel::display::gtk {

namespace {

std::mutex nameMutex;
std::string& name() {
    static auto* kept = new std::string;
    return *kept;
}

void readThemeName(GtkSettings* settings) {
    gchar* theme = nullptr;
    g_object_get(settings, "gtk-icon-theme-name", &theme, nullptr);
    std::lock_guard<std::mutex> guard(nameMutex);
    name() = theme != nullptr ? theme : "";
    g_free(theme);
}

} // namespace

void watchIconTheme() {
    GtkSettings* settings = gtk_settings_get_default();
    if (settings == nullptr)
        return;
    readThemeName(settings);
    g_signal_connect(
        settings, "notify::gtk-icon-theme-name",
        G_CALLBACK(+[](GtkSettings* changed, GParamSpec*, gpointer) { readThemeName(changed); }),
        nullptr);
}

std::string iconThemeName() {
    std::lock_guard<std::mutex> guard(nameMutex);
    return name();
}

} // namespace voxtrel::display::gtk
