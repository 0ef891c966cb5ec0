#include "name_order.h"

#include <algorithm>
#include <thread>

namespace {

constexpr size_t kParallelSortFrom = 20000;

// A text as it sorts: its case-folded copy, or for a text of ASCII alone
// (most file names) the text itself, folded while it is compared.
struct Key {
    // The first eight units (folded, 0 past the end), four to a number, so
    // that most comparisons never look at the text itself.
    quint64 head[2] = {0, 0};
    const char16_t* units = nullptr;
    qsizetype size = 0;
    bool foldWhileComparing = false;
    int index = 0;
};

bool isAscii(QStringView text) {
    for (const QChar unit : text)
        if (unit.unicode() >= 0x80)
            return false;
    return true;
}

char16_t unitAt(const Key& key, qsizetype at) {
    const char16_t unit = key.units[at];
    return key.foldWhileComparing && unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
}

void setHead(Key& key) {
    for (qsizetype i = 0; i < 8; ++i) {
        const quint64 unit = i < key.size ? unitAt(key, i) : 0;
        key.head[i / 4] |= unit << (48 - 16 * (i % 4));
    }
}

// As the folded texts compare, unit by unit.
int compareFolded(const Key& a, const Key& b) {
    for (int k = 0; k < 2; ++k)
        if (a.head[k] != b.head[k])
            return a.head[k] < b.head[k] ? -1 : 1;
    const qsizetype common = std::min(a.size, b.size);
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = unitAt(a, i);
        const char16_t y = unitAt(b, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size == b.size ? 0 : a.size < b.size ? -1 : 1;
}

} // namespace

std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts, bool caseBreaksTies) {
    // Sorting on case-folded copies is much faster than comparing without
    // regard to case each time, and gives the same order. Only texts beyond
    // ASCII need a copy.
    std::vector<Key> keys(texts.size());
    std::vector<QString> folded(texts.size());
    const auto less = [&](const Key& a, const Key& b) {
        int c = compareFolded(a, b);
        if (c == 0 && caseBreaksTies)
            c = QStringView(texts[size_t(a.index)]).compare(QStringView(texts[size_t(b.index)]));
        return c != 0 ? c < 0 : a.index < b.index;
    };
    const auto sortRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            const bool ascii = isAscii(texts[i]);
            if (!ascii)
                folded[i] = texts[i].toCaseFolded();
            const QString& units = ascii ? texts[i] : folded[i];
            Key& key = keys[i];
            key.units = reinterpret_cast<const char16_t*>(units.utf16());
            key.size = units.size();
            key.foldWhileComparing = ascii;
            key.index = int(i);
            setHead(key);
        }
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
