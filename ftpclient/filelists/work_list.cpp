#include "work_list.h"

#include <algorithm>

namespace {

bool lessText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
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
    m_lines = std::move(lines);
    if (m_sorted)
        std::stable_sort(m_lines.begin(), m_lines.end(),
                         [](const Line& a, const Line& b) { return lessText(a.text, b.text); });
}
