// Saved properties and late-bound access by name and dispatch identifier.
#include "vanteltestsupport.h"

#include <QColor>
#include <QDataStream>
#include <QImage>
#include <QTest>
#include <vantel/vantelctrl.h>
#include <vantel/vanteldispatch.h>
#include <vantel/vantelpropertybag.h>

namespace {
const QStringList customNames = {"ItemDefHeight",      "ImageOffset",    "TextOffset",
                                 "SelectStyle",        "NumTabs",        "Columns",
                                 "MultiSelect",        "Sorted",         "VerticalTextAlign",
                                 "VerticalImageAlign", "IntegralHeight", "HScroll"};
}

class TestVantelPersistence : public QObject {
    Q_OBJECT
private slots:
    void savedPropertiesRoundTrip() {
        CVantelCtrl a;
        a.setAmbientUserMode(false);
        a.SetItemDefHeight(17);
        a.SetImageOffset(4);
        a.SetTextOffset(24);
        a.SetSelectStyle(1);
        a.SetNumTabs(3);
        a.SetColumns(2);
        a.SetMultiSelect(2);
        a.SetSorted(true);
        a.SetVerticalTextAlign(1);
        a.SetVerticalImageAlign(2);
        a.SetIntegralHeight(true);
        a.SetHScroll(true);
        a.SetBackColor(oleRgb(1, 2, 3));
        a.SetForeColor(SysColor::GrayText);
        a.SetBorderStyle(0);
        a.SetAppearance(0);
        a.SetFont(vanteltest::fixedFont(15));
        a.SetTabStops(0, 99); // not saved

        VantelPropertyBag bag;
        a.SaveProperties(bag);
        // Every custom property is written, in this order, after the stock ones.
        const QStringList names = bag.names();
        QCOMPARE(names.mid(names.size() - 12), customNames);
        QCOMPARE(bag.read("_Version")->toInt(), 0x00010000);

        bool ok = false;
        const VantelPropertyBag restored = VantelPropertyBag::fromByteArray(bag.toByteArray(), &ok);
        QVERIFY(ok);
        CVantelCtrl b;
        b.LoadProperties(restored);
        QCOMPARE(b.ItemDefHeight(), short(17));
        QCOMPARE(b.ImageOffset(), short(4));
        QCOMPARE(b.TextOffset(), short(24));
        QCOMPARE(b.SelectStyle(), short(1));
        QCOMPARE(b.NumTabs(), short(3));
        QCOMPARE(b.Columns(), short(2));
        QCOMPARE(b.MultiSelect(), short(2));
        QCOMPARE(b.Sorted(), true);
        QCOMPARE(b.VerticalTextAlign(), short(1));
        QCOMPARE(b.VerticalImageAlign(), short(2));
        QCOMPARE(b.IntegralHeight(), true);
        QCOMPARE(b.HScroll(), true);
        QCOMPARE(b.BackColor(), oleRgb(1, 2, 3));
        QCOMPARE(b.ForeColor(), OleColor(SysColor::GrayText));
        QCOMPARE(b.BorderStyle(), short(0));
        QCOMPARE(b.Appearance(), short(0));
        QCOMPARE(b.Font().pixelSize(), 15);
        QCOMPARE(b.TabStops(0), short(0));
        QCOMPARE(b.listBox()->selectionMode(), 2);
        QVERIFY(!b.isModified());
    }

    void missingOrUnusablePropertiesKeepTheirValues() {
        CVantelCtrl c;
        c.setAmbientUserMode(false);
        c.SetTextOffset(9);
        c.SetMultiSelect(1);
        VantelPropertyBag bag;
        bag.write("ImageOffset", 5);
        bag.write("MultiSelect", 7);        // out of range
        bag.write("ItemDefHeight", "tall"); // not a number
        bag.write("Columns", -2);
        c.LoadProperties(bag);
        QCOMPARE(c.ImageOffset(), short(5));
        QCOMPARE(c.TextOffset(), short(9));
        QCOMPARE(c.MultiSelect(), short(1));
        QCOMPARE(c.ItemDefHeight(), short(16));
        QCOMPARE(c.Columns(), short(0));

        bool ok = true;
        VantelPropertyBag::fromByteArray(QByteArray("garbage"), &ok);
        QVERIFY(!ok);
    }

    // Saved data comes from a container's document: a value of a type no
    // property has, or a length beyond the data, makes it no bag, before
    // anything is allocated for it.
    void bagsOfOtherTypesOrOverlongTextAreRefused_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("readable");
        auto bagOf = [](const QVariant& value) {
            VantelPropertyBag bag;
            bag.write(QStringLiteral("Value"), value);
            return bag.toByteArray();
        };
        QTest::newRow("text") << bagOf(QStringLiteral("DejaVu Sans,9")) << true;
        QTest::newRow("number") << bagOf(qint64(-5)) << true;
        QTest::newRow("colour") << bagOf(QColor(Qt::red)) << true;
        QTest::newRow("list") << bagOf(QVariantList{1, 2}) << false;
        QTest::newRow("picture") << bagOf(QImage(2, 2, QImage::Format_RGB32)) << false;
        QByteArray longName;
        QDataStream out(&longName, QIODevice::WriteOnly);
        out << quint32(0x56504231) << quint32(1) << quint32(0x7FFFFFF0) << quint32(0);
        QTest::newRow("name longer than the data") << longName << false;
        QByteArray longText = bagOf(QStringLiteral("x"));
        longText.chop(2 + 4);
        longText += QByteArray("\x7F\xFF\xFF\xF0", 4);
        QTest::newRow("text longer than the data") << longText << false;
    }

    void bagsOfOtherTypesOrOverlongTextAreRefused() {
        QFETCH(QByteArray, data);
        QFETCH(bool, readable);
        bool ok = !readable;
        const VantelPropertyBag bag = VantelPropertyBag::fromByteArray(data, &ok);
        QCOMPARE(ok, readable);
        QCOMPARE(bag.size(), readable ? 1 : 0);
    }

    void membersByNameAndIdentifier() {
        QCOMPARE(VantelDispatch::idOfName("itemdata").value(), 29);
        QCOMPARE(VantelDispatch::idOfName("HScroll").value(), 1);
        QCOMPARE(VantelDispatch::idOfName("_BackColor").value(), 0);
        QCOMPARE(VantelDispatch::idOfName("Text").value(), -517);
        QCOMPARE(VantelDispatch::idOfName("MouseUp").value(), -607);
        QVERIFY(!VantelDispatch::idOfName("Nothing"));
        for (int id = 1; id <= 29; ++id)
            QVERIFY(!VantelDispatch::nameOfId(id).startsWith("member"));

        CVantelCtrl c;
        VantelDispatch d(c);
        d.call("AddItem", {QStringLiteral("b")});
        d.call(VantelDispId::AddItem, {QStringLiteral("a"), 0});
        d.call("AddItem", {QStringLiteral("c"), 1.9});
        QCOMPARE(d.get("ListCount").toInt(), 3);
        QCOMPARE(d.get(VantelDispId::List, {1}).toString(), QStringLiteral("c"));
        QCOMPARE(d.get("NewIndex").toInt(), 1);
        d.set("ItemData", {2, 1234});
        QCOMPARE(c.ItemData(2), 1234);
        d.set("ItemForeColor", {0, qint64(0x80000011)});
        QCOMPARE(quint32(c.ItemForeColor(0)), 0x80000011u);
        QCOMPARE(d.get("ItemBackColor", {0}).toInt(), -1);
        d.set("ItemFont", {0, vanteltest::fixedFont(21)});
        QCOMPARE(d.get("ItemFont", {0}).value<QFont>().pixelSize(), 21);
        QPixmap picture(3, 3);
        d.set("ItemImage", {0, picture});
        QCOMPARE(c.ItemImage(0).cacheKey(), picture.cacheKey());
        QVERIFY(!d.get("ItemImage", {1}).isValid());
        d.set("ItemImage", {0, QVariant()});
        QVERIFY(c.ItemImage(0).isNull());
        d.set(0, {qint64(0x00FF00)}); // _BackColor
        QCOMPARE(c.BackColor(), 0x00FF00u);
        QCOMPARE(d.get("BackColor").toUInt(), 0x00FF00u);
        d.set("ImageOffset", {3.4}); // rounded as a conversion
        QCOMPARE(c.ImageOffset(), short(3));
        d.set("Selected", {1, true});
        QCOMPARE(d.get("ListIndex").toInt(), 1);
        QCOMPARE(d.get("Text").toString(), QStringLiteral("c"));
        QCOMPARE(d.call("SelCount").toInt(), 1);
        d.call("RemoveItem", {0});
        QCOMPARE(d.get("NewIndex").toInt(), -1);
        d.call("Clear");
        QCOMPARE(c.ListCount(), 0);
        d.set("HScroll", {true});
        QVERIFY(c.HScroll());
        d.call("Refresh");
    }
};

QTEST_MAIN(TestVantelPersistence)
#include "tst_vantelpersistence.moc"
