// The scene of a cursor: the view volume, the visible pass (backdrop, lights, materials, faces
// and launcher insets) and the selection pass that names the slot under a point.
#pragma once

#include "platform/win32.h"

#include "render/slot_mesh.h"
#include "render/vec3.h"

#include <GL/gl.h>

namespace voxtrel {

constexpr double VIEW_ANGLE = 30.0; // degrees, the full opening angle
constexpr int SELECT_BUFFER_SIZE = 512;

struct ViewVolume {
    double nearPlane;
    double farPlane;
    double frustumHalf;
};

// The frustum whose near, far and side planes all touch the unit sphere around the object.
ViewVolume computeViewVolume();

// Everything a pass reads; the cursor fills it from its record.
struct SceneView {
    const SlotMesh* mesh = nullptr; // nothing is drawn or picked without one
    Vec3 rotation;
    ViewVolume volume{};
    bool bgTextureEnabled = false;
    bool launcherEnabled = false;
    GLuint bgTexture = 0;
    const GLuint* textures = nullptr; // slot s uses textures[s + 1]
    // Whether slot s has an icon to show; a slot without one draws no inset at all.
    const bool* slotHasIcon = nullptr;
    int width = 0;
    int height = 0;
    int surfaceHeight = 0;
    bool hover = false;
    int hoverSlot = 0;
    // Where the surface keeps alpha, the backdrop is drawn fully transparent; elsewhere in the
    // key colour, which the frame then makes transparent.
    bool transparentBackdrop = false;
};

// The visible pass: the top-left width x height block of the surface.
void drawScene(const SceneView& view);

struct PickResult {
    bool hover;   // a slot is under the point
    bool hasSlot; // a hit record named a slot (the last such record wins)
    int slot;
};

// The selection pass through a one-pixel region around (pickX, pickY), in the surface's OpenGL
// window coordinates.
PickResult pickScene(const SceneView& view, double pickX, double pickY);

// All four edges count as inside.
bool pointInRectInclusive(const RECT& rect, const POINT& point);

} // namespace voxtrel
