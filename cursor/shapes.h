// The solids a cursor can be, one row each: the Shape menu's command that picks it (which is
// also what the configuration saves as the cursor's shape), its number of faces, each a
// launcher slot, and the maker of its mesh. Another solid is another row, its mesh maker and
// its item in the Shape menu, next to the others.
#pragma once

#include "platform/win32.h"

#include "render/slot_mesh.h"
#include "resources/menu_ids.h"

#include <cstddef>
#include <iterator>

namespace voxtrel {

struct ShapeRow {
    UINT command;
    int faces;
    SlotMesh* (*makeMesh)(); // caller-owned
};

inline constexpr ShapeRow SHAPES[] = {
    {IDM_SHAPE_4_SLOTS, 4, makeTetrahedronMesh},
    {IDM_SHAPE_6_SLOTS, 6, makeCubeMesh},
};
constexpr int SHAPE_COUNT = static_cast<int>(std::size(SHAPES));

constexpr UINT SHAPE_TETRAHEDRON = IDM_SHAPE_4_SLOTS;
constexpr UINT SHAPE_CUBE = IDM_SHAPE_6_SLOTS;
constexpr UINT DEFAULT_SHAPE = SHAPE_CUBE;

// The menu marks the chosen shape as one radio item of a range of commands.
constexpr UINT FIRST_SHAPE_COMMAND = SHAPES[0].command;
constexpr UINT LAST_SHAPE_COMMAND = SHAPES[SHAPE_COUNT - 1].command;

// The row of a shape value; -1 for a value no row has, which only an edited file can hold.
constexpr int shapeIndex(UINT command) {
    for (int i = 0; i < SHAPE_COUNT; ++i)
        if (SHAPES[i].command == command)
            return i;
    return -1;
}

// Launch entries a cursor holds: one per face of its largest solid, so that a switch to a
// solid of fewer faces and back loses none.
constexpr int mostFaces() {
    int most = 0;
    for (const ShapeRow& row : SHAPES)
        most = row.faces > most ? row.faces : most;
    return most;
}
constexpr int SLOT_COUNT_MAX = mostFaces();

constexpr bool commandsFollowTheMenu() {
    for (int i = 0; i < SHAPE_COUNT; ++i)
        if (SHAPES[i].command != FIRST_SHAPE_COMMAND + static_cast<UINT>(i))
            return false;
    return true;
}
static_assert(commandsFollowTheMenu(), "the Shape menu's commands are one range, in its order");
static_assert(shapeIndex(DEFAULT_SHAPE) >= 0, "the default shape is a row of the table");

} // namespace voxtrel
