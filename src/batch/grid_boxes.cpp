#include "batch/grid_boxes.h"

#include <stdexcept>

namespace seasky {

std::size_t ScenesOfGrid(const std::vector<std::size_t>& shape) {
    std::size_t n = 1;
    for (std::size_t s : shape) n *= s;
    return n;
}

namespace {

// The boxes of [first, first + count) within the sub-grid of dimensions d...,
// whose first index of the dimensions before d is prefix; appended to boxes.
// The range is split into a ragged head (to the next multiple of the inner
// size), whole slabs of dimension d, and a ragged tail, each ragged part
// recursing into the next dimension.
void Split(const std::vector<std::size_t>& shape, std::size_t d, std::vector<std::size_t>& prefix,
           std::size_t base, std::size_t first, std::size_t count, std::vector<GridBox>& boxes) {
    if (count == 0) return;
    std::size_t inner = 1;
    for (std::size_t k = d + 1; k < shape.size(); ++k) inner *= shape[k];
    const std::size_t offset = first - base;  // within this sub-grid
    auto box = [&](std::size_t index, std::size_t slabs) {
        GridBox b;
        b.start = prefix;
        b.start.push_back(index);
        b.count.assign(prefix.size(), 1);
        b.count.push_back(slabs);
        for (std::size_t k = d + 1; k < shape.size(); ++k) {
            b.start.push_back(0);
            b.count.push_back(shape[k]);
        }
        b.first = base + index * inner;
        b.scenes = slabs * inner;
        boxes.push_back(std::move(b));
    };
    std::size_t index = offset / inner, within = offset % inner, left = count;
    if (within != 0 || left < inner) {
        // A ragged head: part of one slab.
        const std::size_t n = std::min(left, inner - within);
        prefix.push_back(index);
        Split(shape, d + 1, prefix, base + index * inner, first, n, boxes);
        prefix.pop_back();
        first += n;
        left -= n;
        ++index;
    }
    if (left >= inner) {
        const std::size_t slabs = left / inner;
        box(index, slabs);
        first += slabs * inner;
        left -= slabs * inner;
        index += slabs;
    }
    if (left > 0) {
        prefix.push_back(index);
        Split(shape, d + 1, prefix, base + index * inner, first, left, boxes);
        prefix.pop_back();
    }
}

}  // namespace

std::vector<GridBox> BoxesOfRange(const std::vector<std::size_t>& shape, std::size_t first, std::size_t count) {
    std::vector<GridBox> boxes;
    if (count == 0) return boxes;
    if (first + count > ScenesOfGrid(shape) || first + count < first)
        throw std::out_of_range("scenes beyond the grid");
    if (shape.empty()) {
        boxes.push_back(GridBox{{}, {}, 0, 1});
        return boxes;
    }
    std::vector<std::size_t> prefix;
    Split(shape, 0, prefix, 0, first, count, boxes);
    return boxes;
}

}  // namespace seasky
