// The tray as a StatusNotifierItem on the session bus, for desktops without an XEmbed
// notification area (KDE Plasma, GNOME with the AppIndicator extension, Wayland sessions). The
// host's Activate, SecondaryActivate and ContextMenu calls become the same mouse messages the
// XEmbed icon gives, so the program's own menu opens, at the pointer. Display thread only.
#pragma once

#include "platform/linux/display/display.h"
#include "platform/linux/win32/types.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <functional>
#include <string>

namespace voxtrel::display::gtk {

// Watches the session bus for a StatusNotifierWatcher, once per process: `changed` is called
// with true when one is there (and again whenever one appears), with false when there is none
// or no session bus at all.
void watchForNotifierHost(std::function<void(bool present)> changed);

class NotifierItem;

// A new item for the tray icon `id` of `owner`, registered with the watcher.
NotifierItem* createNotifierItem(HWND owner, UINT id);
// Its picture (null: a stock icon) and tip; hosts are told of a change.
void updateNotifierItem(NotifierItem* item, GdkPixbuf* picture, const std::string& tip);
// Registers it again, with a watcher that has just appeared.
void registerNotifierItem(NotifierItem* item);
void destroyNotifierItem(NotifierItem* item);

// Offered every menu before it is shown. A menu of an item's owner becomes the item's exported
// menu; the one that answers the press a new item made is taken (answered as dismissed, true)
// rather than shown; one that follows a host's click soon is moved to the point of that click.
bool notifierTakesMenu(MenuRequest& request);

} // namespace voxtrel::display::gtk
