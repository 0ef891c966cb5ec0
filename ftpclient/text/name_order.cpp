#include "name_order.h"

#include <algorithm>
#include <thread>

namespace {

constexpr size_t kParallelSortFrom = 20000;

enum class Letters { Folded, AsciiUpper, Beyond };

// What folding would change in a text: nothing, ASCII capitals alone, or
// more than ASCII can tell.
Letters lettersOf(QStringView text) {
    Letters letters = Letters::Folded;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80)
            return Letters::Beyond;
        if (unit >= u'A' && unit <= u'Z')
            letters = Letters::AsciiUpper;
    }
    return letters;
}

} // namespace

FoldedSortKey FoldedSortKey::of(const QString& text, int index, QString* copy) {
    FoldedSortKey key;
    const Letters letters = lettersOf(text);
    key.foldWhileComparing = letters == Letters::AsciiUpper;
    if (letters == Letters::Beyond)
        *copy = text.toCaseFolded();
    const QString& units = letters == Letters::Beyond ? *copy : text;
    key.units = reinterpret_cast<const char16_t*>(units.utf16());
    key.size = int(units.size());
    key.index = index;
    constexpr quint64 kWidest = 127;
    bool open = true;
    for (int i = 0; i < kHeadUnits; ++i) {
        const quint64 unit = open && i < key.size ? key.unitAt(i) : 0;
        open = open && unit < kWidest;
        key.head = key.head << 7 | std::min(unit, kWidest);
    }
    key.head = key.head << 1 | (open && key.size >= kHeadUnits ? 1 : 0);
    return key;
}

std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts, bool caseBreaksTies) {
    // Sorting on case-folded copies is much faster than comparing without
    // regard to case each time, and gives the same order. Only texts beyond
    // ASCII need a copy; a key keeps pointing at its copy's characters when
    // the copy moves.
    std::vector<FoldedSortKey> keys(texts.size());
    std::vector<QString> copies[2];
    const auto less = [&](const FoldedSortKey& a, const FoldedSortKey& b) {
        int c = compareFolded(a, b);
        if (c == 0 && caseBreaksTies)
            c = QStringView(texts[size_t(a.index)]).compare(QStringView(texts[size_t(b.index)]));
        return c != 0 ? c < 0 : a.index < b.index;
    };
    const auto sortRange = [&](size_t from, size_t to, std::vector<QString>& made) {
        for (size_t i = from; i < to; ++i) {
            QString copy;
            keys[i] = FoldedSortKey::of(texts[i], int(i), &copy);
            if (!copy.isNull())
                made.push_back(std::move(copy));
        }
        std::sort(keys.begin() + qsizetype(from), keys.begin() + qsizetype(to), less);
    };
    const size_t half = keys.size() >= kParallelSortFrom ? keys.size() / 2 : keys.size();
    if (half < keys.size()) {
        std::thread other(sortRange, half, keys.size(), std::ref(copies[1]));
        sortRange(0, half, copies[0]);
        other.join();
    } else {
        sortRange(0, keys.size(), copies[0]);
    }
    // The two sorted halves merge straight into the order.
    std::vector<int> order(keys.size());
    size_t a = 0, b = half;
    for (int& index : order)
        index = b == keys.size() || (a < half && !less(keys[b], keys[a])) ? keys[a++].index
                                                                          : keys[b++].index;
    return order;
}
