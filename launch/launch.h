// The launcher of one slot: the path of the file, folder or program dropped on that face.
#pragma once

#include <string>

namespace voxtrel {

class Launch {
public:
    Launch() = default;
    // An entry belongs to its slot; it is replaced by a later drop, never copied.
    Launch(const Launch&) = delete;
    Launch& operator=(const Launch&) = delete;

    const char* c_str() const { return path.c_str(); }
    bool empty() const { return path.empty(); }
    void assign(const char* newPath) { path = newPath != nullptr ? newPath : ""; }

    // Opens the path with the shell's default action, owned by the central window. The shell
    // reports a path it cannot open; nothing changes here either way.
    void open() const;

    // The configuration archive: the path, both ways (config/archive.cpp).
    template <class Archive> void serialize(Archive& archive, unsigned int version);

    std::string path;
};

} // namespace voxtrel
