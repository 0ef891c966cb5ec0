#include "vanteltaskmenu.h"

#include <QAction>
#include <QPointer>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <vantel/vantelctrl.h>
#include <vantel/vantelpropertyframe.h>

namespace {

// What the property pages edit, handed back to the form so that it is
// saved with it.
const char* const pageProperties[] = {"HScroll",           "ItemDefHeight", "ImageOffset",
                                      "TextOffset",        "SelectStyle",   "VerticalImageAlign",
                                      "VerticalTextAlign", "Columns",       "Sorted",
                                      "MultiSelect"};

} // namespace

VantelTaskMenu::VantelTaskMenu(CVantelCtrl* control, QObject* parent)
    : QObject(parent)
    , m_control(control)
    , m_properties(new QAction(tr("Properties..."), this)) {
    connect(m_properties, &QAction::triggered, this, &VantelTaskMenu::openPages);
}

QAction* VantelTaskMenu::preferredEditAction() const {
    return m_properties;
}

QList<QAction*> VantelTaskMenu::taskActions() const {
    return {m_properties};
}

void VantelTaskMenu::openPages() {
    VantelPropertyFrame* frame = m_control->OpenPropertyFrame(m_control->window());
    QPointer<CVantelCtrl> control = m_control;
    connect(frame, &QDialog::finished, control, [control] {
        QDesignerFormWindowInterface* form =
            control ? QDesignerFormWindowInterface::findFormWindow(control) : nullptr;
        if (!form)
            return;
        for (const char* name : pageProperties)
            form->cursor()->setWidgetProperty(control, QLatin1String(name),
                                              control->property(name));
    });
}

VantelTaskMenuFactory::VantelTaskMenuFactory(QExtensionManager* parent)
    : QExtensionFactory(parent) {}

QObject* VantelTaskMenuFactory::createExtension(QObject* object, const QString& iid,
                                                QObject* parent) const {
    if (iid != Q_TYPEID(QDesignerTaskMenuExtension))
        return nullptr;
    if (auto* control = qobject_cast<CVantelCtrl*>(object))
        return new VantelTaskMenu(control, parent);
    return nullptr;
}
