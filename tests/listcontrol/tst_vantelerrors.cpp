// The control's error table: every member that refuses a value, an index or
// the current mode raises its error number and leaves the control exactly as
// it was.
#include "vanteltestsupport.h"

#include <QSignalSpy>
#include <QSize>
#include <QTest>
#include <functional>
#include <vantel/vantelctrl.h>
#include <vantel/vanteldispatch.h>

namespace {

enum class Mode { Run, Design, RunWithColumns, RunWithIntegralHeight };

struct ErrorCase {
    const char* name;
    Mode mode;
    int entries; // added at run time before the call
    std::function<void(VantelDispatch&)> call;
    int number;
};

using V = QVariantList;

const std::vector<ErrorCase>& cases() {
    static const std::vector<ErrorCase> table = {
        {"ImageOffset negative", Mode::Run, 0, [](auto& d) { d.set("ImageOffset", V{-1}); }, 380},
        {"TextOffset negative", Mode::Run, 0, [](auto& d) { d.set("TextOffset", V{-1}); }, 380},
        {"ItemDefHeight zero", Mode::Run, 0, [](auto& d) { d.set("ItemDefHeight", V{0}); }, 380},
        {"ItemDefHeight negative at design time", Mode::Design, 0,
         [](auto& d) { d.set("ItemDefHeight", V{-4}); }, 380},
        {"ItemDefHeight with columns at run time", Mode::RunWithColumns, 0,
         [](auto& d) { d.set("ItemDefHeight", V{20}); }, 383},
        {"ItemDefHeight with integral height at run time", Mode::RunWithIntegralHeight, 0,
         [](auto& d) { d.set("ItemDefHeight", V{20}); }, 383},
        {"SelectStyle 2", Mode::Run, 0, [](auto& d) { d.set("SelectStyle", V{2}); }, 380},
        {"SelectStyle -1", Mode::Run, 0, [](auto& d) { d.set("SelectStyle", V{-1}); }, 380},
        {"NumTabs 201", Mode::Run, 0, [](auto& d) { d.set("NumTabs", V{201}); }, 381},
        {"NumTabs -1", Mode::Run, 0, [](auto& d) { d.set("NumTabs", V{-1}); }, 381},
        {"Columns 0 to 3 at run time", Mode::Run, 0, [](auto& d) { d.set("Columns", V{3}); }, 380},
        {"Columns 0 to 0 at run time", Mode::Run, 0, [](auto& d) { d.set("Columns", V{0}); }, 380},
        {"Columns 3 to 0 at run time", Mode::RunWithColumns, 0,
         [](auto& d) { d.set("Columns", V{0}); }, 380},
        {"Columns negative at design time", Mode::Design, 0,
         [](auto& d) { d.set("Columns", V{-1}); }, 380},
        {"MultiSelect 3", Mode::Design, 0, [](auto& d) { d.set("MultiSelect", V{3}); }, 380},
        {"MultiSelect 3 at run time", Mode::Run, 0, [](auto& d) { d.set("MultiSelect", V{3}); },
         380},
        {"MultiSelect at run time", Mode::Run, 0, [](auto& d) { d.set("MultiSelect", V{1}); }, 383},
        {"Sorted at run time", Mode::Run, 0, [](auto& d) { d.set("Sorted", V{true}); }, 383},
        {"IntegralHeight at run time", Mode::Run, 0,
         [](auto& d) { d.set("IntegralHeight", V{true}); }, 383},
        {"VerticalTextAlign 3", Mode::Run, 0, [](auto& d) { d.set("VerticalTextAlign", V{3}); },
         380},
        {"VerticalImageAlign -1", Mode::Run, 0, [](auto& d) { d.set("VerticalImageAlign", V{-1}); },
         380},
        {"ListCount read at design time", Mode::Design, 0, [](auto& d) { d.get("ListCount"); },
         394},
        {"ListCount set", Mode::Run, 2, [](auto& d) { d.set("ListCount", V{1}); }, 383},
        {"ListCount set at design time", Mode::Design, 0, [](auto& d) { d.set("ListCount", V{1}); },
         383},
        {"ListIndex read at design time", Mode::Design, 0, [](auto& d) { d.get("ListIndex"); },
         394},
        {"ListIndex -2", Mode::Run, 3, [](auto& d) { d.set("ListIndex", V{-2}); }, 381},
        {"ListIndex count", Mode::Run, 3, [](auto& d) { d.set("ListIndex", V{3}); }, 381},
        {"NewIndex read at design time", Mode::Design, 0, [](auto& d) { d.get("NewIndex"); }, 394},
        {"NewIndex set", Mode::Run, 1, [](auto& d) { d.set("NewIndex", V{0}); }, 383},
        {"TopIndex read at design time", Mode::Design, 0, [](auto& d) { d.get("TopIndex"); }, 394},
        {"TopIndex count", Mode::Run, 3, [](auto& d) { d.set("TopIndex", V{3}); }, 381},
        {"TopIndex negative", Mode::Run, 3, [](auto& d) { d.set("TopIndex", V{-1}); }, 381},
        {"SelCount read at design time", Mode::Design, 0, [](auto& d) { d.get("SelCount"); }, 394},
        {"SelCount set", Mode::Run, 1, [](auto& d) { d.set("SelCount", V{1}); }, 383},
        {"Text read at design time", Mode::Design, 0, [](auto& d) { d.get("Text"); }, 394},
        {"Text set", Mode::Run, 1, [](auto& d) { d.set("Text", V{"x"}); }, 383},
        {"RemoveItem on an empty list", Mode::Run, 0, [](auto& d) { d.call("RemoveItem", V{0}); },
         381},
        {"RemoveItem at count", Mode::Run, 2, [](auto& d) { d.call("RemoveItem", V{2}); }, 381},
        {"AddItem count + 1", Mode::Run, 2,
         [](auto& d) {
             d.call("AddItem", V{"x", 3});
         },
         381},
        {"AddItem -2", Mode::Run, 2,
         [](auto& d) {
             d.call("AddItem", V{"x", -2});
         },
         381},
        {"AddItem string index", Mode::Run, 2,
         [](auto& d) {
             d.call("AddItem", V{"x", "1"});
         },
         381},
        {"TabStops 200", Mode::Run, 0, [](auto& d) { d.get("TabStops", V{200}); }, 381},
        {"TabStops -1 set", Mode::Run, 0,
         [](auto& d) {
             d.set("TabStops", V{-1, 5});
         },
         381},
        {"SelectEnable bad index", Mode::Run, 2,
         [](auto& d) {
             d.set("SelectEnable", V{2, false});
         },
         381},
        {"Selected bad index", Mode::Run, 2, [](auto& d) { d.get("Selected", V{-1}); }, 381},
        {"Selected set bad index", Mode::Run, 2,
         [](auto& d) {
             d.set("Selected", V{5, true});
         },
         381},
        {"List bad index", Mode::Run, 2, [](auto& d) { d.get("List", V{2}); }, 381},
        {"List set bad index", Mode::Run, 2,
         [](auto& d) {
             d.set("List", V{2, "x"});
         },
         381},
        {"ItemBackColor bad index", Mode::Run, 0,
         [](auto& d) {
             d.set("ItemBackColor", V{0, 255});
         },
         381},
        {"ItemForeColor bad index", Mode::Run, 1, [](auto& d) { d.get("ItemForeColor", V{1}); },
         381},
        {"ItemFont bad index", Mode::Run, 1, [](auto& d) { d.get("ItemFont", V{-3}); }, 381},
        {"ItemImage bad index", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemImage", V{1, QVariant()});
         },
         381},
        {"ItemData bad index", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemData", V{1, 9});
         },
         381},
        {"BorderStyle 2", Mode::Run, 0, [](auto& d) { d.set("BorderStyle", V{2}); }, 380},
        {"Appearance -1", Mode::Run, 0, [](auto& d) { d.set("Appearance", V{-1}); }, 380},
        // A bad index is reported as such, whatever the value beside it.
        {"TabStops bad index and value", Mode::Run, 0,
         [](auto& d) {
             d.set("TabStops", V{200, "wide"});
         },
         381},
        {"SelectEnable bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("SelectEnable", V{1, QVariant::fromValue(QSize(1, 1))});
         },
         381},
        {"Selected bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("Selected", V{-1, "neither"});
         },
         381},
        {"List bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("List", V{1, QVariant::fromValue(QSize(1, 1))});
         },
         381},
        {"ItemBackColor bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemBackColor", V{3, "red"});
         },
         381},
        {"ItemForeColor bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemForeColor", V{3, "red"});
         },
         381},
        {"ItemFont bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemFont", V{3, 12});
         },
         381},
        {"ItemImage bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemImage", V{3, "picture"});
         },
         381},
        {"ItemData bad index and value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemData", V{3, "nine"});
         },
         381},
        {"good index, bad value", Mode::Run, 1,
         [](auto& d) {
             d.set("ItemData", V{0, "nine"});
         },
         13},
        // Late-bound calls that fit no member.
        {"unknown member", Mode::Run, 0, [](auto& d) { d.get("NoSuchThing"); }, 438},
        {"too many arguments", Mode::Run, 0,
         [](auto& d) {
             d.set("ImageOffset", V{1, 2});
         },
         450},
        {"not a number", Mode::Run, 0, [](auto& d) { d.set("ImageOffset", V{"wide"}); }, 13},
        {"beyond 16 bits", Mode::Run, 0, [](auto& d) { d.set("TextOffset", V{70000}); }, 6},
    };
    return table;
}

void setUp(CVantelCtrl& c, Mode mode, int entries) {
    vanteltest::prepare(c);
    if (mode == Mode::RunWithColumns || mode == Mode::RunWithIntegralHeight) {
        c.setAmbientUserMode(false);
        if (mode == Mode::RunWithColumns)
            c.SetColumns(3);
        else
            c.SetIntegralHeight(true);
        c.setAmbientUserMode(true);
    }
    for (int i = 0; i < entries; ++i) {
        c.AddItem(QStringLiteral("entry %1").arg(i));
        c.SetItemData(i, i * 10);
    }
    if (entries > 1)
        c.SetListIndex(1);
    c.SetTabStops(3, 42);
    if (mode == Mode::Design)
        c.setAmbientUserMode(false);
    c.setModified(false);
}

} // namespace

class TestVantelErrors : public QObject {
    Q_OBJECT
private slots:
    void everyRefusalRaisesItsNumberAndChangesNothing() {
        for (const ErrorCase& row : cases()) {
            CVantelCtrl c;
            setUp(c, row.mode, row.entries);
            VantelDispatch d(c);
            QSignalSpy clicks(&c, &CVantelCtrl::Click);
            const QString before = vanteltest::snapshot(c);
            int number = 0;
            QString description;
            try {
                row.call(d);
            } catch (const VantelError& e) {
                number = e.number();
                description = e.description();
            }
            QVERIFY2(number == row.number,
                     qPrintable(QStringLiteral("%1: got %2").arg(row.name).arg(number)));
            QVERIFY2(vanteltest::snapshot(c) == before, row.name);
            QVERIFY2(clicks.isEmpty(), row.name);
            QVERIFY2(description.size() > 10, row.name);
        }
    }

    void errorsCarryTheirControlFacilityCode() {
        const VantelError e(380, QStringLiteral("ImageOffset must not be negative"));
        QCOMPARE(e.hresult(), 0x800A017Cu);
        QVERIFY(e.description().startsWith(QStringLiteral("Invalid property value")));
        QVERIFY(e.description().contains(QStringLiteral("ImageOffset")));
        QCOMPARE(QString::fromUtf8(e.what()), e.description());
    }

    void boundaryValuesAreAccepted() {
        CVantelCtrl c;
        c.AddItem(QStringLiteral("a"));
        c.SetNumTabs(200);
        c.SetTabStops(199, 7);
        c.SetListIndex(-1);
        c.SetListIndex(0);
        c.SetTopIndex(0);
        c.AddItem(QStringLiteral("end"), 1);
        c.SetImageOffset(0);
        c.SetItemDefHeight(1);
        QCOMPARE(c.ListCount(), 2);
    }
};

QTEST_MAIN(TestVantelErrors)
#include "tst_vantelerrors.moc"
