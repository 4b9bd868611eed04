// A window's picture in memory the X server reads itself (MIT-SHM): a frame is written into it
// once, in the window's own pixel format, and put on the window without travelling through the
// socket or through GTK's drawing. Display thread only.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace voxtrel::display::gtk {

class ServerImage {
public:
    // An image of `width` x `height` for windows of `visual` and `depth`, or null where the
    // server offers no shared memory (a remote display), or keeps pixels otherwise than as
    // 32-bit little-endian BGRA words, or VOXTREL_X11_SHM=0 asks for the plain way.
    static std::unique_ptr<ServerImage> make(::Display* x, Visual* visual, int depth, int width,
                                             int height);
    ~ServerImage();
    ServerImage(const ServerImage&) = delete;
    ServerImage& operator=(const ServerImage&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint8_t* row(int y);
    std::size_t stride() const;
    // Puts the image's block of `width` x `height` pixels at (x, y) on `drawable` at the same
    // place; the server reads the memory after the call returns, so the pixels are not written
    // again until it says it is done (busy() false).
    void put(::Window drawable, GC gc, int x, int y, int width, int height);
    bool busy() const { return busy_; }
    // Whether the last put of this image was asked for after the request numbered `serial` and
    // covered the block at (x, y) of `width` x `height`: it brought back whatever of that block
    // the server had lost up to that request.
    bool putCovers(unsigned long serial, int x, int y, int width, int height) const {
        return putSerial_ != 0 && static_cast<long>(putSerial_ - serial) > 0 && x >= putX_ &&
               y >= putY_ && x + width <= putX_ + putWidth_ && y + height <= putY_ + putHeight_;
    }
    // The server refused a put of this image (an X error): no completion will come, and the
    // window is best shown the plain way from now on.
    bool refused() const { return refused_; }
    // For each event of the display: true when it was the completion of one of these images'
    // puts, and then `done` is that image.
    static bool isCompletion(const XEvent& event, ServerImage*& done);
    // From the X error handler: the put with this request serial was refused. Marks its image
    // and, once the handler has returned, calls what onRefusedPut gave.
    static void noteRefusedPut(unsigned long serial);
    static void onRefusedPut(void (*tell)(ServerImage& refused));
    // For tests: the server lets go of every image's memory, so that it refuses their next puts.
    static void detachAllFromServer();

private:
    ServerImage() = default;
    struct Segment;
    ::Display* x_ = nullptr;
    XImage* image_ = nullptr;
    std::unique_ptr<Segment> segment_;
    int width_ = 0;
    int height_ = 0;
    bool busy_ = false;
    bool refused_ = false;
    bool detached_ = false;
    unsigned long putSerial_ = 0;
    int putX_ = 0;
    int putY_ = 0;
    int putWidth_ = 0;
    int putHeight_ = 0;
};

} // namespace voxtrel::display::gtk
