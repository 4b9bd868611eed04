// Picture files for tests.
#include "tests/support/pictures.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <filesystem>

namespace voxtrel::testing_support {

std::string writeSolidPicture(const TempDir& dir, const std::string& name, int width, int height,
                              unsigned char red, unsigned char green, unsigned char blue) {
    std::string content = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int i = 0; i < width * height; ++i) {
        content += static_cast<char>(red);
        content += static_cast<char>(green);
        content += static_cast<char>(blue);
    }
    return dir.write(name, content);
}

std::string writeQuarteredPicture(const TempDir& dir, const std::string& name, int side,
                                  const PictureColor (&quarters)[4]) {
    std::string content = "P6\n" + std::to_string(side) + " " + std::to_string(side) + "\n255\n";
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const PictureColor& c = quarters[(y < side / 2 ? 0 : 2) + (x < side / 2 ? 0 : 1)];
            content += static_cast<char>(c.red);
            content += static_cast<char>(c.green);
            content += static_cast<char>(c.blue);
        }
    }
    return dir.write(name, content);
}

std::string writePngPicture(const TempDir& dir, const std::string& name, int side,
                            const std::function<PictureRgba(int x, int y)>& pixel) {
    const std::string path = dir.path() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, side, side);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    guchar* pixels = gdk_pixbuf_get_pixels(picture);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const PictureRgba value = pixel(x, y);
            guchar* p = pixels + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
            p[0] = value.red;
            p[1] = value.green;
            p[2] = value.blue;
            p[3] = value.alpha;
        }
    }
    gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
    return path;
}

} // namespace voxtrel::testing_support
