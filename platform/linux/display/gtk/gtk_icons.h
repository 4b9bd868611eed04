// Icons as GDK pictures, for window icons and the tray. Display thread only.
#pragma once

#include "platform/linux/display/display_pixels.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace voxtrel::display::gtk {

// A new picture of the icon's pixels (the caller owns the reference), or null for no icon.
GdkPixbuf* pixbufOfIcon(const IconPicture& icon);

} // namespace voxtrel::display::gtk
