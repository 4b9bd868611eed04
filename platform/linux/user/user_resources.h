// The program's resources on Linux: the resource script and the files it names, built into the
// program, and the script's MENU and ICON statements read from them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace voxtrel::user {

struct EmbeddedFile {
    const char* name; // as the resource script names it ("voxtrel.ico"), or the script itself
    const unsigned char* data;
    std::size_t size;
};

// Made at build time from resources/ (see cmake/embed_files.cmake).
const std::vector<EmbeddedFile>& embeddedFiles();
const EmbeddedFile* findEmbedded(const std::string& name);

// One item of a MENU statement: a command, a separator, or a popup with items of its own.
struct MenuEntry {
    std::string text;
    unsigned id = 0;
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    bool popup = false;
    std::vector<MenuEntry> items;
};

// Reads a resource script whose #define lines (from included headers) come first. Throws
// std::runtime_error naming the line of a statement it cannot read.
class ResourceScript {
public:
    explicit ResourceScript(const std::string& text);
    // The items of MENU `id`, or nothing when the script has no such menu.
    std::optional<std::vector<MenuEntry>> menu(unsigned id) const;
    // The file named by ICON `id`.
    std::optional<std::string> iconFile(unsigned id) const;

private:
    struct Statement {
        unsigned id;
        std::string kind;
        std::vector<MenuEntry> menu;
        std::string file;
    };
    std::vector<Statement> statements_;
};

// The program's own script, with its headers, read once.
const ResourceScript& programResources();

} // namespace voxtrel::user
