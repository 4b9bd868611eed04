// Icons to GDK pictures: blue, green, red, alpha rows to GDK's red, green, blue, alpha.
#include "platform/linux/display/gtk/gtk_icons.h"

namespace voxtrel::display::gtk {

GdkPixbuf* pixbufOfIcon(const IconPicture& icon) {
    if (icon == nullptr || icon->width <= 0 || icon->height <= 0 ||
        icon->bgra.size() < static_cast<std::size_t>(icon->width) * icon->height * 4)
        return nullptr;
    GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon->width, icon->height);
    guchar* rows = gdk_pixbuf_get_pixels(picture);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    for (int y = 0; y < icon->height; ++y) {
        const std::uint8_t* source = &icon->bgra[static_cast<std::size_t>(y) * icon->width * 4];
        guchar* target = rows + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < icon->width; ++x, source += 4, target += 4) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            target[3] = source[3];
        }
    }
    return picture;
}

} // namespace voxtrel::display::gtk
