// The one interface between the Linux layer and a window system. Each backend lives in its own
// folder and namespace: gtk/ talks to a real X11 server, headless/ keeps everything in memory.
// No window-system header appears here, so the rest of the layer stays free of them.
#pragma once

namespace voxtrel::display {

struct Size {
    int width;
    int height;
};

class Display {
public:
    virtual ~Display() = default;

    // Screen
    // The size of the whole screen in pixels: every monitor together, as the virtual screen.
    virtual Size screenSize() = 0;
};

// The backend chosen by VOXTREL_DISPLAY ("x11", the default, or "headless"), made on first use
// and kept for the life of the process.
Display& current();

} // namespace voxtrel::display
