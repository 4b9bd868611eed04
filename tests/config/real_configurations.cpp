#include "tests/config/real_configurations.h"

#include "config/archive.h"

namespace voxtrel::testing_support {

namespace {

std::string written(Desktop& registry) {
    std::string text = writeArchive(registry);
    registry.discardUnstarted();
    return text;
}

} // namespace

std::vector<std::string> realConfigurations() {
    std::vector<std::string> saved;
    Desktop registry;
    for (int i = 0; i < 3; ++i) {
        auto* entry = new CursorThread;
        entry->cursor->centerX = 100 * i;
        entry->cursor->texturePath = i == 1 ? "/pictures/sky \xC3\xA9.png" : "";
        entry->cursor->launches[i].assign("/usr/bin/tool");
        entry->cursor->launches[5].assign("/home/user/notes.txt");
        registry.threads.push_back(entry);
    }
    saved.push_back(written(registry));

    auto* tetrahedron = new CursorThread;
    Cursor& cursor = *tetrahedron->cursor;
    cursor.centerX = -4000;
    cursor.centerY = 70000;
    cursor.scale = 1.0;
    cursor.width = cursor.height = 1024;
    cursor.shape = SHAPE_TETRAHEDRON;
    cursor.alphaBlend = cursor.launcherEnabled = cursor.bgTextureEnabled = cursor.onTop = 0;
    cursor.launches[3].assign("C:\\Program Files\\tool.exe");
    registry.threads.push_back(tetrahedron);
    saved.push_back(written(registry));

    saved.push_back(written(registry));
    return saved;
}

} // namespace voxtrel::testing_support
