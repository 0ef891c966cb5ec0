#pragma once

#include <utility>
#include <vector>

namespace vantel {

// Puts `items` in a new order where they are: position i takes the item that
// was at order[i]. `order` must name every position once. Each cycle of the
// order is walked once with one item held aside, so no second array of the
// items is made: a long list's new memory would cost more than the moves.
// `placed` is the caller's, so that nothing is allocated once items move.
template <typename T>
void reorderInPlace(std::vector<T>& items, const std::vector<int>& order,
                    std::vector<bool>& placed) {
    placed.assign(items.size(), false);
    for (size_t start = 0; start < items.size(); ++start) {
        if (placed[start])
            continue;
        T held = std::move(items[start]);
        size_t to = start;
        for (;;) {
            placed[to] = true;
            const auto from = size_t(order[to]);
            if (from == start)
                break;
            items[to] = std::move(items[from]);
            to = from;
        }
        items[to] = std::move(held);
    }
}

} // namespace vantel
