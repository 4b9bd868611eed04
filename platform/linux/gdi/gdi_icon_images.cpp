// Decoding icon pictures with gdk-pixbuf, which is safe on any thread (it is not GTK).
#include "platform/linux/gdi/gdi_icon_images.h"

#include "platform/linux/gdi/gdi_objects.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace voxtrel::gdi {

namespace {

HICON iconFromPixbuf(GdkPixbuf* decoded, int side) {
    if (decoded == nullptr)
        return nullptr;
    GdkPixbuf* scaled =
        gdk_pixbuf_get_width(decoded) == side && gdk_pixbuf_get_height(decoded) == side
            ? GDK_PIXBUF(g_object_ref(decoded))
            : gdk_pixbuf_scale_simple(decoded, side, side, GDK_INTERP_BILINEAR);
    if (scaled == nullptr)
        return nullptr;
    GdkPixbuf* rgba = gdk_pixbuf_get_has_alpha(scaled)
                          ? GDK_PIXBUF(g_object_ref(scaled))
                          : gdk_pixbuf_add_alpha(scaled, FALSE, 0, 0, 0);
    g_object_unref(scaled);
    display::IconPixels icon;
    icon.width = side;
    icon.height = side;
    icon.bgra.resize(static_cast<std::size_t>(side) * side * 4);
    const guchar* pixels = gdk_pixbuf_read_pixels(rgba);
    const int rowstride = gdk_pixbuf_get_rowstride(rgba);
    for (int y = 0; y < side; ++y) {
        const guchar* source = pixels + static_cast<std::ptrdiff_t>(y) * rowstride;
        std::uint8_t* target = &icon.bgra[static_cast<std::size_t>(y) * side * 4];
        for (int x = 0; x < side; ++x) {
            target[x * 4] = source[x * 4 + 2];
            target[x * 4 + 1] = source[x * 4 + 1];
            target[x * 4 + 2] = source[x * 4];
            target[x * 4 + 3] = source[x * 4 + 3];
        }
    }
    g_object_unref(rgba);
    return makeIcon(std::move(icon));
}

} // namespace

HICON iconFromBytes(const std::uint8_t* data, std::size_t size, int side) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GError* error = nullptr;
    HICON icon = nullptr;
    if (gdk_pixbuf_loader_write(loader, data, size, &error) &&
        gdk_pixbuf_loader_close(loader, &error))
        icon = iconFromPixbuf(gdk_pixbuf_loader_get_pixbuf(loader), side);
    else
        gdk_pixbuf_loader_close(loader, nullptr);
    if (error != nullptr)
        g_error_free(error);
    g_object_unref(loader);
    return icon;
}

HICON iconFromFile(const std::string& path, int side) {
    GError* error = nullptr;
    // Vector images are rendered at the size wanted; others are scaled.
    GdkPixbuf* decoded = gdk_pixbuf_new_from_file_at_size(path.c_str(), side, side, &error);
    if (error != nullptr)
        g_error_free(error);
    HICON icon = iconFromPixbuf(decoded, side);
    if (decoded != nullptr)
        g_object_unref(decoded);
    return icon;
}

HCURSOR pointerNamed(const char* shape) {
    auto* pointer = new IconObject;
    pointer->pointerShape = shape;
    std::lock_guard<std::mutex> guard(gdiLock());
    return adoptIcon(pointer);
}

} // namespace voxtrel::gdi
