// One floating solid on the desktop: every per-cursor setting and state. Constructed on the main
// thread without a window; from its window's creation on, only the cursor's own thread writes it.
#pragma once

#include "platform/win32.h"

#include "cursor/shapes.h"
#include "cursor/surface_pixels.h"
#include "cursor/window.h"
#include "launch/launch.h"
#include "render/scene.h"
#include "render/slot_mesh.h"
#include "render/textures.h"
#include "render/vec3.h"
#include "resources/menu_ids.h"

#include <GL/gl.h>

#include <atomic>
#include <memory>
#include <vector>
#include <mutex>
#include <string>

namespace voxtrel {

constexpr int SURFACE_SIDE = 1024; // the off-screen bitmap's largest side at the usual density
constexpr int DEFAULT_SIDE = 256;
constexpr double DEFAULT_SCALE = 0.25;
constexpr BYTE DEFAULT_BLEND_ALPHA = 192; // three-quarters opaque
constexpr BYTE OPAQUE_ALPHA = 255;

// The atom of the "cursor" window class, 0 until the first cursor registers it (once per process).
extern std::atomic<ATOM> cursorClassAtom;

// The key colour: the backdrop of surfaces whose pixel format keeps no alpha, made transparent
// before each frame is shown.
constexpr COLORREF COLOR_KEY = 0x00FF0000;

struct SurfaceFailure; // cursor_surface.cpp

class Cursor final : public Window {
public:
    // Every field at its initial value, centred on the virtual screen.
    Cursor();

    // Points `mesh` at the mesh of `shape`; any other shape value leaves it as it was.
    void chooseMesh();

    // The window, its off-screen surface and OpenGL context, on the calling (cursor) thread;
    // then the frame timer runs and the window is shown. False when no window could be made.
    bool create();
    // The off-screen bitmap, its pixel format and the OpenGL context current on this thread,
    // with the scene set up and drawn once. False, after saying why, when any step fails.
    bool createSurface();
    // The surface, its pixel format and the context, made current; false with the failed step.
    bool makeSurfaceAndContext(SurfaceFailure& failure);
    // Lets go of the surface and the OpenGL context (and with it every texture), on the
    // cursor's thread when its loop has ended.
    void releaseSurface();
    // Makes the surface as large as the window wants it (surfaceSideFor); a surface that
    // cannot be made larger leaves the window at the surface's size.
    void fitSurface();
    // Asks Windows to tell the window when the session locks and the display turns off, and
    // stops asking (WM_DESTROY); what it hears decides, with the window's own state, whether
    // anybody can see the cursor.
    void listenForSessionAndDisplay();
    void stopListeningForSessionAndDisplay();
    void onSessionChange(WPARAM change);
    void onPowerSetting(const POWERBROADCAST_SETTING& setting);
    bool resizeSurface(int side);
    // The surface's side at full zoom on this cursor's screen.
    int largestSurfaceSide() const;
    // The extended window style for the current onTop and showInTaskbar.
    DWORD extendedStyle() const;
    // Brings the live window in line with onTop and showInTaskbar.
    void applyStyle();

    // Scene set-up once the context is current: view volume, meshes, textures.
    void setupScene();
    // The visible pass, or with `pickMode` the selection pass that sets hover and hoverSlot.
    void render(bool pickMode);
    // Runs the selection pass when the mouse is over the window rectangle.
    void pickHover();
    // Makes texturePath the background texture; reports a texture that cannot be built.
    void loadBackgroundTexture();
    // Uploads the shell icon of launches[slot] into textures[slot + 1].
    void loadSlotIcon(int slot);

    // One frame: timing, title, zoom, scene, pick, layered update, spin.
    LRESULT paintFrame();
    // The spin step for the animation clock t and the time dt since the previous frame.
    void animate(double t, double dt);
    // The zoom step of a frame at tick `now`.
    void stepZoom(DWORD now, double dt);
    void startFrameCounter(DWORD tick);
    // The frame timer's tick: a repaint, when the cursor can be seen.
    void onFrameTimer();
    // Counts a frame; when a period of at least a second is over, shows its count as the title.
    void countFrame(DWORD now);

    // Marks the property menu with this cursor's settings.
    void updateMenuChecks(HMENU menu);
    // One property command, by its menu id.
    void onCommand(HMENU menu, WORD command);
    // The property menu at the mouse.
    void showPropertyMenu();
    // Takes the first file of a drop: an image becomes the background, anything else the
    // launcher of the face under the mouse. True when it became the background.
    bool takeDrop(HDROP drop);
    // A mouse press that starts a drag (left or middle button).
    void startDrag(int x, int y);
    void followDrag(int x, int y);
    void endDrag();
    // Where the system's own move loop puts the window (its top-left on the screen).
    void followSystemMove(int left, int top);
    void startZoomStep(short delta);
    // Moves the window back onto the nearest of `monitors` when its centre lies on none.
    void bringBackOnScreen(const std::vector<RECT>& monitors);

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The configuration archive: the saved fields, both ways (config/archive.cpp). Takes
    // `savedFieldsLock`, so a save on the main thread reads them whole.
    template <class Archive> void serialize(Archive& archive, unsigned int version);

    // Held by this cursor's thread while it changes a saved field, and by a save while it reads
    // them: a save never sees a path half replaced or a position half moved.
    mutable std::mutex savedFieldsLock;

    // Saved settings are marked (saved).
    INT alphaBlend = 1;         // (saved) constant alpha on top of the per-pixel alpha
    INT launcherEnabled = 1;    // (saved) draw the launcher insets
    INT bgTextureEnabled = 1;   // (saved) texture the faces with the background image
    INT onTop = 1;              // (saved) topmost window
    UINT shape = DEFAULT_SHAPE; // (saved)
    std::string texturePath;    // (saved) background image file
    INT showInTaskbar = 0;
    DWORD startTick = 0;       // origin of the animation clock
    INT centerX = 0;           // (saved) screen position of the window centre
    INT centerY = 0;           // (saved)
    INT width = DEFAULT_SIDE;  // (saved)
    INT height = DEFAULT_SIDE; // (saved)
    double density = 1.0;      // screen pixels per pixel at 96 dots per inch, where it stands
    INT side = DEFAULT_SIDE;   // the window's side on the screen: the saved size times density
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, DEFAULT_BLEND_ALPHA, AC_SRC_ALPHA};
    INT dragging = 0;
    INT dragStartX = 0; // mouse position when a drag started
    INT dragStartY = 0;
    INT dragOrigX = 0; // centre when a drag started
    INT dragOrigY = 0;
    bool inSystemMove = false; // between WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE
    void* bits = nullptr;      // pixel memory of the off-screen bitmap
    INT surfaceWidth = SURFACE_SIDE;
    INT surfaceHeight = SURFACE_SIDE;
    HDC memDC = nullptr;
    HBITMAP dib = nullptr;
    HGLRC context = nullptr;
    PixelLayout pixelLayout; // what the driver keeps in a surface pixel
    DWORD fpsLastTick = 0;   // start of the current frame-counting period
    INT fpsFrames = 0;
    std::unique_ptr<SlotMesh> meshes[SHAPE_COUNT]; // one per row of SHAPES, built by the scene
    SlotMesh* mesh = nullptr;                      // the one drawn and picked: one of the above
    GLuint bgTexture = 0;
    // Slot i's icon is textures[i + 1]; textures[0] is made and never used.
    GLuint textures[SLOT_COUNT_MAX + 1] = {};
    // Whether textures[slot + 1] holds an icon: every name is made at the start, filled or not.
    bool slotHasIcon[SLOT_COUNT_MAX] = {};
    double lastTime = 0.0;        // animation clock at the previous frame, seconds
    Vec3 rotation{0, 0, 0};       // degrees about x, y, z
    Vec3 spinAxis{0.1, 1, 0};     // spin weight per axis
    double spinSpeed = 0.0;       // degrees per second
    double spinAccel = 10.0;      // degrees per second squared
    double scale = DEFAULT_SCALE; // (saved) window side = scale x 1024
    DWORD zoomStartTick = 0;
    INT zoomDirection = 0; // +1 growing, -1 shrinking, 0 idle
    double nearPlane = 0.0;
    double farPlane = 0.0;
    double frustumHalf = 0.0;
    double pickX = 0.0; // pick point in surface pixels
    double pickY = 0.0;
    bool unseen = false; // hidden, minimised, locked away or dark: the frame timer runs slowly
    bool sessionLocked = false;           // as the session's notifications say
    bool displayOff = false;              // as the display's power notifications say
    HPOWERNOTIFY displayNotice = nullptr; // the registration for them
    bool hover = false;                   // a face is under the mouse
    INT hoverSlot = 0;                    // which face, while hover is true
    Launch launches[SLOT_COUNT_MAX];      // (saved) index = face index
};

// The density of the monitor that shows `point` (the nearest one where none does): its own
// dots per inch where the system tells them per monitor, the system's elsewhere.
double densityAt(POINT point);

// The check mark of one menu item, by command, from a flag.
void checkMenuFlag(HMENU menu, UINT command, INT flag);
// Flips the flag between 0 and 1 and marks the item accordingly.
void toggleMenuFlag(HMENU menu, UINT command, INT& flag);

} // namespace voxtrel
