// The image library (DevIL with ILU and ILUT). It keeps one current image for the whole process
// while cursor threads load at the same time, so every use of it here goes through one lock and
// a private image of its own.
#pragma once

#include <GL/gl.h>

#include <mutex>
#include <string>

namespace voxtrel {

// Initialises the library with the OpenGL renderer; once per process, later calls do nothing.
void initImageLibrary();

// Whether the library can read the file as an image; only regular files are tried.
bool isLoadableImage(const std::string& path);

enum class TextureLoad { Made, NotAnImage, MipmapsFailed };

// Loads the image into a new mipmapped texture of the current OpenGL context; anything but a
// regular file is NotAnImage.
TextureLoad loadMipmappedTexture(const std::string& path, GLuint& texture);

// Keeps every load waiting for as long as the returned lock is held: for those that must see a
// load that does not end (tests of a stuck cursor).
std::unique_lock<std::mutex> holdImageLibrary();

} // namespace voxtrel
