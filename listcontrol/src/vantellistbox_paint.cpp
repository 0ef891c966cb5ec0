#include "vantel/vantellistbox.h"

#include <QPaintEvent>
#include <QPainter>

void VantelListBox::paintEvent(QPaintEvent* e) {
    m_repaintPending = false;
    updateLayoutNow();
    QPainter painter(viewport());
    m_owner->ownerPaint(painter, e->rect());
}

void VantelListBox::paintEntries(QPainter& painter, const QRect& clip) {
    const unsigned baseState = isEnabled() ? 0u : unsigned(VantelDrawRequest::Disabled);
    const int vw = viewport()->width(), vh = viewport()->height();
    auto draw = [&](int index, unsigned action, unsigned state, const QRect& rect) {
        VantelDrawRequest request;
        request.index = index;
        request.action = action;
        request.state = state;
        request.painter = &painter;
        request.rect = rect;
        m_owner->ownerDrawItem(request);
    };

    // Every entry is drawn whole without the focus mark; the caret entry then
    // gets its focus rectangle on top.
    for (int i = std::max(0, m_top); i < count(); ++i) {
        const QRect rect = itemRect(i);
        if (m_multiColumn ? rect.left() >= vw : rect.top() >= vh)
            break;
        if (!rect.intersects(clip))
            continue;
        const unsigned state = baseState | (isSelected(i) ? VantelDrawRequest::Selected : 0u);
        draw(i, VantelDrawRequest::DrawEntire, state, rect);
    }
    if (hasFocus() && m_caret >= 0 && m_caret < count()) {
        const QRect rect = itemRect(m_caret);
        if (rect.intersects(QRect(0, 0, vw, vh))) {
            const unsigned state = baseState | VantelDrawRequest::Focus |
                                   (isSelected(m_caret) ? VantelDrawRequest::Selected : 0u);
            draw(m_caret, VantelDrawRequest::FocusChange, state, rect);
        }
    }
}
