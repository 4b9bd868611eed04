// A cursor's scene: set-up, the visible and selection passes, and the hover test.
#include "cursor/cursor.h"

#include <iterator>

namespace voxtrel {

namespace {

SceneView viewOf(const Cursor& cursor) {
    SceneView view;
    view.mesh = cursor.mesh;
    view.rotation = cursor.rotation;
    view.volume = {cursor.nearPlane, cursor.farPlane, cursor.frustumHalf};
    view.bgTextureEnabled = cursor.bgTextureEnabled != 0;
    view.launcherEnabled = cursor.launcherEnabled != 0;
    view.bgTexture = cursor.bgTexture;
    view.textures = cursor.textures;
    view.slotHasIcon = cursor.slotHasIcon;
    view.width = cursor.side;
    view.height = cursor.side;
    view.surfaceHeight = cursor.surfaceHeight;
    view.hover = cursor.hover;
    view.hoverSlot = cursor.hoverSlot;
    view.transparentBackdrop = cursor.pixelLayout.alpha;
    return view;
}

} // namespace

void Cursor::setupScene() {
    const ViewVolume volume = computeViewVolume();
    nearPlane = volume.nearPlane;
    farPlane = volume.farPlane;
    frustumHalf = volume.frustumHalf;

    for (int row = 0; row < SHAPE_COUNT; ++row)
        meshes[row].reset(SHAPES[row].makeMesh());
    chooseMesh();
    // A shape no row has (only an edited file can hold one) is drawn as the default solid; the
    // stored value itself is kept.
    if (mesh == nullptr)
        mesh = meshes[shapeIndex(DEFAULT_SHAPE)].get();

    setupTextureNames(textures, static_cast<int>(std::size(textures)));
    if (!texturePath.empty())
        loadBackgroundTexture();
    // Every slot, whatever the shape, so a later switch needs no reload.
    for (int slot = 0; slot < SLOT_COUNT_MAX; ++slot)
        loadSlotIcon(slot);
}

void Cursor::render(bool pickMode) {
    const SceneView view = viewOf(*this);
    if (!pickMode) {
        drawScene(view);
        return;
    }
    const PickResult result = pickScene(view, pickX, pickY);
    hover = result.hover;
    if (result.hover && result.hasSlot)
        hoverSlot = result.slot;
}

void Cursor::pickHover() {
    POINT mouse;
    RECT rect;
    GetCursorPos(&mouse);
    GetWindowRect(hwnd, &rect);
    hover = pointInRectInclusive(rect, mouse);
    if (!hover)
        return;
    // A window pixel counted down from the window's top, in the surface's OpenGL coordinates
    // counted up from its bottom.
    pickX = static_cast<double>(mouse.x - rect.left);
    pickY = static_cast<double>(surfaceHeight - (mouse.y - rect.top));
    render(true);
}

} // namespace voxtrel
