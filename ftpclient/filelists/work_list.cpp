#include "work_list.h"

#include <algorithm>

namespace {

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
    // regard to case each time, and gives the same order.
    std::vector<std::pair<QString, size_t>> keys;
    keys.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        keys.emplace_back(lines[i].text.toCaseFolded(), i);
    // Equal keys keep their order of arrival through the index.
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        const int c = QStringView(a.first).compare(QStringView(b.first));
        return c != 0 ? c < 0 : a.second < b.second;
    });
    m_lines.clear();
    m_lines.reserve(lines.size());
    for (const auto& key : keys)
        m_lines.push_back(std::move(lines[key.second]));
}
