#pragma once

#include <QString>

#include <vector>

// A hidden list of text lines, each with an integer: the work lists behind
// the file panes. A sorted list keeps its lines in case-insensitive text
// order, a new line going after the lines equal to it.
class WorkList {
public:
    explicit WorkList(bool sorted = false)
        : m_sorted(sorted) {}

    bool sorted() const { return m_sorted; }
    int count() const { return int(m_lines.size()); }
    void clear() { m_lines.clear(); }
    void reserve(int n) { m_lines.reserve(size_t(n)); }

    // Adds a line (at its sorted place in a sorted list) and returns its index.
    int add(const QString& text, int data = 0);
    QString text(int index) const { return m_lines[size_t(index)].text; }
    int data(int index) const { return m_lines[size_t(index)].data; }
    void setData(int index, int data) { m_lines[size_t(index)].data = data; }

    // Fills the list at once from lines in arrival order; a sorted list sorts
    // them stably, which gives the order that adding them one by one would.
    struct Line {
        QString text;
        int data = 0;
    };
    void assign(std::vector<Line> lines);
    // Fills the list at once from lines already in its order.
    void assignInOrder(std::vector<Line> lines) { m_lines = std::move(lines); }

private:
    bool m_sorted;
    std::vector<Line> m_lines;
};
