// The Qt Designer plugin, loaded as the designer loads it.
#include <QPluginLoader>
#include <QTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>
#include <vantel/vantelctrl.h>

class TestVantelDesigner : public QObject {
    Q_OBJECT
    QPluginLoader m_loader{QStringLiteral(VANTEL_DESIGNER_PLUGIN)};

private slots:
    void pluginPlacesADesignTimeControl() {
        QObject* instance = m_loader.instance();
        QVERIFY2(instance, qPrintable(m_loader.errorString()));
        auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(instance);
        QVERIFY(plugin);
        QCOMPARE(plugin->name(), QStringLiteral("CVantelCtrl"));
        QCOMPARE(plugin->includeFile(), QStringLiteral("vantel/vantelctrl.h"));
        QVERIFY(plugin->domXml().contains(QLatin1String("class=\"CVantelCtrl\"")));
        QVERIFY(!plugin->icon().isNull());
        QVERIFY(!plugin->isContainer());
        plugin->initialize(nullptr);
        QVERIFY(plugin->isInitialized());

        QWidget form;
        QWidget* widget = plugin->createWidget(&form);
        auto* control = qobject_cast<CVantelCtrl*>(widget);
        QVERIFY(control);
        QVERIFY(!control->ambientUserMode());
        // The form names the widget: that name is the one entry shown.
        control->setObjectName(QStringLiteral("LstX_Files"));
        QCOMPARE(control->listBox()->count(), 1);
        QCOMPARE(control->listBox()->text(0), QStringLiteral("LstX_Files"));
        // The designer's property editor sees the custom properties.
        QVERIFY(control->setProperty("MultiSelect", 2));
        QCOMPARE(control->MultiSelect(), short(2));
        QCOMPARE(control->property("ItemDefHeight").toInt(), 16);
    }
};

QTEST_MAIN(TestVantelDesigner)
#include "tst_vanteldesigner.moc"
