// DevIL behind one lock. Each load works in an image of its own, made and deleted around it,
// so that a load on one thread never lands in an image another thread has bound.
#include "render/image_library.h"

#include "platform/win32.h"

#include <GL/gl.h>
#define ILUT_USE_OPENGL // declares ILUT's OpenGL calls
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <filesystem>
#include <mutex>

namespace voxtrel {

namespace {

std::mutex& libraryLock() {
    static auto* mutex = new std::mutex; // never destroyed: cursor threads may outlive statics
    return *mutex;
}

// Runs `use` with a fresh image bound, holding the lock.
template <typename Use> auto withPrivateImage(Use use) {
    std::lock_guard<std::mutex> guard(libraryLock());
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    auto result = use();
    ilDeleteImages(1, &image);
    return result;
}

// Only a regular file is handed to the library: a pipe, a device or a socket would keep its
// read waiting without end, with the library's lock held against every other cursor.
// The path is in the same narrow encoding the library is given it in.
bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

} // namespace

void initImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard<std::mutex> guard(libraryLock());
        ilInit();
        iluInit();
        ilutInit();
        ilutRenderer(ILUT_OPENGL);
    });
}

bool isLoadableImage(const std::string& path) {
    if (!isRegularFile(path))
        return false;
    initImageLibrary();
    return withPrivateImage([&] { return ilLoadImage(path.c_str()) != IL_FALSE; });
}

TextureLoad loadMipmappedTexture(const std::string& path, GLuint& texture) {
    if (!isRegularFile(path))
        return TextureLoad::NotAnImage;
    initImageLibrary();
    return withPrivateImage([&] {
        if (ilLoadImage(path.c_str()) == IL_FALSE)
            return TextureLoad::NotAnImage;
        // Faces are opaque: an image's transparency would let the desktop show through them.
        const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
        if (format != IL_RGB && format != IL_BGR && format != IL_LUMINANCE)
            static_cast<void>(ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)); // else as it loaded
        texture = ilutGLBindMipmaps();
        return texture != 0 ? TextureLoad::Made : TextureLoad::MipmapsFailed;
    });
}

} // namespace voxtrel
