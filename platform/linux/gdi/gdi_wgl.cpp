// WGL on EGL: a context on a memory DC draws, through Mesa's surfaceless platform (no X server,
// no GPU needed), into a pbuffer the size of the DC's bitmap, with the desktop OpenGL
// compatibility profile, so OpenGL 1.1 immediate mode, lighting and selection all work.
// Not implemented: sharing lists between contexts, contexts on window DCs.
#include "platform/linux/gdi/gdi_wgl.h"

#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/kernel/kernel_objects.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <unordered_set>

namespace voxtrel::gdi {

struct GlContext {
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    int width = 0;
    int height = 0;
    DcObject* dc = nullptr;
};

namespace {

// The one EGL display of the process, initialised on first use.
struct Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    bool ok = false;
};

const Egl& egl() {
    static const Egl state = [] {
        Egl result;
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay != nullptr)
            result.display =
                getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major = 0, minor = 0;
        if (result.display == EGL_NO_DISPLAY || !eglInitialize(result.display, &major, &minor) ||
            !eglBindAPI(EGL_OPENGL_API)) {
            std::fprintf(stderr, "voxtrel: OpenGL is not available (EGL surfaceless platform)\n");
            return result;
        }
        // 8 bits per colour and alpha, no depth or stencil: the one pixel format a bitmap has
        // here, whose alpha lets the program draw a transparent backdrop.
        const EGLint wanted[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_NONE};
        EGLConfig configs[64];
        EGLint count = 0;
        eglChooseConfig(result.display, wanted, configs, 64, &count);
        int bestScore = -1;
        for (EGLint i = 0; i < count; ++i) {
            EGLint red, green, blue, alpha, depth, stencil;
            eglGetConfigAttrib(result.display, configs[i], EGL_RED_SIZE, &red);
            eglGetConfigAttrib(result.display, configs[i], EGL_GREEN_SIZE, &green);
            eglGetConfigAttrib(result.display, configs[i], EGL_BLUE_SIZE, &blue);
            eglGetConfigAttrib(result.display, configs[i], EGL_ALPHA_SIZE, &alpha);
            eglGetConfigAttrib(result.display, configs[i], EGL_DEPTH_SIZE, &depth);
            eglGetConfigAttrib(result.display, configs[i], EGL_STENCIL_SIZE, &stencil);
            if (red != 8 || green != 8 || blue != 8 || (alpha != 0 && alpha != 8))
                continue;
            const int score = (alpha == 8 ? 4 : 0) + (depth == 0 ? 2 : 0) + (stencil == 0 ? 1 : 0);
            if (score > bestScore) {
                bestScore = score;
                result.config = configs[i];
            }
        }
        result.ok = result.config != nullptr;
        if (!result.ok)
            std::fprintf(stderr, "voxtrel: no 32-bit OpenGL pixel format is available\n");
        return result;
    }();
    return state;
}

std::unordered_set<GlContext*>& liveContexts() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* contexts = new std::unordered_set<GlContext*>;
    return *contexts;
}

GlContext* findContext(HGLRC handle) {
    auto* context = reinterpret_cast<GlContext*>(handle);
    return liveContexts().count(context) != 0 ? context : nullptr;
}

thread_local GlContext* currentContext = nullptr;

// A thread that ends with a context current lets go of it, so EGL frees its per-thread state.
void releaseThreadContext() {
    if (currentContext == nullptr)
        return;
    std::lock_guard<std::mutex> guard(gdiLock());
    currentContext->dc = nullptr;
    currentContext = nullptr;
    eglMakeCurrent(egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglReleaseThread();
}

struct RegisterExitHook {
    RegisterExitHook() { kernel::addThreadExitHook(&releaseThreadContext); }
} registerExitHook;

} // namespace

GlContext* contextDrawingInto(const BitmapObject& bitmap) {
    if (currentContext == nullptr || currentContext->dc == nullptr ||
        currentContext->dc->bitmap != &bitmap)
        return nullptr;
    return currentContext;
}

BitmapObject* currentDrawingBitmap() {
    return currentContext != nullptr && currentContext->dc != nullptr ? currentContext->dc->bitmap
                                                                      : nullptr;
}

} // namespace voxtrel::gdi

using namespace voxtrel::gdi;

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    std::lock_guard<std::mutex> guard(gdiLock());
    if (findDc(dc) == nullptr || descriptor == nullptr ||
        (descriptor->dwFlags & PFD_SUPPORT_OPENGL) == 0 || descriptor->iPixelType != PFD_TYPE_RGBA)
        return 0;
    return 1; // the one format, drawn into the DC's bitmap
}

int WINAPI DescribePixelFormat(HDC dc, int format, UINT size, PIXELFORMATDESCRIPTOR* descriptor) {
    {
        std::lock_guard<std::mutex> guard(gdiLock());
        if (findDc(dc) == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
    }
    constexpr int kFormatCount = 1;
    if (descriptor == nullptr)
        return kFormatCount;
    if (format < 1 || format > kFormatCount || size < sizeof(PIXELFORMATDESCRIPTOR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const PixelFormatModel model = pixelFormatModel();
    *descriptor = {};
    descriptor->nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor->nVersion = 1;
    descriptor->dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL | PFD_SUPPORT_GDI;
    descriptor->iPixelType = PFD_TYPE_RGBA;
    descriptor->cColorBits = 32;
    descriptor->cRedBits = descriptor->cGreenBits = descriptor->cBlueBits = 8;
    descriptor->cRedShift = model.redFirst ? 0 : 16;
    descriptor->cGreenShift = 8;
    descriptor->cBlueShift = model.redFirst ? 16 : 0;
    descriptor->cAlphaBits = model.alpha ? 8 : 0;
    descriptor->cAlphaShift = model.alpha ? 24 : 0;
    descriptor->iLayerType = PFD_MAIN_PLANE;
    return kFormatCount;
}

BOOL WINAPI SetPixelFormat(HDC handle, int format, const PIXELFORMATDESCRIPTOR*) {
    std::lock_guard<std::mutex> guard(gdiLock());
    DcObject* dc = findDc(handle);
    if (dc == nullptr || format != 1)
        return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC handle) {
    const Egl& state = egl();
    // The API is chosen per thread: every cursor thread asks for desktop OpenGL itself, or its
    // contexts would be OpenGL ES ones and the profile attribute refused.
    eglBindAPI(EGL_OPENGL_API);
    std::lock_guard<std::mutex> guard(gdiLock());
    DcObject* dc = findDc(handle);
    if (dc == nullptr || dc->pixelFormat == 0 || dc->bitmap == nullptr || !state.ok) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    auto* context = new GlContext;
    context->context = eglCreateContext(state.display, state.config, EGL_NO_CONTEXT, attributes);
    context->width = dc->bitmap->width;
    context->height = dc->bitmap->height;
    const EGLint size[] = {EGL_WIDTH, context->width, EGL_HEIGHT, context->height, EGL_NONE};
    context->surface = eglCreatePbufferSurface(state.display, state.config, size);
    if (context->context == EGL_NO_CONTEXT || context->surface == EGL_NO_SURFACE) {
        std::fprintf(stderr, "voxtrel: cannot create an OpenGL context (EGL error 0x%x)\n",
                     eglGetError());
        if (context->context != EGL_NO_CONTEXT)
            eglDestroyContext(state.display, context->context);
        delete context;
        return nullptr;
    }
    liveContexts().insert(context);
    return reinterpret_cast<HGLRC>(context);
}

BOOL WINAPI wglMakeCurrent(HDC handle, HGLRC contextHandle) {
    const Egl& state = egl();
    eglBindAPI(EGL_OPENGL_API); // per thread, as in wglCreateContext
    std::lock_guard<std::mutex> guard(gdiLock());
    if (contextHandle == nullptr) {
        if (currentContext != nullptr)
            currentContext->dc = nullptr;
        currentContext = nullptr;
        return eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT)
                   ? TRUE
                   : FALSE;
    }
    GlContext* context = findContext(contextHandle);
    DcObject* dc = findDc(handle);
    if (context == nullptr || dc == nullptr || dc->bitmap == nullptr || dc->pixelFormat == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // As on Windows, a context draws into any DC of its pixel format: one whose bitmap has
    // another size gets a pbuffer of that size, and the context keeps its textures and lists.
    if (dc->bitmap->width != context->width || dc->bitmap->height != context->height) {
        const EGLint size[] = {EGL_WIDTH, dc->bitmap->width, EGL_HEIGHT, dc->bitmap->height,
                               EGL_NONE};
        const EGLSurface resized = eglCreatePbufferSurface(state.display, state.config, size);
        if (resized == EGL_NO_SURFACE ||
            !eglMakeCurrent(state.display, resized, resized, context->context)) {
            if (resized != EGL_NO_SURFACE)
                eglDestroySurface(state.display, resized);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        eglDestroySurface(state.display, context->surface);
        context->surface = resized;
        context->width = dc->bitmap->width;
        context->height = dc->bitmap->height;
    } else if (!eglMakeCurrent(state.display, context->surface, context->surface,
                               context->context)) {
        return FALSE;
    }
    if (context->dc != nullptr && context->dc != dc && context->dc->context == context)
        context->dc->context = nullptr;
    context->dc = dc;
    dc->context = context;
    currentContext = context;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC handle) {
    const Egl& state = egl();
    std::lock_guard<std::mutex> guard(gdiLock());
    GlContext* context = findContext(handle);
    if (context == nullptr)
        return FALSE;
    if (currentContext == context) {
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        currentContext = nullptr;
    }
    if (context->dc != nullptr && context->dc->context == context)
        context->dc->context = nullptr;
    eglDestroySurface(state.display, context->surface);
    eglDestroyContext(state.display, context->context);
    liveContexts().erase(context);
    delete context;
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext() {
    return reinterpret_cast<HGLRC>(currentContext);
}
