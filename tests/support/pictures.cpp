// Picture files for tests.
#include "tests/support/pictures.h"

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

} // namespace voxtrel::testing_support
