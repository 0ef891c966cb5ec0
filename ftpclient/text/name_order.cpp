#include "name_order.h"

#include <algorithm>
#include <thread>

namespace {

constexpr size_t kParallelSortFrom = 20000;

struct Key {
    QString folded;
    int index;
};

} // namespace

std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts, bool caseBreaksTies) {
    // Sorting on case-folded copies is much faster than comparing without
    // regard to case each time, and gives the same order.
    std::vector<Key> keys(texts.size());
    const auto less = [&](const Key& a, const Key& b) {
        int c = QStringView(a.folded).compare(QStringView(b.folded));
        if (c == 0 && caseBreaksTies)
            c = QStringView(texts[size_t(a.index)]).compare(QStringView(texts[size_t(b.index)]));
        return c != 0 ? c < 0 : a.index < b.index;
    };
    const auto sortRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            keys[i] = Key{texts[i].toCaseFolded(), int(i)};
        std::sort(keys.begin() + qsizetype(from), keys.begin() + qsizetype(to), less);
    };
    const size_t half = keys.size() / 2;
    if (keys.size() >= kParallelSortFrom) {
        std::thread other(sortRange, half, keys.size());
        sortRange(0, half);
        other.join();
        std::inplace_merge(keys.begin(), keys.begin() + qsizetype(half), keys.end(), less);
    } else {
        sortRange(0, keys.size());
    }
    std::vector<int> order;
    order.reserve(keys.size());
    for (const Key& key : keys)
        order.push_back(key.index);
    return order;
}
