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
    key.head = key.headAt(0);
    return key;
}

quint64 FoldedSortKey::headAt(int at) const {
    constexpr quint64 kWidest = 127;
    quint64 made = 0;
    bool open = true;
    for (int i = at; i < at + kHeadUnits; ++i) {
        const quint64 unit = open && i < size ? unitAt(i) : 0;
        open = open && unit < kWidest;
        made = made << 7 | std::min(unit, kWidest);
    }
    return made << 1 | (open && size >= at + kHeadUnits ? 1 : 0);
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
        sortFoldedKeys(keys.data() + from, keys.data() + to, less);
    };
    const size_t count = keys.size();
    const size_t half = count >= kParallelSortFrom ? count / 2 : count;
    std::vector<int> order(count);
    if (half == count) {
        sortRange(0, count, copies[0]);
        for (size_t i = 0; i < count; ++i)
            order[i] = keys[i].index;
        return order;
    }
    std::thread other(sortRange, half, count, std::ref(copies[1]));
    sortRange(0, half, copies[0]);
    other.join();
    // The two sorted halves merge straight into the order: the first half of
    // it from their fronts, the second from their backs, side by side. No two
    // keys are equal, so both see the same order.
    const auto fromFronts = [&] {
        size_t a = 0, b = half;
        for (size_t k = 0; k < count / 2; ++k)
            order[k] = b == count || (a < half && less(keys[a], keys[b])) ? keys[a++].index
                                                                          : keys[b++].index;
    };
    std::thread front(fromFronts);
    size_t a = half, b = count; // past the last key of each half not yet taken
    for (size_t k = count; k-- > count / 2;)
        order[k] = b == half || (a > 0 && less(keys[b - 1], keys[a - 1])) ? keys[--a].index
                                                                          : keys[--b].index;
    front.join();
    return order;
}
