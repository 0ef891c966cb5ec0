#include "vantel/vantellistbox.h"

#include "entry_order.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <algorithm>

namespace {
const QEvent::Type LayoutEvent = QEvent::Type(QEvent::registerEventType());
}

VantelListBox::VantelListBox(VantelListOwner* owner, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_owner(owner) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(1);
}

VantelListBox::~VantelListBox() = default;

// --- style -------------------------------------------------------------------

void VantelListBox::setSelectionMode(int mode) {
    if (mode == m_mode)
        return;
    m_mode = mode;
    m_curSel = -1;
    m_anchor = -1;
    for (auto& e : m_entries)
        e.selected = false;
    requestRepaint();
}

void VantelListBox::setMultiColumn(bool on) {
    if (on == m_multiColumn)
        return;
    m_multiColumn = on;
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    m_top = 0;
    m_hOffset = 0;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::setFixedHeight(bool on) {
    if (on)
        m_fixedHeight = std::max(1, m_owner->ownerMeasureItem(0));
    m_fixedHeightMode = on;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::setColumnWidth(int width) {
    m_columnWidth = std::max(1, width);
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::setHorizontalExtent(int extent) {
    extent = std::max(0, extent);
    if (extent == m_horizontalExtent)
        return;
    m_horizontalExtent = extent;
    scheduleLayout();
}

// --- entries -----------------------------------------------------------------

int VantelListBox::addString(const QString& text) {
    if (!m_sorted)
        return insertString(-1, text);
    // After the entries that compare equal, so equal texts keep their order
    // of arrival.
    auto pos = std::upper_bound(m_entries.begin(), m_entries.end(), text,
                                [](const QString& t, const VantelListEntry& e) {
                                    return QString::compare(t, e.text, Qt::CaseInsensitive) < 0;
                                });
    return insertString(int(pos - m_entries.begin()), text);
}

int VantelListBox::insertString(int index, const QString& text) {
    if (index < 0 || index > count())
        index = count();
    VantelListEntry entry;
    entry.text = text;
    m_entries.insert(m_entries.begin() + index, std::move(entry));
    if (!m_fixedHeightMode)
        m_entries[size_t(index)].height =
            qint16(std::clamp(m_owner->ownerMeasureItem(index), 1, 32767));
    entryInserted(index);
    return index;
}

void VantelListBox::entryInserted(int index) {
    if (m_curSel >= index)
        ++m_curSel;
    if (m_caret >= index)
        ++m_caret;
    if (m_anchor >= index)
        ++m_anchor;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::deleteString(int index) {
    m_entries.erase(m_entries.begin() + index);
    const int n = count();
    auto shift = [&](int& i, bool dropWhenHit) {
        if (i > index)
            --i;
        else if (i == index)
            i = dropWhenHit ? -1 : std::min(i, n - 1);
    };
    shift(m_curSel, true);
    shift(m_caret, false);
    shift(m_anchor, false);
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::replaceString(int index, const QString& text) {
    VantelListEntry& entry = m_entries[size_t(index)];
    entry.text = text;
    entry.data = 0;
    entry.selected = false;
    if (m_curSel == index)
        m_curSel = -1;
    if (!m_fixedHeightMode)
        entry.height = qint16(std::clamp(m_owner->ownerMeasureItem(index), 1, 32767));
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::appendEntries(std::vector<VantelListEntry> entries, int height) {
    const qint16 h = qint16(std::clamp(height, 1, 32767));
    const bool any = !entries.empty();
    for (VantelListEntry& entry : entries) {
        entry.height = h;
        entry.selected = false;
    }
    // An empty list takes the entries' array as it is: a long one is not
    // copied.
    if (m_entries.empty())
        m_entries = std::move(entries);
    else
        m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                         std::make_move_iterator(entries.end()));
    if (m_fixedHeightMode && any)
        m_fixedHeight = h;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::rewriteEntries(std::vector<VantelListEntry> entries) {
    for (size_t i = 0; i < entries.size() && i < m_entries.size(); ++i) {
        VantelListEntry& entry = m_entries[i];
        entry.text = std::move(entries[i].text);
        entry.data = entries[i].data;
        entry.selected = false;
        if (!m_fixedHeightMode)
            entry.height = qint16(std::clamp(m_owner->ownerMeasureItem(int(i)), 1, 32767));
    }
    m_curSel = -1;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::rewriteTexts(std::vector<QString> texts) {
    for (size_t i = 0; i < texts.size() && i < m_entries.size(); ++i) {
        m_entries[i].text = std::move(texts[i]);
        if (!m_fixedHeightMode)
            m_entries[i].height = qint16(std::clamp(m_owner->ownerMeasureItem(int(i)), 1, 32767));
    }
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::reorderEntries(const std::vector<int>& order, std::vector<bool>& placed) {
    vantel::reorderInPlace(m_entries, order, placed);
    for (VantelListEntry& entry : m_entries)
        entry.selected = false;
    m_curSel = -1;
    scheduleLayout();
    requestRepaint();
}

void VantelListBox::resetContent() {
    std::vector<VantelListEntry>().swap(m_entries);
    m_curSel = m_caret = m_anchor = -1;
    m_top = 0;
    m_hOffset = 0;
    scheduleLayout();
    requestRepaint();
}

int VantelListBox::itemHeight(int index) const {
    if (m_fixedHeightMode || index < 0 || index >= count())
        return m_fixedHeight;
    return m_entries[size_t(index)].height;
}

void VantelListBox::setItemHeight(int index, int height) {
    height = std::clamp(height, 1, 32767);
    if (m_fixedHeightMode)
        m_fixedHeight = height;
    else if (index >= 0 && index < count())
        m_entries[size_t(index)].height = qint16(height);
    scheduleLayout();
    requestRepaint();
}

// --- selection ---------------------------------------------------------------

bool VantelListBox::isSelected(int index) const {
    if (m_mode == Single)
        return index == m_curSel && index >= 0;
    return m_entries[size_t(index)].selected;
}

bool VantelListBox::setSel(bool select, int index) {
    if (m_mode == Single || index < -1 || index >= count())
        return false;
    if (index == -1)
        selectRange(0, count() - 1, select);
    else
        m_entries[size_t(index)].selected = select;
    requestRepaint();
    return true;
}

bool VantelListBox::setCurSel(int index) {
    if (m_mode != Single || index < -1 || index >= count())
        return false;
    m_curSel = index;
    if (index >= 0) {
        m_caret = index;
        ensureVisible(index, false);
    }
    requestRepaint();
    return true;
}

int VantelListBox::curSel() const {
    return m_mode == Single ? m_curSel : m_caret;
}

void VantelListBox::setCaretIndex(int index, bool partlyVisibleIsEnough) {
    if (index < 0 || index >= count())
        return;
    m_caret = index;
    ensureVisible(index, partlyVisibleIsEnough);
    requestRepaint();
}

int VantelListBox::selCount() const {
    if (m_mode == Single)
        return m_curSel >= 0 ? 1 : 0;
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const VantelListEntry& e) { return e.selected; }));
}

void VantelListBox::clearMultiSelection() {
    for (auto& e : m_entries)
        e.selected = false;
}

void VantelListBox::selectRange(int from, int to, bool select) {
    if (from > to)
        std::swap(from, to);
    for (int i = std::max(0, from); i <= to && i < count(); ++i)
        m_entries[size_t(i)].selected = select;
}

// --- scrolling and geometry ------------------------------------------------

int VantelListBox::rowsPerColumn() const {
    return std::max(1, viewport()->height() / std::max(1, m_fixedHeight));
}

int VantelListBox::maxTopIndex() const {
    const int n = count();
    if (n == 0)
        return 0;
    if (m_multiColumn)
        return n - 1;
    const int vh = viewport()->height();
    int used = 0;
    int i = n;
    while (i > 0 && used + itemHeight(i - 1) <= vh) {
        used += itemHeight(i - 1);
        --i;
    }
    return std::min(i, n - 1);
}

int VantelListBox::visibleCount() const {
    if (m_multiColumn) {
        const int cw = m_columnWidth > 0 ? m_columnWidth : viewport()->width();
        return rowsPerColumn() * std::max(1, viewport()->width() / std::max(1, cw));
    }
    const int vh = viewport()->height();
    int used = 0, shown = 0;
    for (int i = m_top; i < count() && used + itemHeight(i) <= vh; ++i) {
        used += itemHeight(i);
        ++shown;
    }
    return std::max(1, shown);
}

QRect VantelListBox::itemRect(int index) const {
    if (m_multiColumn) {
        const int rows = rowsPerColumn();
        const int cw = m_columnWidth > 0 ? m_columnWidth : viewport()->width();
        const int col = index / rows, row = index % rows;
        return QRect((col - m_hOffset) * cw, row * m_fixedHeight, cw, m_fixedHeight);
    }
    int y = 0;
    if (index >= m_top) {
        for (int i = m_top; i < index; ++i)
            y += itemHeight(i);
    } else {
        for (int i = index; i < m_top; ++i)
            y -= itemHeight(i);
    }
    const int width = std::max(viewport()->width(), m_horizontalExtent);
    return QRect(-m_hOffset, y, width, itemHeight(index));
}

int VantelListBox::indexAt(QPoint pos) const {
    if (pos.x() < 0 || pos.y() < 0)
        return -1;
    if (m_multiColumn) {
        const int cw = m_columnWidth > 0 ? m_columnWidth : viewport()->width();
        const int rows = rowsPerColumn();
        const int row = pos.y() / std::max(1, m_fixedHeight);
        if (row >= rows)
            return -1;
        const int index = (pos.x() / std::max(1, cw) + m_hOffset) * rows + row;
        return index < count() ? index : -1;
    }
    int y = 0;
    for (int i = m_top; i < count(); ++i) {
        y += itemHeight(i);
        if (pos.y() < y)
            return i;
        if (y > viewport()->height())
            break;
    }
    return -1;
}

int VantelListBox::entryAtOrLast(QPoint pos) const {
    const int index = indexAt(pos);
    if (index >= 0 || count() == 0)
        return index;
    // Below the last entry the list picks the last one.
    return pos.y() >= 0 && pos.x() >= 0 ? count() - 1 : -1;
}

void VantelListBox::setTopIndex(int index) {
    if (index < 0 || index >= count())
        return;
    updateLayoutNow();
    if (m_multiColumn)
        horizontalScrollBar()->setValue(index / rowsPerColumn());
    else
        verticalScrollBar()->setValue(std::min(index, maxTopIndex()));
}

void VantelListBox::ensureVisible(int index, bool partlyVisibleIsEnough) {
    updateLayoutNow();
    if (m_multiColumn) {
        const int cw = m_columnWidth > 0 ? m_columnWidth : viewport()->width();
        const int visibleCols = std::max(1, viewport()->width() / std::max(1, cw));
        const int col = index / rowsPerColumn();
        int first = m_hOffset;
        if (col < first)
            first = col;
        else if (col >= first + visibleCols)
            first = col - visibleCols + 1;
        horizontalScrollBar()->setValue(first);
        return;
    }
    int top = m_top;
    if (index < top) {
        top = index;
    } else {
        const int vh = viewport()->height();
        int y = 0;
        for (int i = top; i < index; ++i)
            y += itemHeight(i);
        while (top < index) {
            const int limit = partlyVisibleIsEnough ? y : y + itemHeight(index);
            if (partlyVisibleIsEnough ? limit < vh : limit <= vh)
                break;
            y -= itemHeight(top);
            ++top;
        }
    }
    verticalScrollBar()->setValue(top);
}

void VantelListBox::scheduleLayout() {
    if (m_layoutPending)
        return;
    m_layoutPending = true;
    QCoreApplication::postEvent(this, new QEvent(LayoutEvent));
}

void VantelListBox::requestRepaint() {
    if (m_repaintPending)
        return;
    m_repaintPending = true;
    viewport()->update();
}

void VantelListBox::updateLayoutNow() {
    if (m_layoutPending) {
        m_layoutPending = false;
        updateScrollBars();
    }
}

void VantelListBox::updateScrollBars() {
    m_syncingScrollBars = true;
    QScrollBar* vbar = verticalScrollBar();
    QScrollBar* hbar = horizontalScrollBar();
    const int vw = viewport()->width();
    if (m_multiColumn) {
        vbar->setRange(0, 0);
        const int rows = rowsPerColumn();
        const int cw = m_columnWidth > 0 ? m_columnWidth : vw;
        const int columns = (count() + rows - 1) / rows;
        const int visibleCols = std::max(1, vw / std::max(1, cw));
        hbar->setRange(0, std::max(0, columns - visibleCols));
        hbar->setPageStep(visibleCols);
        hbar->setSingleStep(1);
    } else {
        vbar->setRange(0, maxTopIndex());
        vbar->setPageStep(visibleCount());
        hbar->setRange(0, std::max(0, m_horizontalExtent - vw));
        hbar->setPageStep(std::max(1, vw));
        hbar->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    }
    m_top = m_multiColumn ? hbar->value() * rowsPerColumn() : vbar->value();
    m_hOffset = hbar->value();
    m_syncingScrollBars = false;
    requestRepaint();
}

void VantelListBox::scrollContentsBy(int, int) {
    m_hOffset = horizontalScrollBar()->value();
    m_top = m_multiColumn ? m_hOffset * rowsPerColumn() : verticalScrollBar()->value();
    if (!m_syncingScrollBars)
        requestRepaint();
}

bool VantelListBox::event(QEvent* e) {
    if (e->type() == LayoutEvent) {
        updateLayoutNow();
        return true;
    }
    return QAbstractScrollArea::event(e);
}

void VantelListBox::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    scheduleLayout();
}
