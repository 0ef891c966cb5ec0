// Entries and their records: adding with every kind of index, sorted and
// unsorted insertion, replacing texts, removing, clearing, per-entry
// colours, fonts, pictures and data, and the design-time name entry.
#include "vanteltestsupport.h"

#include <QSignalSpy>
#include <QTest>
#include <vantel/vantelctrl.h>
#include <vantel/vantelpropertybag.h>

#include <functional>

namespace {

// Entries "e0" to "e4" with item data 100 + i, picture i % 2 and fore colour
// 0x10 + i; entry 3 has a back colour, entry 2 a font of its own, entry 1
// is selected. Returns the two pictures.
std::vector<QPixmap> fillFiveMarked(CVantelCtrl& c) {
    std::vector<QPixmap> pictures(2, QPixmap(4, 4));
    pictures[1].fill(Qt::red);
    std::vector<CVantelCtrl::Entry> entries;
    for (int i = 0; i < 5; ++i)
        entries.push_back({QStringLiteral("e%1").arg(i), 100 + i, i % 2, 0x10 + i});
    c.AddItems(entries, pictures);
    c.SetItemBackColor(3, 0x30);
    c.SetItemFont(2, QFont(QStringLiteral("Sans"), 9));
    c.SetSelected(1, true);
    return pictures;
}

// The error number `change` throws (0 when it throws none), and whether the
// list is then as it was.
std::pair<int, bool> errorOf(CVantelCtrl& c, const std::function<void()>& change) {
    const QString before = vanteltest::snapshot(c);
    try {
        change();
        return {0, false};
    } catch (const VantelError& e) {
        return {e.number(), vanteltest::snapshot(c) == before};
    }
}

} // namespace

class TestVantelEntries : public QObject {
    Q_OBJECT

    static QStringList texts(const CVantelCtrl& c) {
        QStringList result;
        for (int i = 0; i < c.ListCount(); ++i)
            result << c.List(i);
        return result;
    }
    static void fill(CVantelCtrl& c, const QStringList& items) {
        for (const QString& t : items)
            c.AddItem(t);
    }

private slots:
    void addItemIndexKinds_data() {
        QTest::addColumn<QVariant>("index");
        QTest::addColumn<int>("expected"); // -1: error 381
        QTest::newRow("missing") << QVariant() << 3;
        QTest::newRow("minus one") << QVariant(-1) << 3;
        QTest::newRow("zero") << QVariant(0) << 0;
        QTest::newRow("count") << QVariant(3) << 3;
        QTest::newRow("count + 1") << QVariant(4) << -1;
        QTest::newRow("below -1") << QVariant(-2) << -1;
        QTest::newRow("16-bit") << QVariant::fromValue<short>(2) << 2;
        QTest::newRow("byte") << QVariant::fromValue<uchar>(1) << 1;
        QTest::newRow("double 1.9") << QVariant(1.9) << 1;
        QTest::newRow("double -0.7 truncates to 0") << QVariant(-0.7) << 0;
        QTest::newRow("single 2.5") << QVariant(2.5f) << 2;
        QTest::newRow("double -1.5 truncates to -1") << QVariant(-1.5) << 3;
        QTest::newRow("huge double") << QVariant(1e12) << -1;
        QTest::newRow("string") << QVariant(QStringLiteral("1")) << -1;
        QTest::newRow("boolean") << QVariant(true) << -1;
        QTest::newRow("64-bit") << QVariant(qint64(1)) << -1;
    }

    void addItemIndexKinds() {
        QFETCH(QVariant, index);
        QFETCH(int, expected);
        CVantelCtrl c;
        fill(c, {"a", "b", "c"});
        c.SetItemForeColor(1, 0x0000FF);
        if (expected < 0) {
            const QString before = vanteltest::snapshot(c);
            try {
                c.AddItem(QStringLiteral("new"), index);
                QFAIL("AddItem accepted the index");
            } catch (const VantelError& e) {
                QCOMPARE(e.number(), 381);
            }
            QCOMPARE(vanteltest::snapshot(c), before);
            return;
        }
        QCOMPARE(c.AddItem(QStringLiteral("new"), index), expected);
        QCOMPARE(c.NewIndex(), expected);
        QCOMPARE(c.ListCount(), 4);
        QCOMPARE(c.List(expected), QStringLiteral("new"));
        // The record went in at the same place: "b" still has its colour.
        const int b = texts(c).indexOf(QStringLiteral("b"));
        QCOMPARE(c.ItemForeColor(b), 0x0000FF);
        QCOMPARE(c.ItemForeColor(expected), -1);
    }

    void sortedListPlacesTextsWithoutIndex() {
        CVantelCtrl c;
        c.setAmbientUserMode(false);
        c.SetSorted(true);
        c.setAmbientUserMode(true);
        QCOMPARE(c.ListCount(), 0);
        c.AddItem(QStringLiteral("b"));
        QCOMPARE(c.AddItem(QStringLiteral("a")), 0);
        QCOMPARE(c.NewIndex(), 0);
        QCOMPARE(texts(c), QStringList({"a", "b"}));
        c.AddItem(QStringLiteral("C"));
        QCOMPARE(c.AddItem(QStringLiteral("B"), -1), 2);       // -1 sorts as well
        QCOMPARE(texts(c), QStringList({"a", "b", "B", "C"})); // no case, arrival order
        // An explicit index puts the text exactly there.
        QCOMPARE(c.AddItem(QStringLiteral("zz"), 0), 0);
        QCOMPARE(c.AddItem(QStringLiteral("aa"), 5), 5);
        QCOMPARE(texts(c), QStringList({"zz", "a", "b", "B", "C", "aa"}));
    }

    void unsortedListKeepsRecordsWithTheirEntries() {
        CVantelCtrl c;
        fill(c, {"one", "two", "three"});
        for (int i = 0; i < 3; ++i) {
            c.SetItemData(i, 100 + i);
            c.SetItemBackColor(i, 10 + i);
        }
        c.AddItem(QStringLiteral("zero"), 0);
        c.RemoveItem(2); // "two"
        QCOMPARE(texts(c), QStringList({"zero", "one", "three"}));
        QCOMPARE(c.ItemData(1), 100);
        QCOMPARE(c.ItemBackColor(1), 10);
        QCOMPARE(c.ItemData(2), 102);
        QCOMPARE(c.ItemBackColor(2), 12);
        QCOMPARE(c.ItemBackColor(0), -1);
    }

    void replacingATextKeepsTheRecordButNotTheData() {
        CVantelCtrl c;
        fill(c, {"a", "b", "c"});
        QPixmap picture(8, 8);
        picture.fill(Qt::red);
        c.SetItemImage(1, picture);
        c.SetItemForeColor(1, 0x123456);
        c.SetItemBackColor(1, 0x654321);
        c.SetSelectEnable(1, false);
        c.SetItemData(1, 77);
        c.SetSelected(1, true);
        c.SetItemDefHeight(25);

        c.SetList(1, QStringLiteral("b2"));
        QCOMPARE(c.List(1), QStringLiteral("b2"));
        QCOMPARE(c.ItemData(1), 0);
        QCOMPARE(c.Selected(1), false);
        QCOMPARE(c.ItemForeColor(1), 0x123456);
        QCOMPARE(c.ItemBackColor(1), 0x654321);
        QCOMPARE(c.ItemImage(1).cacheKey(), picture.cacheKey());
        QCOMPARE(c.SelectEnable(1), false);
        QCOMPARE(c.listBox()->itemHeight(1), 25);
        QCOMPARE(c.listBox()->itemHeight(0), 16);
        QCOMPARE(c.ListCount(), 3);

        c.SetList(2, QString());
        QCOMPARE(c.List(2), QString());
    }

    void removeAndClearAndNewIndex() {
        CVantelCtrl c;
        fill(c, {"a", "b", "c"});
        QCOMPARE(c.NewIndex(), 2);
        c.RemoveItem(0);
        QCOMPARE(c.NewIndex(), -1);
        QCOMPARE(texts(c), QStringList({"b", "c"}));
        c.AddItem(QStringLiteral("d"), 1);
        QCOMPARE(c.NewIndex(), 1);
        c.Clear();
        QCOMPARE(c.ListCount(), 0);
        QCOMPARE(c.NewIndex(), 1); // Clear leaves it
        // Clearing an empty list changes nothing, not even the modified flag.
        c.setModified(false);
        c.Clear();
        QVERIFY(!c.isModified());
        c.AddItem(QStringLiteral("x"));
        QCOMPARE(c.NewIndex(), 0);
        QCOMPARE(c.List(0), QStringLiteral("x"));
    }

    void perEntryColoursFontsPicturesAndData() {
        CVantelCtrl c;
        const QFont first = vanteltest::fixedFont(12);
        c.SetFont(first);
        c.AddItem(QStringLiteral("a"));
        QCOMPARE(c.ItemBackColor(0), -1);
        c.SetItemBackColor(0, 255);
        QCOMPARE(c.ItemBackColor(0), 255);
        c.SetItemBackColor(0, -1);
        QCOMPARE(c.ItemBackColor(0), -1);
        c.SetItemForeColor(0, qint32(SysColor::GrayText));
        QCOMPARE(quint32(c.ItemForeColor(0)), quint32(SysColor::GrayText));

        // The entry keeps a copy of the font the control had when it was added.
        c.SetFont(vanteltest::fixedFont(20));
        QCOMPARE(c.ItemFont(0).pixelSize(), 12);
        c.SetItemFont(0, std::nullopt);
        QCOMPARE(c.ItemFont(0).pixelSize(), 20);
        c.SetItemFont(0, vanteltest::fixedFont(9));
        QCOMPARE(c.ItemFont(0).pixelSize(), 9);

        QVERIFY(c.ItemImage(0).isNull());
        QPixmap picture(4, 4);
        c.SetItemImage(0, picture);
        QCOMPARE(c.ItemImage(0).cacheKey(), picture.cacheKey());
        c.SetItemImage(0, QPixmap());
        QVERIFY(c.ItemImage(0).isNull());

        c.SetItemData(0, -123456789);
        QCOMPARE(c.ItemData(0), -123456789);
        QCOMPARE(c.SelectEnable(0), true);
    }

    // Each entry shows the picture last given to it, however the pictures
    // came: one by one and replaced many times over, by a rewrite in another
    // order, appended beside entries given theirs one by one, or after a
    // removal.
    // Reorder moves each entry whole, or refuses an order that does not
    // name every position once and leaves the list as it was.
    void reorderMovesWholeEntriesOrNothing_data() {
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("reversed") << QList<int>{4, 3, 2, 1, 0} << true;
        QTest::newRow("rotated") << QList<int>{1, 2, 3, 4, 0} << true;
        QTest::newRow("unchanged") << QList<int>{0, 1, 2, 3, 4} << true;
        QTest::newRow("one short") << QList<int>{0, 1, 2, 3} << false;
        QTest::newRow("one too many") << QList<int>{0, 1, 2, 3, 4, 0} << false;
        QTest::newRow("a position twice") << QList<int>{0, 1, 2, 2, 4} << false;
        QTest::newRow("past the end") << QList<int>{0, 1, 2, 3, 5} << false;
        QTest::newRow("negative") << QList<int>{0, 1, 2, 3, -1} << false;
    }

    void reorderMovesWholeEntriesOrNothing() {
        QFETCH(QList<int>, order);
        QFETCH(bool, accepted);
        CVantelCtrl c;
        const std::vector<QPixmap> pictures = fillFiveMarked(c);
        const auto [error, unchanged] =
            errorOf(c, [&] { c.Reorder(std::vector<int>(order.cbegin(), order.cend())); });
        QCOMPARE(error, accepted ? 0 : 381);
        if (!accepted) {
            QVERIFY(unchanged);
            return;
        }
        for (int i = 0; i < 5; ++i) {
            const int was = order[i];
            QCOMPARE(c.List(i), QStringLiteral("e%1").arg(was));
            QCOMPARE(c.ItemData(i), 100 + was);
            QCOMPARE(c.ItemForeColor(i), 0x10 + was);
            QCOMPARE(c.ItemBackColor(i), was == 3 ? 0x30 : -1);
            QCOMPARE(c.ItemImage(i).cacheKey(), pictures[size_t(was % 2)].cacheKey());
            QCOMPARE(bool(c.record(i).font), was == 2);
            QVERIFY(!c.Selected(i));
        }
    }

    // SetTexts gives every entry a new text and nothing else, or refuses
    // texts that are not one per entry and leaves the list as it was.
    void setTextsChangesTextsAloneOrNothing_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("one per entry") << QStringList{"a", "b\tc", "d", "e", "f"} << true;
        QTest::newRow("an empty one") << QStringList{"a", "b", "", "d", "e"} << true;
        QTest::newRow("one short") << QStringList{"a", "b", "c", "d"} << false;
        QTest::newRow("one too many") << QStringList{"a", "b", "c", "d", "e", "f"} << false;
    }

    void setTextsChangesTextsAloneOrNothing() {
        QFETCH(QStringList, texts);
        QFETCH(bool, accepted);
        CVantelCtrl c;
        const std::vector<QPixmap> pictures = fillFiveMarked(c);
        const auto [error, unchanged] =
            errorOf(c, [&] { c.SetTexts(std::vector<QString>(texts.cbegin(), texts.cend())); });
        QCOMPARE(error, accepted ? 0 : 381);
        if (!accepted) {
            QVERIFY(unchanged);
            return;
        }
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(c.List(i), texts[i]);
            QCOMPARE(c.ItemData(i), 100 + i);
            QCOMPARE(c.ItemForeColor(i), 0x10 + i);
            QCOMPARE(c.ItemBackColor(i), i == 3 ? 0x30 : -1);
            QCOMPARE(c.ItemImage(i).cacheKey(), pictures[size_t(i % 2)].cacheKey());
            QCOMPARE(bool(c.record(i).font), i == 2);
            QCOMPARE(c.Selected(i), i == 1);
        }
    }

    void picturesStayWithTheirEntries_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("set one by one, replaced many times") << "replace";
        QTest::newRow("rewritten in reverse order") << "rewrite";
        QTest::newRow("appended beside pictures set one by one") << "append";
        QTest::newRow("after removing an entry") << "remove";
    }

    void picturesStayWithTheirEntries() {
        QFETCH(QString, how);
        std::vector<QPixmap> pictures;
        for (int n = 0; n < 6; ++n) {
            pictures.emplace_back(4, 4);
            pictures.back().fill(QColor(n * 40, 0, 0));
        }
        CVantelCtrl c;
        std::vector<CVantelCtrl::Entry> entries;
        for (int i = 0; i < 40; ++i)
            entries.push_back({QString::number(i), i, i % 3, CVantelCtrl::NoColor});
        c.AddItems(entries, pictures);
        std::vector<qint64> expected(entries.size());
        for (size_t i = 0; i < entries.size(); ++i)
            expected[i] = pictures[size_t(entries[i].picture)].cacheKey();
        if (how == u"replace") {
            for (int round = 0; round < 30; ++round) {
                for (int i = 0; i < c.ListCount(); ++i) {
                    QPixmap fresh(4, 4); // a new picture every time
                    fresh.fill(QColor(0, round, i));
                    c.SetItemImage(i, fresh);
                    expected[size_t(i)] = fresh.cacheKey();
                }
            }
        } else if (how == u"rewrite") {
            std::reverse(entries.begin(), entries.end());
            for (auto& entry : entries)
                entry.picture = 3 + entry.data % 3;
            c.SetItems(entries, pictures);
            for (size_t i = 0; i < entries.size(); ++i)
                expected[i] = pictures[size_t(entries[i].picture)].cacheKey();
        } else if (how == u"append") {
            QPixmap own(4, 4);
            own.fill(Qt::blue);
            c.SetItemImage(0, own);
            expected[0] = own.cacheKey();
            c.AddItems({{QStringLiteral("more"), 99, 5, CVantelCtrl::NoColor}}, pictures);
            expected.push_back(pictures[5].cacheKey());
            QCOMPARE(c.List(39), QStringLiteral("39"));
            QCOMPARE(c.List(40), QStringLiteral("more"));
            QCOMPARE(c.ItemData(40), 99);
        } else if (how == u"remove") {
            c.RemoveItem(0);
            expected.erase(expected.begin());
            c.SetItemImage(0, QPixmap());
            expected[0] = QPixmap().cacheKey();
        }
        QCOMPARE(c.ListCount(), int(expected.size()));
        for (int i = 0; i < c.ListCount(); ++i)
            QCOMPARE(c.ItemImage(i).cacheKey(), expected[size_t(i)]);
    }

    // How an entry came by its font, and the font size it shows after the
    // control's font changes from 12 to 20 pixels (and after a second change
    // to 30, which must not move an entry that kept 12).
    void entryFontAcrossControlFontChanges_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("afterFirst");
        QTest::addColumn<int>("afterSecond");
        QTest::newRow("AddItem") << "AddItem" << 12 << 12;
        QTest::newRow("AddItems") << "AddItems" << 12 << 12;
        QTest::newRow("SetBatch, the control's font") << "SetBatch 12" << 12 << 12;
        QTest::newRow("SetBatch, another font") << "SetBatch 9" << 9 << 9;
        QTest::newRow("SetItemFont the control's font") << "SetItemFont 12" << 12 << 12;
        QTest::newRow("SetItemFont another") << "SetItemFont 9" << 9 << 9;
        QTest::newRow("SetItemFont none follows") << "SetItemFont none" << 20 << 30;
        QTest::newRow("loaded properties") << "LoadProperties" << 12 << 12;
    }

    void entryFontAcrossControlFontChanges() {
        QFETCH(QString, how);
        QFETCH(int, afterFirst);
        QFETCH(int, afterSecond);
        CVantelCtrl c;
        c.SetFont(vanteltest::fixedFont(12));
        const std::vector<CVantelCtrl::Entry> entries{{QStringLiteral("a"), 1, -1}};
        if (how == u"AddItems") {
            c.AddItems(entries, {});
        } else if (how.startsWith(u"SetBatch")) {
            CVantelCtrl::Batch batch;
            batch.resize(entries.size());
            CVantelCtrl::SetInBatch(batch, 0, entries,
                                    vanteltest::fixedFont(how.endsWith(u"9") ? 9 : 12));
            c.SetBatch(std::move(batch), {});
        } else {
            c.AddItem(QStringLiteral("a"));
        }
        if (how == u"SetItemFont none")
            c.SetItemFont(0, std::nullopt);
        else if (how.startsWith(u"SetItemFont"))
            c.SetItemFont(0, vanteltest::fixedFont(how.endsWith(u"9") ? 9 : 12));
        const auto changeFont = [&](int pixels) {
            if (how != u"LoadProperties") {
                c.SetFont(vanteltest::fixedFont(pixels));
                return;
            }
            VantelPropertyBag bag;
            c.SaveProperties(bag);
            bag.write(QStringLiteral("Font"), vanteltest::fixedFont(pixels).toString());
            c.LoadProperties(bag);
        };
        changeFont(20);
        QCOMPARE(c.ItemFont(0).pixelSize(), afterFirst);
        changeFont(30);
        QCOMPARE(c.ItemFont(0).pixelSize(), afterSecond);
        QCOMPARE(c.Font().pixelSize(), 30);
    }

    void entriesBeyond16BitIndicesAreReachable() {
        CVantelCtrl c;
        for (int i = 0; i < 40000; ++i)
            c.AddItem(QString::number(i));
        c.SetItemData(39999, 5);
        c.SetItemForeColor(33000, 7);
        QCOMPARE(c.ItemData(39999), 5);
        QCOMPARE(c.ItemForeColor(33000), 7);
        QCOMPARE(c.List(32768), QStringLiteral("32768"));
    }

    void tabStopsAreSignExtendedAndNotModifying() {
        CVantelCtrl c;
        c.setModified(false);
        c.SetTabStops(199, -150);
        QCOMPARE(c.TabStops(199), short(-150));
        QVERIFY(!c.isModified());
        c.SetNumTabs(200);
        QCOMPARE(c.NumTabs(), short(200));
        QVERIFY(c.isModified());
    }

    void settersMarkTheControlModified() {
        CVantelCtrl c;
        c.AddItem(QStringLiteral("a"));
        const std::vector<std::function<void()>> setters = {
            [&] { c.SetHScroll(true); },         [&] { c.SetImageOffset(3); },
            [&] { c.SetTextOffset(3); },         [&] { c.SetItemDefHeight(20); },
            [&] { c.SetSelectStyle(1); },        [&] { c.SetVerticalTextAlign(2); },
            [&] { c.SetVerticalImageAlign(1); }, [&] { c.SetListIndex(0); },
            [&] { c.SetItemData(0, 1); },        [&] { c.SetSelectEnable(0, false); },
            [&] { c.SetList(0, "b"); },          [&] { c.SetBackColor(0); },
        };
        for (size_t i = 0; i < setters.size(); ++i) {
            c.setModified(false);
            setters[i]();
            QVERIFY2(c.isModified(), qPrintable(QString::number(i)));
        }
    }

    void columnsChangeOnlyBetweenPositiveValuesAtRunTime() {
        CVantelCtrl c;
        c.setAmbientUserMode(false);
        c.SetColumns(3);
        c.setAmbientUserMode(true);
        c.SetColumns(2);
        QCOMPARE(c.Columns(), short(2));
    }

    void designTimeShowsTheDisplayName() {
        CVantelCtrl c;
        c.SetItemDefHeight(30);
        c.setAmbientDisplayName(QStringLiteral("LstX_Files"));
        c.setAmbientUserMode(false);
        QCOMPARE(c.listBox()->count(), 1);
        QCOMPARE(c.listBox()->text(0), QStringLiteral("LstX_Files"));
        QCOMPARE(c.listBox()->itemHeight(0), 16);
        QVERIFY(!c.record(0).font);
        c.setAmbientDisplayName(QStringLiteral("Other"));
        QCOMPARE(c.listBox()->count(), 1);
        QCOMPARE(c.listBox()->text(0), QStringLiteral("Other"));
        // Back at run time the list starts empty.
        c.setAmbientUserMode(true);
        QCOMPARE(c.ListCount(), 0);
    }
};

QTEST_MAIN(TestVantelEntries)
#include "tst_vantelentries.moc"
