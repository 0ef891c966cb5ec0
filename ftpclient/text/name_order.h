#pragma once

#include <QString>

#include <algorithm>
#include <vector>

// A text as it sorts without regard to case: for a text of ASCII alone
// (most file names) the text itself, its capitals folded while it is
// compared; for any other its case-folded copy. It points at the characters of the one or the
// other, which must stay as they are (the QString may be moved) while the
// key is used.
struct FoldedSortKey {
    // The first eight units (folded, 0 past the end), four to a number, so
    // that most comparisons never look at the text itself.
    quint64 head[2] = {0, 0};
    const char16_t* units = nullptr;
    qsizetype size = 0;
    bool foldWhileComparing = false;
    int index = 0;

    // The key of `text`; `copy` receives the folded copy where one is needed.
    static FoldedSortKey of(const QString& text, int index, QString* copy);

    char16_t unitAt(qsizetype at) const {
        const char16_t unit = units[at];
        return foldWhileComparing && unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
    }
};

// As the folded texts compare, unit by unit: negative, 0 or positive. Here,
// where sorts can have it inlined.
inline int compareFolded(const FoldedSortKey& a, const FoldedSortKey& b) {
    for (int k = 0; k < 2; ++k)
        if (a.head[k] != b.head[k])
            return a.head[k] < b.head[k] ? -1 : 1;
    const qsizetype common = std::min(a.size, b.size);
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = a.unitAt(i);
        const char16_t y = b.unitAt(i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size == b.size ? 0 : a.size < b.size ? -1 : 1;
}

// The order of `texts` without regard to case: position k of the result is
// the index of the k-th text. Texts equal but for case follow each other in
// their given order, or (`caseBreaksTies`) in case-sensitive order. Long
// lists are sorted in two halves side by side.
std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts,
                                      bool caseBreaksTies = false);
