#include "vantel/vantelctrl.h"
#include "vantelmodulestate.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

CVantelCtrl::CVantelCtrl(QWidget* parent)
    : QWidget(parent)
    , m_font(QWidget::font()) {
    vantelObjectCreated();
    m_list = new VantelListBox(this, this);
    m_list->setFont(m_font);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_list);
    applyFrame();
    applyListStyle();
    layoutList();
    createControlWindow();
}

CVantelCtrl::~CVantelCtrl() {
    destroyRecords();
    vantelObjectDestroyed();
}

// --- container ---------------------------------------------------------------

void CVantelCtrl::setAmbientUserMode(bool userMode) {
    if (userMode == m_userMode)
        return;
    m_userMode = userMode;
    if (!userMode) {
        showDisplayNameEntry();
    } else {
        // A list starts empty at run time.
        destroyRecords();
        m_list->resetContent();
    }
    applyListStyle();
    redraw();
}

void CVantelCtrl::setAmbientDisplayName(const QString& name) {
    m_displayName = name;
    showDisplayNameEntry();
}

void CVantelCtrl::showDisplayNameEntry() {
    destroyRecords();
    m_list->resetContent();
    CVantelItem record;
    record.fontFollows = true;
    const int pos = m_list->insertString(0, m_displayName);
    m_list->setItemHeight(pos, 16);
    m_records.insert(m_records.begin() + pos, std::move(record));
    redraw();
}

void CVantelCtrl::destroyRecords() {
    std::vector<CVantelItem>().swap(m_records);
    m_pictures.clear();
}

// --- helpers -------------------------------------------------------------------

void CVantelCtrl::checkIndex(int nIndex, const char* member) const {
    if (nIndex < 0 || nIndex >= int(m_records.size()))
        throw VantelError(VantelError::InvalidArrayIndex,
                          QStringLiteral("%1: entry %2 does not exist (the list holds %3)")
                              .arg(QLatin1String(member))
                              .arg(nIndex)
                              .arg(m_records.size()));
}

void CVantelCtrl::checkUserMode(const char* member) const {
    if (!m_userMode)
        throw VantelError(
            VantelError::CannotGet,
            QStringLiteral("%1 is available at run time only").arg(QLatin1String(member)));
}

static VantelError badValue(const char* member, const QString& rule) {
    return VantelError(VantelError::InvalidPropertyValue,
                       QStringLiteral("%1 %2").arg(QLatin1String(member), rule));
}

static VantelError notAtRunTime(const char* member) {
    return VantelError(
        VantelError::CannotSet,
        QStringLiteral("%1 cannot be changed at run time").arg(QLatin1String(member)));
}

void CVantelCtrl::redraw() {
    m_list->requestRepaint();
}

QColor CVantelCtrl::displayColor(OleColor color) const {
    return translateOleColor(color, palette());
}

void CVantelCtrl::applyListStyle() {
    m_list->setSelectionMode(m_multiSelect);
    m_list->setSorted(m_sorted);
    m_list->setMultiColumn(m_columns > 0);
    m_list->setFixedHeight(m_integralHeight || m_columns != 0);
    updateColumnWidth();
    layoutList();
}

void CVantelCtrl::applyFrame() {
    if (m_borderStyle == 0) {
        m_list->setFrameStyle(QFrame::NoFrame);
    } else if (m_appearance == 1) {
        m_list->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    } else {
        m_list->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_list->setLineWidth(1);
    }
    layoutList();
}

void CVantelCtrl::layoutList() {
    QRect area = rect();
    if (m_integralHeight) {
        // Whole entries only: the list gives up the partial entry at its
        // foot, where the control's background shows.
        const int frame = 2 * m_list->frameWidth();
        const QScrollBar* hbar = m_list->horizontalScrollBar();
        const int barHeight = hbar->isVisible() ? hbar->sizeHint().height() : 0;
        const int entryHeight = std::max(1, m_list->itemHeight(0));
        const int rows = std::max(1, (area.height() - frame - barHeight) / entryHeight);
        area.setHeight(std::min(area.height(), rows * entryHeight + frame + barHeight));
    }
    m_list->setGeometry(area);
}

void CVantelCtrl::updateColumnWidth() {
    if (m_columns > 0)
        m_list->setColumnWidth(width() / m_columns);
}

void CVantelCtrl::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    painter.fillRect(e->rect(), displayColor(m_backColor));
}

void CVantelCtrl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutList();
    if (m_columns > 0 && m_userMode) {
        updateColumnWidth();
        redraw();
        m_modified = true;
    }
}

void CVantelCtrl::changeEvent(QEvent* e) {
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::EnabledChange)
        redraw();
    QWidget::changeEvent(e);
}

// --- properties ----------------------------------------------------------------

void CVantelCtrl::SetHScroll(bool on) {
    m_hScroll = on;
    m_list->setHorizontalExtent(on ? m_widestText : 0);
    m_modified = true;
}

void CVantelCtrl::SetImageOffset(short offset) {
    if (offset < 0)
        throw badValue("ImageOffset", QStringLiteral("must not be negative"));
    m_imageOffset = offset;
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetItemDefHeight(short height) {
    if (m_userMode && (m_columns > 0 || m_integralHeight))
        throw VantelError(VantelError::CannotSet,
                          QStringLiteral("ItemDefHeight cannot be changed at run time in a "
                                         "multi-column or integral-height list"));
    if (height <= 0)
        throw badValue("ItemDefHeight", QStringLiteral("must be positive"));
    m_itemDefHeight = height;
    m_modified = true;
}

void CVantelCtrl::SetTextOffset(short offset) {
    if (offset < 0)
        throw badValue("TextOffset", QStringLiteral("must not be negative"));
    m_textOffset = offset;
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetSelectStyle(short style) {
    if (style != 0 && style != 1)
        throw badValue("SelectStyle", QStringLiteral("must be 0 (Invert) or 1 (Standard)"));
    m_selectStyle = style == 1;
    m_modified = true;
}

void CVantelCtrl::SetNumTabs(short count) {
    if (count < 0 || count > MaxTabs)
        throw VantelError(VantelError::InvalidArrayIndex,
                          QStringLiteral("NumTabs must be between 0 and %1").arg(MaxTabs));
    m_numTabs = count;
    m_modified = true;
}

void CVantelCtrl::SetColumns(short columns) {
    if (m_userMode && (m_columns == 0 || (columns == 0 && m_columns > 0)))
        throw badValue("Columns", QStringLiteral("cannot switch between single and multiple "
                                                 "columns at run time"));
    if (columns < 0)
        throw badValue("Columns", QStringLiteral("must not be negative"));
    m_columns = columns;
    applyListStyle();
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetMultiSelect(short mode) {
    if (mode < 0 || mode > 2)
        throw badValue("MultiSelect",
                       QStringLiteral("must be 0 (None), 1 (Simple) or 2 (Extended)"));
    if (m_userMode)
        throw notAtRunTime("MultiSelect");
    m_multiSelect = mode;
    m_list->setSelectionMode(mode);
    m_modified = true;
}

void CVantelCtrl::SetSorted(bool sorted) {
    if (m_userMode)
        throw notAtRunTime("Sorted");
    m_sorted = sorted;
    m_list->setSorted(sorted);
    m_modified = true;
}

void CVantelCtrl::SetVerticalTextAlign(short align) {
    if (align < 0 || align > 2)
        throw badValue("VerticalTextAlign",
                       QStringLiteral("must be 0 (Top), 1 (Center) or 2 (Bottom)"));
    m_verticalTextAlign = align;
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetIntegralHeight(bool on) {
    if (m_userMode)
        throw notAtRunTime("IntegralHeight");
    m_integralHeight = on;
    applyListStyle();
    m_modified = true;
}

void CVantelCtrl::SetVerticalImageAlign(short align) {
    if (align < 0 || align > 2)
        throw badValue("VerticalImageAlign",
                       QStringLiteral("must be 0 (Top), 1 (Center) or 2 (Bottom)"));
    m_verticalImageAlign = align;
    m_modified = true;
    redraw();
}

int CVantelCtrl::ListCount() const {
    checkUserMode("ListCount");
    return m_list->count();
}

int CVantelCtrl::ListIndex() const {
    checkUserMode("ListIndex");
    return m_list->curSel();
}

void CVantelCtrl::SetListIndex(int index) {
    if (index < -1 || index >= m_list->count())
        throw VantelError(
            VantelError::InvalidArrayIndex,
            QStringLiteral("ListIndex must be between -1 and %1").arg(m_list->count() - 1));
    if (m_list->selectionMode() == VantelListBox::Single)
        m_list->setCurSel(index);
    else
        m_list->setCaretIndex(index, true);
    m_modified = true;
    emit Click();
}

int CVantelCtrl::NewIndex() const {
    checkUserMode("NewIndex");
    return m_newIndex;
}

int CVantelCtrl::TopIndex() const {
    checkUserMode("TopIndex");
    m_list->updateLayoutNow();
    return m_list->topIndex();
}

void CVantelCtrl::SetTopIndex(int index) {
    if (index < 0 || index >= m_list->count())
        throw VantelError(
            VantelError::InvalidArrayIndex,
            QStringLiteral("TopIndex must be between 0 and %1").arg(m_list->count() - 1));
    m_list->setTopIndex(index);
    m_modified = true;
}

int CVantelCtrl::SelCount() const {
    checkUserMode("SelCount");
    return m_list->selCount();
}

QString CVantelCtrl::Text() const {
    checkUserMode("Text");
    const int current = m_list->curSel();
    if (current < 0 || current >= m_list->count())
        return QString();
    return m_list->text(current);
}

// --- stock properties ----------------------------------------------------------

void CVantelCtrl::SetBackColor(OleColor color) {
    m_backColor = color;
    m_modified = true;
    update();
    redraw();
}

void CVantelCtrl::SetForeColor(OleColor color) {
    m_foreColor = color;
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetBorderStyle(short style) {
    if (style != 0 && style != 1)
        throw badValue("BorderStyle", QStringLiteral("must be 0 (None) or 1 (Fixed Single)"));
    m_borderStyle = style;
    applyFrame();
    m_modified = true;
}

void CVantelCtrl::SetAppearance(short appearance) {
    if (appearance != 0 && appearance != 1)
        throw badValue("Appearance", QStringLiteral("must be 0 (Flat) or 1 (3D)"));
    m_appearance = appearance;
    applyFrame();
    m_modified = true;
}

void CVantelCtrl::SetEnabled(bool enabled) {
    setEnabled(enabled);
    m_modified = true;
}

void CVantelCtrl::changeFont(const QFont& font) {
    if (!(font == m_font)) {
        // Entries that keep the font they were added with share one copy.
        const auto kept = std::make_shared<const QFont>(m_font);
        for (CVantelItem& record : m_records)
            if (!record.font && !record.fontFollows)
                record.font = kept;
    }
    m_font = font;
    m_list->setFont(m_font);
}

void CVantelCtrl::SetFont(const QFont& font) {
    changeFont(font);
    m_modified = true;
    redraw();
}

void CVantelCtrl::Refresh() {
    m_list->viewport()->repaint();
}
