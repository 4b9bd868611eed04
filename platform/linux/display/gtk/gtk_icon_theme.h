// The icon theme GTK was told is the user's (XSETTINGS, or GTK's settings file), kept for any
// thread to read.
#pragma once

#include <string>

namespace voxtrel::display::gtk {

// Display thread, once GTK runs: reads the theme's name now and whenever the desktop changes it.
void watchIconTheme();

// Any thread: the name last read; empty before GTK runs.
std::string iconThemeName();

} // namespace voxtrel::display::gtk
