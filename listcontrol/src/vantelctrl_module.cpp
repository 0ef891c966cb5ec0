// The control as an object of its module: what the container reports at
// creation, the reset to defaults, the about box and the Properties verb.
#include "vantel/vantelaboutbox.h"
#include "vantel/vantelctrl.h"
#include "vantel/vantelfactory.h"
#include "vantel/vantelids.h"
#include "vantel/vantelpropertyframe.h"

#include <QApplication>

void CVantelCtrl::createControlWindow() {
    // The list measures its entries once before the control is used; the
    // entry that makes it do so leaves no trace.
    const int pos = m_list->insertString(0, QStringLiteral(" "));
    m_list->deleteString(pos);
}

void CVantelCtrl::SetClientSite(const VantelSite& site) {
    m_displayName = site.displayName;
    setAmbientUserMode(site.userMode);
}

void CVantelCtrl::ResetState() {
    Clear();

    // Stock properties.
    changeFont(parentWidget() ? parentWidget()->font() : QApplication::font());
    setEnabled(true);
    m_foreColor = SysColor::WindowText;
    m_backColor = SysColor::Window;
    m_borderStyle = 1;
    m_appearance = 1;

    // Custom properties; the widest text drawn so far stays.
    m_itemDefHeight = 16;
    m_imageOffset = 0;
    m_textOffset = 0;
    m_selectStyle = false;
    m_numTabs = 0;
    m_columns = 0;
    m_multiSelect = 0;
    m_sorted = false;
    m_verticalTextAlign = 0;
    m_tabStops.fill(0);
    m_newIndex = 0;
    m_integralHeight = false;
    m_verticalImageAlign = 0;
    m_hScroll = false;

    applyFrame();
    applyListStyle();
    m_list->setHorizontalExtent(0);
    if (!m_userMode)
        showDisplayNameEntry();
    update();
    redraw();
}

void CVantelCtrl::AboutBox() {
    CVantelAboutBox box(this);
    box.exec();
}

QList<QUuid> CVantelCtrl::PropertyPages() {
    return {VantelIds::PropertyPage, VantelIds::StockFontPage, VantelIds::StockColorPage};
}

VantelPropertyFrame* CVantelCtrl::OpenPropertyFrame(QWidget* parent) {
    auto* frame = new VantelPropertyFrame({this}, PropertyPages(), parent ? parent : this);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    return frame;
}

qint32 CVantelCtrl::DoVerb(int verb, QWidget* parent) {
    if (verb != VerbProperties)
        return qint32(0x80040180u); // no such verb
    VantelPropertyFrame frame({this}, PropertyPages(), parent ? parent : this);
    frame.exec();
    return 0;
}
