#include "vanteldesignerplugin.h"
#include "vanteltaskmenu.h"

#include <QIcon>
#include <QPixmap>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QExtensionManager>
#include <vantel/vantelctrl.h>
#include <vantel/vantelfactory.h>
#include <vantel/vantelids.h>

VantelDesignerPlugin::VantelDesignerPlugin(QObject* parent)
    : QObject(parent) {}

QString VantelDesignerPlugin::name() const {
    return QStringLiteral("CVantelCtrl");
}

QString VantelDesignerPlugin::group() const {
    return QStringLiteral("Vantel");
}

QString VantelDesignerPlugin::toolTip() const {
    return QLatin1String(VantelIds::ControlTypeName);
}

QString VantelDesignerPlugin::whatsThis() const {
    return QStringLiteral("A list whose entries each carry a picture, colours, a font and a "
                          "data value.");
}

QString VantelDesignerPlugin::includeFile() const {
    return QStringLiteral("vantel/vantelctrl.h");
}

QIcon VantelDesignerPlugin::icon() const {
    return QIcon(
        QPixmap(QStringLiteral(":/vantel/BITMAP/%1").arg(VantelIds::ToolboxBitmapResource)));
}

QWidget* VantelDesignerPlugin::createWidget(QWidget* parent) {
    QWidget* object = nullptr;
    VantelClassFactory* factory = vantelClassFactory(VantelIds::ControlClass);
    if (!factory ||
        factory->CreateInstance(parent, VantelSite{false, QString()}, &object) != VantelCode::Ok)
        return nullptr;
    auto* control = static_cast<CVantelCtrl*>(object);
    // The form names the widget after creating it; that name is the
    // container's display name for the control.
    QObject::connect(control, &QObject::objectNameChanged, control,
                     [control](const QString& name) { control->setAmbientDisplayName(name); });
    return control;
}

void VantelDesignerPlugin::initialize(QDesignerFormEditorInterface* core) {
    if (m_initialized)
        return;
    m_initialized = true;
    if (!core)
        return;
    QExtensionManager* manager = core->extensionManager();
    manager->registerExtensions(new VantelTaskMenuFactory(manager),
                                Q_TYPEID(QDesignerTaskMenuExtension));
}

QString VantelDesignerPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"CVantelCtrl\" name=\"vantel\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>160</width><height>120</height></rect>\n"
                          "  </property>\n"
                          " </widget>\n"
                          "</ui>\n");
}
