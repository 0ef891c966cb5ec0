#include "work_list.h"

#include <algorithm>
#include <thread>

namespace {

constexpr size_t kParallelSortFrom = 20000;

bool lessText(const QString& a, const QString& b) {
    return a.toCaseFolded() < b.toCaseFolded();
}

} // namespace

int WorkList::add(const QString& text, int data) {
    auto at = m_lines.end();
    if (m_sorted)
        at = std::upper_bound(m_lines.begin(), m_lines.end(), text,
                              [](const QString& t, const Line& l) { return lessText(t, l.text); });
    at = m_lines.insert(at, Line{text, data});
    return int(at - m_lines.begin());
}

void WorkList::assign(std::vector<Line> lines) {
    if (!m_sorted) {
        m_lines = std::move(lines);
        return;
    }
    // Sorting on case-folded copies is much faster than comparing without
    // regard to case each time, and gives the same order. Equal keys keep
    // their order of arrival through the index.
    using Key = std::pair<QString, size_t>;
    std::vector<Key> keys(lines.size());
    auto less = [](const Key& a, const Key& b) {
        const int c = QStringView(a.first).compare(QStringView(b.first));
        return c != 0 ? c < 0 : a.second < b.second;
    };
    auto sortRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            keys[i] = Key(lines[i].text.toCaseFolded(), i);
        std::sort(keys.begin() + qsizetype(from), keys.begin() + qsizetype(to), less);
    };
    // A long list is sorted in two halves side by side, then merged.
    const size_t half = keys.size() / 2;
    if (keys.size() >= kParallelSortFrom) {
        std::thread other(sortRange, half, keys.size());
        sortRange(0, half);
        other.join();
        std::inplace_merge(keys.begin(), keys.begin() + qsizetype(half), keys.end(), less);
    } else {
        sortRange(0, keys.size());
    }
    m_lines.clear();
    m_lines.reserve(lines.size());
    for (const Key& key : keys)
        m_lines.push_back(std::move(lines[key.second]));
}
