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
    static constexpr int kHeadUnits = 9;

    // The first nine folded units, seven bits each, so that most
    // comparisons never look at the text itself: a text cannot hold a NUL,
    // so 0 past its end puts a shorter text first, and a unit past ASCII (or
    // DEL) ends what is taken, as two such units may differ. The lowest bit
    // says that all nine were taken: equal heads with it set mean equal
    // first nine units. File names of ASCII alone are most often told apart
    // by their heads, "file-1234" from "file-1235" too.
    quint64 head = 0;
    const char16_t* units = nullptr;
    int size = 0;
    int index = 0;
    bool foldWhileComparing = false;

    // The key of `text`; `copy` receives the folded copy where one is needed.
    static FoldedSortKey of(const QString& text, int index, QString* copy);
    // A head as above of the nine units from `at` on: the key's own head
    // for `at` 0.
    quint64 headAt(int at) const;

    char16_t unitAt(int at) const {
        const char16_t unit = units[at];
        return foldWhileComparing && unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
    }
};

// As the folded texts compare, unit by unit: negative, 0 or positive. Here,
// where sorts can have it inlined.
inline int compareFolded(const FoldedSortKey& a, const FoldedSortKey& b) {
    if (a.head != b.head)
        return a.head < b.head ? -1 : 1;
    const int common = std::min(a.size, b.size);
    for (int i = (a.head & 1) != 0 ? FoldedSortKey::kHeadUnits : 0; i < common; ++i) {
        const char16_t x = a.unitAt(i);
        const char16_t y = b.unitAt(i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size == b.size ? 0 : a.size < b.size ? -1 : 1;
}

// Sorts the keys as `less` orders them; `less` compares the folded texts
// first (compareFolded) and decides ties itself. Where heads tie, the keys
// are sorted by the heads of their next nine units, and so on: a long run
// of names that begin alike ("report-2024-...") costs one look at each
// name's text for every nine units they share, not one at every comparison.
template <typename Less>
void sortFoldedKeys(FoldedSortKey* first, FoldedSortKey* last, const Less& less, int at = 0) {
    // Deeper than this, what is left is sorted by comparing the texts.
    constexpr int kDeepest = 8 * FoldedSortKey::kHeadUnits;
    std::sort(first, last, [](const FoldedSortKey& a, const FoldedSortKey& b) {
        return a.head != b.head ? a.head < b.head : a.index < b.index;
    });
    for (FoldedSortKey* run = first; run != last;) {
        FoldedSortKey* const end = std::find_if(
            run + 1, last, [&](const FoldedSortKey& k) { return k.head != run->head; });
        const quint64 head = run->head;
        // All nine units taken and alike: the next nine tell the keys apart.
        if (end - run > 1 && (head & 1) != 0 && at < kDeepest) {
            for (FoldedSortKey* key = run; key != end; ++key)
                key->head = key->headAt(at + FoldedSortKey::kHeadUnits);
            sortFoldedKeys(run, end, less, at + FoldedSortKey::kHeadUnits);
            for (FoldedSortKey* key = run; key != end; ++key)
                key->head = head;
        } else if (end - run > 1) {
            std::sort(run, end, less);
        }
        run = end;
    }
}

// The order of `texts` without regard to case: position k of the result is
// the index of the k-th text. Texts equal but for case follow each other in
// their given order, or (`caseBreaksTies`) in case-sensitive order. Long
// lists are sorted in two halves side by side.
std::vector<int> caseInsensitiveOrder(const std::vector<QString>& texts,
                                      bool caseBreaksTies = false);
