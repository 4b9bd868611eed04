// Icons to GDK pictures: the layer keeps icons as top-down BGRA rows.
#include "platform/linux/display/gtk/gtk_icons.h"

#include "platform/linux/gdi/gdi_objects.h"

namespace voxtrel::display::gtk {

GdkPixbuf* pixbufOfIcon(HICON icon) {
    if (icon == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> guard(gdi::gdiLock());
    const gdi::IconObject* object = gdi::findIcon(icon);
    if (object == nullptr || object->bgra.empty() || object->width <= 0 || object->height <= 0)
        return nullptr;
    GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, object->width, object->height);
    guchar* rows = gdk_pixbuf_get_pixels(picture);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    for (int y = 0; y < object->height; ++y) {
        const std::uint8_t* source = &object->bgra[static_cast<std::size_t>(y) * object->width * 4];
        guchar* target = rows + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < object->width; ++x, source += 4, target += 4) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            target[3] = source[3];
        }
    }
    return picture;
}

} // namespace voxtrel::display::gtk
