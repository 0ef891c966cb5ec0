// Class factories, the module's lifetime counts, creation at run and design
// time, and the reset to defaults.
#include "vanteltestsupport.h"

#include <QTest>
#include <memory>
#include <vantel/vantelctrl.h>
#include <vantel/vantelfactory.h>
#include <vantel/vantelids.h>
#include <vantel/vantelproppage.h>

namespace {

VantelResult getFactory(const QUuid& cls, const QUuid& iid, void** out) {
    const VantelGuid c = toVantelGuid(cls);
    const VantelGuid i = toVantelGuid(iid);
    return DllGetClassObject(&c, &i, out);
}

std::unique_ptr<CVantelCtrl> create(const VantelSite& site) {
    QWidget* object = nullptr;
    VantelClassFactory* factory = vantelClassFactory(VantelIds::ControlClass);
    if (!factory || factory->CreateInstance(nullptr, site, &object) != VantelCode::Ok)
        return nullptr;
    return std::unique_ptr<CVantelCtrl>(qobject_cast<CVantelCtrl*>(object));
}

} // namespace

class TestVantelModule : public QObject {
    Q_OBJECT
private slots:
    void classObjectsByIdentifier() {
        void* out = &out;
        QCOMPARE(getFactory(VantelIds::ControlClass, VantelIds::ClassFactoryInterface, &out),
                 VantelCode::Ok);
        QCOMPARE(static_cast<VantelClassFactory*>(out)->classId(), VantelIds::ControlClass);
        QCOMPARE(getFactory(VantelIds::PropertyPage, VantelIds::UnknownInterface, &out),
                 VantelCode::Ok);
        QCOMPARE(static_cast<VantelClassFactory*>(out)->classId(), VantelIds::PropertyPage);
        QCOMPARE(getFactory(VantelIds::StockFontPage, VantelIds::ClassFactoryInterface, &out),
                 VantelCode::ClassNotAvailable);
        QCOMPARE(out, nullptr);
        QCOMPARE(getFactory(VantelIds::ControlClass, VantelIds::DispatchInterface, &out),
                 VantelCode::NoInterface);
        QCOMPARE(DllGetClassObject(nullptr, nullptr, nullptr), VantelCode::Pointer);
    }

    void moduleUnloadsOnlyWithoutObjectsAndLocks() {
        QCOMPARE(DllCanUnloadNow(), VantelCode::Ok);
        auto control = create({});
        QVERIFY(control);
        QCOMPARE(DllCanUnloadNow(), VantelCode::False);
        QWidget* page = nullptr;
        QCOMPARE(vantelClassFactory(VantelIds::PropertyPage)->CreateInstance(nullptr, {}, &page),
                 VantelCode::Ok);
        QVERIFY(qobject_cast<CVantelPropPage*>(page));
        QCOMPARE(vantelObjectCount(), 2);
        control.reset();
        QCOMPARE(DllCanUnloadNow(), VantelCode::False);
        delete page;
        QCOMPARE(DllCanUnloadNow(), VantelCode::Ok);

        VantelClassFactory* factory = vantelClassFactory(VantelIds::ControlClass);
        factory->LockServer(true);
        factory->LockServer(true);
        QCOMPARE(DllCanUnloadNow(), VantelCode::False);
        factory->LockServer(false);
        QCOMPARE(DllCanUnloadNow(), VantelCode::False);
        factory->LockServer(false);
        factory->LockServer(false); // one unlock too many does not go below zero
        QCOMPARE(vantelLockCount(), 0);
        QCOMPARE(DllCanUnloadNow(), VantelCode::Ok);

        // A control made without the factory counts as well.
        {
            CVantelCtrl direct;
            QCOMPARE(DllCanUnloadNow(), VantelCode::False);
        }
        QCOMPARE(DllCanUnloadNow(), VantelCode::Ok);
    }

    void runTimeControlStartsEmpty() {
        auto control = create({true, QStringLiteral("LstX_Files")});
        QCOMPARE(control->ListCount(), 0);
        QCOMPARE(control->listBox()->count(), 0);
        QCOMPARE(control->NewIndex(), 0);
        control->AddItem(QStringLiteral("a"));
        QCOMPARE(control->List(0), QStringLiteral("a"));
    }

    void designTimeControlShowsItsName() {
        auto control = create({false, QStringLiteral("Vantel1")});
        QCOMPARE(control->listBox()->count(), 1);
        QCOMPARE(control->listBox()->text(0), QStringLiteral("Vantel1"));
        QCOMPARE(control->listBox()->itemHeight(0), 16);
        QVERIFY(!control->record(0).font);
        // A new name replaces the entry.
        control->setAmbientDisplayName(QStringLiteral("Files"));
        QCOMPARE(control->listBox()->count(), 1);
        QCOMPARE(control->listBox()->text(0), QStringLiteral("Files"));
    }

    void resetRestoresInitialState() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("a rather long entry to widen the text"));
        c.AddItem(QStringLiteral("b"));
        vanteltest::renderEntry(c, 0, QRect(0, 0, 400, 20), 0); // measures the widest text
        const short widest = c.WidestText();
        QVERIFY(widest > 0);
        c.SetTabStops(5, 40);
        c.SetNumTabs(6);
        c.SetImageOffset(3);
        c.SetTextOffset(20);
        c.SetSelectStyle(1);
        c.SetVerticalTextAlign(2);
        c.SetVerticalImageAlign(1);
        c.SetHScroll(true);
        c.SetBorderStyle(0);
        c.SetAppearance(0);
        c.SetEnabled(false);
        c.setAmbientUserMode(false);
        c.SetColumns(2);
        c.SetMultiSelect(2);
        c.SetSorted(true);
        c.SetIntegralHeight(true);
        c.SetItemDefHeight(30);
        c.setAmbientUserMode(true);
        c.AddItem(QStringLiteral("c"));

        c.ResetState();
        QCOMPARE(c.ListCount(), 0);
        QCOMPARE(c.NewIndex(), 0);
        QCOMPARE(c.ItemDefHeight(), short(16));
        QCOMPARE(c.ImageOffset(), short(0));
        QCOMPARE(c.TextOffset(), short(0));
        QCOMPARE(c.SelectStyle(), short(0));
        QCOMPARE(c.NumTabs(), short(0));
        QCOMPARE(c.TabStops(5), short(0));
        QCOMPARE(c.Columns(), short(0));
        QCOMPARE(c.MultiSelect(), short(0));
        QCOMPARE(c.Sorted(), false);
        QCOMPARE(c.VerticalTextAlign(), short(0));
        QCOMPARE(c.VerticalImageAlign(), short(0));
        QCOMPARE(c.IntegralHeight(), false);
        QCOMPARE(c.HScroll(), false);
        QCOMPARE(c.ForeColor(), OleColor(SysColor::WindowText));
        QCOMPARE(c.BackColor(), OleColor(SysColor::Window));
        QCOMPARE(c.BorderStyle(), short(1));
        QCOMPARE(c.Appearance(), short(1));
        QVERIFY(c.Enabled());
        QCOMPARE(c.WidestText(), widest);
        QCOMPARE(c.listBox()->horizontalExtent(), 0);
        // The list follows the properties: single selection, unsorted.
        QCOMPARE(c.listBox()->selectionMode(), 0);
        c.AddItem(QStringLiteral("z"));
        c.AddItem(QStringLiteral("y"));
        QCOMPARE(c.List(1), QStringLiteral("y"));
        QCOMPARE(c.listBox()->itemHeight(1), 16);
    }

    void qtPropertyWritesTakeSavedValuesAtRunTime() {
        // A form built by uic writes its saved values through Qt
        // properties; MultiSelect and Sorted must be taken at run time too.
        CVantelCtrl c;
        QVERIFY(c.setProperty("MultiSelect", 2));
        QVERIFY(c.setProperty("Sorted", true));
        QCOMPARE(c.MultiSelect(), short(2));
        QCOMPARE(c.listBox()->selectionMode(), 2);
        QVERIFY(c.Sorted());
        QVERIFY(!c.isModified());
        // Out of range: ignored.
        QVERIFY(!c.setMultiSelect(3));
        QVERIFY(!c.setItemDefHeight(0));
        QCOMPARE(c.MultiSelect(), short(2));
        QCOMPARE(c.ItemDefHeight(), short(16));
    }

    void resetAtDesignTimeKeepsTheNameEntry() {
        auto control = create({false, QStringLiteral("Vantel2")});
        control->SetMultiSelect(1);
        control->ResetState();
        QCOMPARE(control->MultiSelect(), short(0));
        QCOMPARE(control->listBox()->count(), 1);
        QCOMPARE(control->listBox()->text(0), QStringLiteral("Vantel2"));
    }
};

QTEST_MAIN(TestVantelModule)
#include "tst_vantelmodule.moc"
