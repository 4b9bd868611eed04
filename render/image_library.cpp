// DevIL behind one lock. Each load works in an image of its own, made and deleted around it,
// so that a load on one thread never lands in an image another thread has bound.
#include "render/image_library.h"

#include "common/file_path.h"

#include "platform/win32.h"

#include <GL/gl.h>
#define ILUT_USE_OPENGL // declares ILUT's OpenGL calls
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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

// Larger than any picture worth a face; a larger file is not read at all.
constexpr std::uintmax_t LARGEST_IMAGE_FILE = 256u * 1024 * 1024;

// The file's bytes, read before the library's lock is taken: a slow file (an offline share, a
// huge picture) then holds up only the cursor that asked for it. Only a regular file is read:
// a pipe, a device or a socket could keep the read waiting without end.
std::optional<std::vector<char>> readImageFile(const std::string& path) {
    const std::filesystem::path file = fileSystemPath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0 || size > LARGEST_IMAGE_FILE)
        return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
    if (stream.bad() || bytes.empty())
        return std::nullopt;
    return bytes;
}

// Decodes the bytes into the bound image, as a load of the file would: of the type its name
// says, or else of the type its first bytes say. Under the library's lock.
bool decodeImage(const std::string& path, const std::vector<char>& bytes) {
    const auto size = static_cast<ILuint>(bytes.size());
    const ILenum named = ilTypeFromExt(path.c_str());
    if (named != IL_TYPE_UNKNOWN && ilLoadL(named, bytes.data(), size) != IL_FALSE)
        return true;
    const ILenum seen = ilDetermineTypeL(bytes.data(), size);
    return seen != IL_TYPE_UNKNOWN && seen != named &&
           ilLoadL(seen, bytes.data(), size) != IL_FALSE;
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
    const auto bytes = readImageFile(path);
    if (!bytes)
        return false;
    initImageLibrary();
    return withPrivateImage([&] { return decodeImage(path, *bytes); });
}

TextureLoad loadMipmappedTexture(const std::string& path, GLuint& texture) {
    const auto bytes = readImageFile(path);
    if (!bytes)
        return TextureLoad::NotAnImage;
    initImageLibrary();
    return withPrivateImage([&] {
        if (!decodeImage(path, *bytes))
            return TextureLoad::NotAnImage;
        // Faces are opaque: an image's transparency would let the desktop show through them.
        const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
        if (format != IL_RGB && format != IL_BGR && format != IL_LUMINANCE)
            static_cast<void>(ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)); // else as it loaded
        texture = ilutGLBindMipmaps();
        return texture != 0 ? TextureLoad::Made : TextureLoad::MipmapsFailed;
    });
}

std::unique_lock<std::mutex> holdImageLibrary() {
    return std::unique_lock<std::mutex>(libraryLock());
}

} // namespace voxtrel
