#include "tabbedtext.h"
#include "vantel/vantelctrl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>

namespace {

// A dotted rectangle that inverts the pixels it covers.
void drawFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.isEmpty())
        return;
    QPolygon dots;
    const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    for (int x = l; x <= r; x += 2) {
        dots << QPoint(x, t);
        if (b != t)
            dots << QPoint(x, b);
    }
    for (int y = t + 2; y < b; y += 2) {
        dots << QPoint(l, y);
        if (r != l)
            dots << QPoint(r, y);
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPoints(dots);
    painter.restore();
}

void invertRect(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(rect, Qt::white);
    painter.restore();
}

// Top of a box of the given height in rect by alignment 0 top, 1 centre,
// 2 bottom.
int alignedTop(const QRect& rect, int height, short align) {
    const int top = rect.top();
    const int bottom = rect.top() + rect.height();
    switch (align) {
    case 1:
        return top + (bottom - height - top) / 2;
    case 2:
        return bottom - height;
    default:
        return top;
    }
}

} // namespace

void CVantelCtrl::MeasureItem(VantelMeasureRequest& request) {
    if (request.index == VantelMeasureRequest::NoEntry)
        return;
    if (m_itemDefHeight <= 0)
        m_itemDefHeight = 16;
    request.height = m_itemDefHeight;
}

QFont CVantelCtrl::SelectItemFont(const CVantelItem& item, QPainter& painter) {
    QFont previous = painter.font();
    painter.setFont(item.font ? *item.font : m_font);
    return previous;
}

void CVantelCtrl::DrawItem(const VantelDrawRequest& request) {
    if (request.index < 0 || request.index >= int(m_records.size()) || !request.painter)
        return;
    QPainter& painter = *request.painter;
    const QRect& rect = request.rect;
    const CVantelItem& item = m_records[size_t(request.index)];

    if (request.action == VantelDrawRequest::FocusChange) {
        drawFocusRect(painter, rect);
        return;
    }
    if (request.action != VantelDrawRequest::DrawEntire &&
        request.action != VantelDrawRequest::SelectionChange)
        return;

    OleColor back = item.backColor != kControlColor ? item.backColor : m_backColor;
    OleColor fore = item.foreColor != kControlColor ? item.foreColor : m_foreColor;
    // The focus flag with the selection means the entry is being redrawn for
    // its focus mark: it is then not shown as selected.
    const bool shownSelected =
        (request.state == VantelDrawRequest::Selected ||
         request.state == (VantelDrawRequest::Selected | VantelDrawRequest::Disabled)) &&
        item.selectable;
    if (shownSelected && m_selectStyle) {
        back = SysColor::Highlight;
        fore = SysColor::HighlightText;
    }

    painter.fillRect(rect, displayColor(back));
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBackground(displayColor(back));
    if (m_userMode)
        painter.setClipRect(rect, Qt::IntersectClip);

    int textLeft = rect.left();
    const QPixmap* picture = m_pictures.at(item.picture);
    if (picture && !picture->isNull()) {
        // In device-independent pixels: a picture drawn for a scaled screen
        // takes the room of its design size.
        const QSize size = picture->deviceIndependentSize().toSize();
        const int w = size.width();
        const int h = size.height();
        const int y = alignedTop(rect, h, m_verticalImageAlign);
        painter.drawPixmap(QRect(rect.left() + m_imageOffset, y, w, h), *picture);
        textLeft = rect.left() + m_textOffset;
    }

    drawEntryText(item, request, textLeft, readableOn(displayColor(fore), displayColor(back)));
    painter.restore();

    if (shownSelected && !m_selectStyle)
        invertRect(painter, rect);
}

void CVantelCtrl::drawEntryText(const CVantelItem& item, const VantelDrawRequest& request,
                                int textLeft, const QColor& foreground) {
    const QString& text = m_list->text(request.index);
    if (text.isEmpty())
        return;
    QPainter& painter = *request.painter;
    painter.setPen(foreground);
    const QFont previous = SelectItemFont(item, painter);
    const QFontMetrics metrics(painter.font(), painter.device());
    const int top = alignedTop(request.rect, metrics.height(), m_verticalTextAlign);
    // Tab positions count from the list's left edge; in a horizontally
    // scrolled single-column list that edge has moved left with the text.
    const int origin = m_columns > 0 ? 0 : -m_list->horizontalOffset();
    const TabStopTable tabs{m_tabStops.data(), m_numTabs, origin};
    const int width = drawTabbedText(&painter, textLeft, top, text, tabs, metrics);
    const short drawn = short(width & 0xFFFF);
    if (drawn > m_widestText)
        m_widestText = drawn;
    if (m_hScroll)
        m_list->setHorizontalExtent(m_widestText);
    painter.setFont(previous);
}

void CVantelCtrl::PaintControl(QPainter& painter, const QRect& bounds, bool windowContext) {
    painter.fillRect(bounds, displayColor(m_backColor));
    QRect area = bounds;
    if (!windowContext) {
        const int frame = m_list->frameWidth();
        area.adjust(frame, frame, -frame, -frame);
        const QScrollBar* vbar = m_list->verticalScrollBar();
        if (vbar->isVisible())
            area.setRight(area.right() - vbar->width());
    }
    if (m_list->count() == 0 || area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    if (windowContext) {
        m_list->paintEntries(painter, area);
    } else {
        painter.translate(area.topLeft());
        m_list->paintEntries(painter, QRect(QPoint(0, 0), area.size()));
    }
    painter.restore();
}

void CVantelCtrl::ownerPaint(QPainter& painter, const QRect& rect) {
    PaintControl(painter, rect, true);
}

void CVantelCtrl::ownerDrawItem(const VantelDrawRequest& request) {
    DrawItem(request);
}

int CVantelCtrl::ownerMeasureItem(int index) {
    VantelMeasureRequest request;
    request.index = index;
    request.height = m_itemDefHeight;
    MeasureItem(request);
    return request.height;
}
