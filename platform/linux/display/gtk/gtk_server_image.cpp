// Shared-memory images for window pictures. The segment is marked for removal as soon as both
// sides hold it, so nothing is left behind whatever way the process ends. A server that cannot
// attach it (a remote display) is asked once; from then on every window takes the plain way.
#include "platform/linux/display/gtk/gtk_server_image.h"
#include "platform/linux/display/gtk/gtk_x_errors.h"

#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace voxtrel::display::gtk {

struct ServerImage::Segment {
    XShmSegmentInfo info{};
};

namespace {

int completionEvent = -1; // the server's ShmCompletion event type, once known
void (*tellRefused)(ServerImage&) = nullptr;
bool attachRefused = false; // the server cannot reach our memory: no more tries

std::map<ShmSeg, ServerImage*>& liveImages() {
    static auto* images = new std::map<ShmSeg, ServerImage*>;
    return *images;
}

bool sharedMemoryOffered(::Display* x) {
    static const bool wanted = [] {
        const char* setting = std::getenv("VOXTREL_X11_SHM");
        return setting == nullptr || std::strcmp(setting, "0") != 0;
    }();
    if (!wanted || attachRefused || XShmQueryExtension(x) == False)
        return false;
    completionEvent = XShmGetEventBase(x) + ShmCompletion;
    return true;
}

// The frame's bytes are blue, green, red, alpha: the server must keep a pixel as one 32-bit
// little-endian word with red above green above blue.
bool takesFrameBytes(const Visual* visual, const XImage& image) {
    return image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
           visual->red_mask == 0xFF0000u && visual->green_mask == 0xFF00u &&
           visual->blue_mask == 0xFFu;
}

} // namespace

std::unique_ptr<ServerImage> ServerImage::make(::Display* x, Visual* visual, int depth, int width,
                                               int height) {
    if (width <= 0 || height <= 0 || !sharedMemoryOffered(x))
        return nullptr;
    std::unique_ptr<ServerImage> made(new ServerImage);
    made->x_ = x;
    made->width_ = width;
    made->height_ = height;
    made->segment_ = std::make_unique<Segment>();
    XShmSegmentInfo& info = made->segment_->info;
    made->image_ = XShmCreateImage(x, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &info,
                                   static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (made->image_ == nullptr || !takesFrameBytes(visual, *made->image_))
        return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(made->image_->bytes_per_line) * height;
    info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (info.shmid < 0)
        return nullptr;
    void* memory = shmat(info.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(info.shmid, IPC_RMID, nullptr);
        info.shmid = -1;
        return nullptr;
    }
    info.shmaddr = made->image_->data = static_cast<char*>(memory);
    info.readOnly = False;
    GdkDisplay* display = gdk_x11_lookup_xdisplay(x);
    ExpectedErrors trap(display);
    XShmAttach(x, &info);
    const bool attached = trap.pop() == 0;
    shmctl(info.shmid, IPC_RMID, nullptr); // freed when both sides let go
    if (!attached) {
        attachRefused = true;
        return nullptr;
    }
    liveImages()[info.shmseg] = made.get();
    return made;
}

ServerImage::~ServerImage() {
    if (segment_ != nullptr && segment_->info.shmaddr != nullptr) {
        if (liveImages().erase(segment_->info.shmseg) != 0 && !detached_)
            XShmDetach(x_, &segment_->info); // after any put still queued, which reads first
        shmdt(segment_->info.shmaddr);
    }
    if (image_ != nullptr) {
        image_->data = nullptr; // the segment's, not Xlib's to free
        XDestroyImage(image_);
    }
}

std::uint8_t* ServerImage::row(int y) {
    return reinterpret_cast<std::uint8_t*>(image_->data) +
           static_cast<std::ptrdiff_t>(image_->bytes_per_line) * y;
}

std::size_t ServerImage::stride() const {
    return static_cast<std::size_t>(image_->bytes_per_line);
}

void ServerImage::put(::Window drawable, GC gc, int x, int y, int width, int height) {
    x = std::clamp(x, 0, width_);
    y = std::clamp(y, 0, height_);
    width = std::clamp(width, 0, width_ - x);
    height = std::clamp(height, 0, height_ - y);
    // Busy before the request goes: the flush reads what the server sent meanwhile, and the
    // server may already have refused this very put.
    busy_ = true;
    putSerial_ = NextRequest(x_);
    putX_ = x;
    putY_ = y;
    putWidth_ = width;
    putHeight_ = height;
    XShmPutImage(x_, drawable, gc, image_, x, y, x, y, static_cast<unsigned>(width),
                 static_cast<unsigned>(height), True);
    XFlush(x_);
}

bool ServerImage::isCompletion(const XEvent& event, ServerImage*& done) {
    done = nullptr;
    if (completionEvent < 0 || event.type != completionEvent)
        return false;
    const auto& completion = reinterpret_cast<const XShmCompletionEvent&>(event);
    auto found = liveImages().find(completion.shmseg);
    if (found != liveImages().end()) {
        found->second->busy_ = false;
        done = found->second;
    }
    return true;
}

void ServerImage::noteRefusedPut(unsigned long serial) {
    for (auto& [segment, image] : liveImages()) {
        if (image->putSerial_ != serial || !image->busy_)
            continue;
        image->busy_ = false;
        image->refused_ = true;
        // The handler may make no request; the window changes its way on the next turn.
        if (tellRefused != nullptr)
            g_idle_add(
                [](gpointer segment) -> gboolean {
                    const auto found = liveImages().find(
                        static_cast<ShmSeg>(reinterpret_cast<std::uintptr_t>(segment)));
                    if (found != liveImages().end() && tellRefused != nullptr)
                        tellRefused(*found->second);
                    return G_SOURCE_REMOVE;
                },
                reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(segment)));
        return;
    }
}

void ServerImage::detachAllFromServer() {
    for (auto& [segment, image] : liveImages()) {
        if (!image->detached_) {
            XShmDetach(image->x_, &image->segment_->info);
            XSync(image->x_, False);
            image->detached_ = true;
        }
    }
}

void ServerImage::onRefusedPut(void (*tell)(ServerImage& refused)) {
    tellRefused = tell;
}

} // namespace voxtrel::display::gtk
