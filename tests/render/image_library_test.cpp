// The image library used from several threads at once: every load sees its own file.
#include "render/image_library.h"

#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace voxtrel {
namespace {

TEST(ImageLibrary, LoadsOnDifferentThreadsDoNotMixUp) {
    initImageLibrary();
    testing_support::TempDir dir;
    const std::string picture = testing_support::writeSolidPicture(dir, "p.ppm", 64, 64, 1, 2, 3);
    const std::string notPicture = dir.write("notes.txt", "just words, no picture here\n");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const bool image = (i + t) % 2 == 0;
                if (isLoadableImage(image ? picture : notPicture) != image)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(isLoadableImage(dir.path() + "/missing.png"));
}

} // namespace
} // namespace voxtrel
