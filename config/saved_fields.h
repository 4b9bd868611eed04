// The settings of a cursor that the configuration keeps, once, in the order they are saved:
// the archive writes and reads a cursor by this list, and the check of a loaded file, which
// reads the same text before the archive library may, walks the same list.
#pragma once

#include "cursor/cursor.h"

#include <string>
#include <tuple>

namespace voxtrel {

// One saved member of Cursor, of type T, named for the user as `what` when a file holds
// something else there, and saved from class version `since` on.
template <class T> struct SavedField {
    T Cursor::*member;
    const char* what;
    unsigned since = 0;
};

inline constexpr auto CURSOR_FIELDS = std::make_tuple(
    SavedField<INT>{&Cursor::centerX, "the position"},
    SavedField<INT>{&Cursor::centerY, "the position"}, SavedField<INT>{&Cursor::width, "the width"},
    SavedField<INT>{&Cursor::height, "the height"},
    SavedField<double>{&Cursor::scale, "the scale", 1},
    SavedField<INT>{&Cursor::alphaBlend, "a setting"},
    SavedField<INT>{&Cursor::launcherEnabled, "a setting"},
    SavedField<INT>{&Cursor::bgTextureEnabled, "a setting"},
    SavedField<INT>{&Cursor::onTop, "a setting"}, SavedField<UINT>{&Cursor::shape, "the shape"},
    SavedField<std::string>{&Cursor::texturePath, "the background image's path"},
    SavedField<Launch[SLOT_COUNT_MAX]>{&Cursor::launches, "a launcher's path"});

// The version the archive gives the Cursor class: that of its newest field.
constexpr unsigned savedCursorVersion() {
    unsigned newest = 0;
    std::apply(
        [&](const auto&... field) {
            ((newest = field.since > newest ? field.since : newest), ...);
        },
        CURSOR_FIELDS);
    return newest;
}

// Calls `visit(field)` for each saved field present at class `version`, in saved order.
template <class Visit> void forEachSavedField(unsigned version, Visit&& visit) {
    std::apply(
        [&](const auto&... field) {
            (
                [&] {
                    if (field.since <= version)
                        visit(field);
                }(),
                ...);
        },
        CURSOR_FIELDS);
}

} // namespace voxtrel
