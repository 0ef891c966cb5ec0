#include "work_list.h"

#include "name_order.h"

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
    std::vector<QString> texts;
    texts.reserve(lines.size());
    for (const Line& line : lines)
        texts.push_back(line.text);
    m_lines.clear();
    m_lines.reserve(lines.size());
    for (int index : caseInsensitiveOrder(texts))
        m_lines.push_back(std::move(lines[size_t(index)]));
}
