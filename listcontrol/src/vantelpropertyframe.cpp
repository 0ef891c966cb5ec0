#include "vantel/vantelpropertyframe.h"
#include "vantel/vantelctrl.h"
#include "vantel/vantelfactory.h"
#include "vantel/vantelids.h"
#include "vantel/vantelproppage.h"
#include "vantelstockpages.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The page of a class, as a widget that is also a VantelPropertyPage.
QWidget* createPage(const QUuid& id, QWidget* parent) {
    if (id == VantelIds::StockFontPage)
        return new VantelFontPage(parent);
    if (id == VantelIds::StockColorPage)
        return new VantelColorPage(parent);
    VantelClassFactory* factory = vantelClassFactory(id);
    QWidget* page = nullptr;
    if (!factory || factory->CreateInstance(parent, VantelSite{}, &page) != VantelCode::Ok)
        return nullptr;
    return page;
}

VantelPropertyPage* asPage(QWidget* w) {
    if (auto* own = qobject_cast<CVantelPropPage*>(w))
        return own;
    if (auto* font = qobject_cast<VantelFontPage*>(w))
        return font;
    if (auto* color = qobject_cast<VantelColorPage*>(w))
        return color;
    return nullptr;
}

} // namespace

VantelPropertyFrame::VantelPropertyFrame(const QList<CVantelCtrl*>& controls,
                                         const QList<QUuid>& pageIds, QWidget* parent)
    : QDialog(parent)
    , m_tabs(new QTabWidget(this))
    , m_buttons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this)) {
    setWindowTitle(controls.size() == 1 && !controls.first()->ambientDisplayName().isEmpty()
                       ? controls.first()->ambientDisplayName() + QStringLiteral(" Properties")
                       : QStringLiteral("Vantel Control Properties"));
    m_apply = m_buttons->button(QDialogButtonBox::Apply);
    for (const QUuid& id : pageIds) {
        QWidget* widget = createPage(id, nullptr);
        VantelPropertyPage* page = asPage(widget);
        if (!page) {
            delete widget;
            continue;
        }
        widget->setWindowFlags(Qt::Widget);
        page->setObjects(controls);
        m_tabs->addTab(widget, page->caption());
        m_pages.append(page);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    connect(m_apply, &QPushButton::clicked, this, &VantelPropertyFrame::applyAll);
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (applyAll())
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int VantelPropertyFrame::pageCount() const {
    return m_tabs->count();
}

QWidget* VantelPropertyFrame::page(int index) const {
    return m_tabs->widget(index);
}

bool VantelPropertyFrame::applyAll() {
    for (int i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i]->isDirty() && !m_pages[i]->apply()) {
            m_tabs->setCurrentIndex(i);
            return false;
        }
    }
    return true;
}
