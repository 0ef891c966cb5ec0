#pragma once

#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionFactory>

class CVantelCtrl;
class QAction;

// "Properties..." in the context menu of a placed Vantel control: opens its
// property pages and hands what they change to the form.
class VantelTaskMenu : public QObject, public QDesignerTaskMenuExtension {
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)
public:
    VantelTaskMenu(CVantelCtrl* control, QObject* parent);
    QAction* preferredEditAction() const override;
    QList<QAction*> taskActions() const override;

private:
    void openPages();
    CVantelCtrl* m_control;
    QAction* m_properties;
};

class VantelTaskMenuFactory : public QExtensionFactory {
    Q_OBJECT
public:
    explicit VantelTaskMenuFactory(QExtensionManager* parent = nullptr);

protected:
    QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;
};
