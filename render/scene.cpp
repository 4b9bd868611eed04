// Drawing a cursor's scene with fixed-function OpenGL 1.1, and the selection pass. The visible
// pass and the selection pass share every step but the backdrop and the pick matrix.
#include "render/scene.h"

#include <GL/glu.h>

#include <cmath>

namespace voxtrel {

namespace {

const GLfloat LIGHT0_POSITION[] = {0, 0, 1, 0}; // directional
const GLfloat LIGHT1_POSITION[] = {1, 0, 0, 0};
const GLfloat LIGHT_AMBIENT[] = {0.5f, 0.5f, 0.5f, 1};
const GLfloat MATERIAL_AMBIENT[] = {0.3f, 0.3f, 0.3f, 1};
const GLfloat MATERIAL_DIFFUSE[] = {0.8f, 0.8f, 0.8f, 1};
const GLfloat MATERIAL_SHININESS = 8.0f;
const GLfloat SPECULAR_HIGHLIGHTED[] = {0.5f, 0.5f, 0.5f, 1};
const GLfloat SPECULAR_PLAIN[] = {0, 0, 0, 1};
// The fixed turn that places the lights relative to the viewer.
constexpr double LIGHT_TURN = -45.0;

// Paints the whole viewport transparent, or the key colour where the surface has no alpha; it
// stands in for clearing, so nothing outside the shown block is touched.
void drawBackdrop(bool transparent) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    if (transparent)
        glColor4d(0, 0, 0, 0);
    else
        glColor3d(0, 0, 1);
    glRectd(-1, -1, 1, 1);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

void bindFaceTexture(GLuint texture) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
}

void runPass(const SceneView& view, bool pickMode, double pickX, double pickY) {
    glViewport(0, view.surfaceHeight - view.height, view.width, view.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (pickMode) {
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluPickMatrix(pickX, pickY, 1.0, 1.0, viewport);
    }
    const ViewVolume& v = view.volume;
    glFrustum(-v.frustumHalf, v.frustumHalf, -v.frustumHalf, v.frustumHalf, v.nearPlane,
              v.farPlane);
    if (!pickMode)
        drawBackdrop(view.transparentBackdrop);

    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(LIGHT_TURN, 0, 1, 0);
    glRotated(LIGHT_TURN, 1, 0, 0);
    glLightfv(GL_LIGHT0, GL_POSITION, LIGHT0_POSITION);
    glLightfv(GL_LIGHT0, GL_AMBIENT, LIGHT_AMBIENT);
    glLightfv(GL_LIGHT1, GL_POSITION, LIGHT1_POSITION);
    glLightfv(GL_LIGHT1, GL_AMBIENT, LIGHT_AMBIENT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, MATERIAL_AMBIENT);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, MATERIAL_DIFFUSE);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, MATERIAL_SHININESS);

    glLoadIdentity();
    glTranslated(0, 0, -(v.nearPlane + (v.farPlane - v.nearPlane) * 0.5));
    glRotated(view.rotation.x, 1, 0, 0);
    glRotated(view.rotation.y, 0, 1, 0);
    glRotated(view.rotation.z, 0, 0, 1);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST); // convex meshes, culled back faces, insets after their faces

    const SlotMesh* mesh = view.mesh;
    if (mesh == nullptr)
        return;
    for (int q = 0; q < mesh->faceCount; ++q) {
        const bool highlighted = view.hover && q == view.hoverSlot;
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR,
                     highlighted ? SPECULAR_HIGHLIGHTED : SPECULAR_PLAIN);
        if (view.bgTextureEnabled)
            bindFaceTexture(view.bgTexture);
        else
            glDisable(GL_TEXTURE_2D);
        mesh->drawFace(q);
        if (view.launcherEnabled && view.slotHasIcon != nullptr && view.slotHasIcon[q]) {
            // Over the face just drawn: where the icon is transparent, the face shows, and an
            // empty slot has no inset to draw at all.
            bindFaceTexture(view.textures[q + 1]);
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA); // premultiplied texels
            mesh->drawInset(q);
            glDisable(GL_BLEND);
        }
    }
}

} // namespace

ViewVolume computeViewVolume() {
    const double half = degToRad(VIEW_ANGLE / 2.0);
    const double s = std::sin(half);
    const double t = std::tan(half);
    ViewVolume volume;
    volume.nearPlane = 1 / s - 1;
    volume.farPlane = 1 * 2 + volume.nearPlane;
    volume.frustumHalf = t * volume.nearPlane;
    return volume;
}

void drawScene(const SceneView& view) {
    runPass(view, false, 0, 0);
}

PickResult pickScene(const SceneView& view, double pickX, double pickY) {
    GLuint buffer[SELECT_BUFFER_SIZE];
    glSelectBuffer(SELECT_BUFFER_SIZE, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    runPass(view, true, pickX, pickY);
    const GLint hits = glRenderMode(GL_RENDER);

    // Each record: the number of names, the minimum and maximum depth, then the names. A
    // count of -1 (overflow) means no slot.
    PickResult result{hits >= 1, false, 0};
    GLuint* record = buffer;
    for (GLint i = 0; i < hits; ++i) {
        const GLuint names = record[0];
        if (names >= 1) {
            result.hasSlot = true;
            result.slot = static_cast<int>(record[3]);
        }
        record += 3 + names;
    }
    return result;
}

bool pointInRectInclusive(const RECT& rect, const POINT& point) {
    return rect.left <= point.x && point.x <= rect.right && rect.top <= point.y &&
           point.y <= rect.bottom;
}

} // namespace voxtrel
