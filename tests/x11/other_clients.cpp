#include "tests/x11/other_clients.h"

#include "platform/linux/display/gtk/gtk_loop.h"
#include "platform/linux/display/gtk/gtk_server_image.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <atomic>
#include <chrono>
#include <future>

namespace voxtrel::testing_support {

void addressAVanishedWindowOfAnotherProgram() {
    ::Display* other = XOpenDisplay(nullptr);
    if (other == nullptr)
        return;
    const ::Window gone =
        XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 10, 10, 0, 0, 0);
    const Pixmap goneBackground = XCreatePixmap(other, gone, 4, 4, DefaultDepth(other, 0));
    XSync(other, False);
    XCloseDisplay(other);

    std::promise<void> answered;
    display::gtk::onDisplayThread([gone, goneBackground, &answered] {
        ::Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        XSelectInput(x, gone, StructureNotifyMask);
        XFreePixmap(x, goneBackground);
        XSync(x, False);
        answered.set_value();
    });
    answered.get_future().wait();
}

void destroyAsAnotherProgram(unsigned long xid) {
    ::Display* other = XOpenDisplay(nullptr);
    if (other == nullptr)
        return;
    XDestroyWindow(other, xid);
    XSync(other, False);
    XCloseDisplay(other);
}

void detachSharedPicturesOnTheServer() {
    std::promise<void> done;
    display::gtk::onDisplayThread([&done] {
        display::gtk::ServerImage::detachAllFromServer();
        done.set_value();
    });
    done.get_future().wait();
}

namespace {
std::atomic<long> questionsAsked{0};
}

void keepTheDisplayThreadAskingTheServer() {
    display::gtk::onDisplayThread([] {
        g_idle_add(
            [](gpointer) -> gboolean {
                int event = 0, error = 0;
                XShapeQueryExtension(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), &event,
                                     &error);
                ++questionsAsked;
                return G_SOURCE_CONTINUE;
            },
            nullptr);
    });
}

long displayThreadQuestionsAsked() {
    return questionsAsked;
}

ServerHold::ServerHold() {
    ::Display* other = XOpenDisplay(nullptr);
    if (other == nullptr)
        return;
    XGrabServer(other);
    XSync(other, False);
    connection_ = other;
}

ServerHold::~ServerHold() {
    letGo();
}

void ServerHold::letGo() {
    if (connection_ == nullptr)
        return;
    auto* other = static_cast<::Display*>(connection_);
    XUngrabServer(other);
    XSync(other, False);
    XCloseDisplay(other);
    connection_ = nullptr;
}

struct DisplayThreadHold::State {
    std::promise<void> entered;
    std::promise<void> leave;
    std::shared_future<void> left = leave.get_future().share();
    bool let = false;
};

DisplayThreadHold::DisplayThreadHold(int limitMs) : state_(std::make_shared<State>()) {
    std::future<void> entered = state_->entered.get_future();
    display::gtk::onDisplayThread([state = state_] {
        state->entered.set_value();
        state->left.wait();
    });
    holding_ = entered.wait_for(std::chrono::milliseconds(limitMs)) == std::future_status::ready;
}

DisplayThreadHold::~DisplayThreadHold() {
    letGo();
}

void DisplayThreadHold::letGo() {
    if (!state_->let) {
        state_->let = true;
        state_->leave.set_value();
    }
}

} // namespace voxtrel::testing_support
