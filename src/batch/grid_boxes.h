// A run of scenes in a grid, as boxes of the grid.
//
// The scenes of a gridded file (e.g. valid_time x latitude x longitude) are
// numbered in the grid's row-major order, the last dimension fastest, so that
// a block of scenes is a range [first, first + count) of that numbering. A
// file reads and writes boxes (a start and a count per dimension); a range is
// the union of at most 2 d - 1 boxes of a d-dimensional grid, each of which
// is itself contiguous in the numbering, given here in order.
#pragma once

#include <cstddef>
#include <vector>

namespace seasky {

struct GridBox {
    std::vector<std::size_t> start;  // per dimension, slowest first
    std::vector<std::size_t> count;  // per dimension; their product is the scenes of the box
    std::size_t first = 0;           // the box's first scene in the numbering
    std::size_t scenes = 0;          // the product of count
};

// The boxes of scenes [first, first + count) of a grid of the given shape
// (slowest first), in the order of the numbering. An empty shape is one scene;
// count 0 gives no box. The range must lie within the grid.
std::vector<GridBox> BoxesOfRange(const std::vector<std::size_t>& shape, std::size_t first, std::size_t count);

// The number of scenes of a grid: the product of its shape.
std::size_t ScenesOfGrid(const std::vector<std::size_t>& shape);

}  // namespace seasky
