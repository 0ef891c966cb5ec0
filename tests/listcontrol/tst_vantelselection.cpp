// Selected, SelCount, ListIndex and Text in the three selection modes, and
// how the selection follows inserted and removed entries.
#include "vanteltestsupport.h"

#include <QSignalSpy>
#include <QTest>
#include <vantel/vantelctrl.h>

class TestVantelSelection : public QObject {
    Q_OBJECT

    static void make(CVantelCtrl& c, short mode, int entries = 5) {
        if (mode != 0) {
            c.setAmbientUserMode(false);
            c.SetMultiSelect(mode);
            c.setAmbientUserMode(true);
        }
        for (int i = 0; i < entries; ++i)
            c.AddItem(QStringLiteral("item %1").arg(i));
    }

private slots:
    void singleSelection() {
        CVantelCtrl c;
        make(c, 0);
        QCOMPARE(c.ListIndex(), -1);
        QCOMPARE(c.SelCount(), 0);
        QCOMPARE(c.Text(), QString());
        c.SetSelected(2, true);
        QCOMPARE(c.ListIndex(), 2);
        QCOMPARE(c.SelCount(), 1);
        QCOMPARE(c.Text(), QStringLiteral("item 2"));
        c.SetSelected(3, true); // moves the one selection
        QVERIFY(!c.Selected(2));
        QVERIFY(c.Selected(3));
        QCOMPARE(c.SelCount(), 1);
        c.SetSelected(1, false); // not the selected one: nothing happens
        QCOMPARE(c.ListIndex(), 3);
        c.SetSelected(3, false); // deselects it
        QCOMPARE(c.ListIndex(), -1);
        QCOMPARE(c.SelCount(), 0);
        c.SetListIndex(4);
        QVERIFY(c.Selected(4));
        QCOMPARE(c.Text(), QStringLiteral("item 4"));
        c.SetListIndex(-1);
        QCOMPARE(c.SelCount(), 0);
        QCOMPARE(c.ListIndex(), -1);
    }

    void multipleSelection_data() {
        QTest::addColumn<short>("mode");
        QTest::newRow("simple") << short(1);
        QTest::newRow("extended") << short(2);
    }

    void multipleSelection() {
        QFETCH(short, mode);
        CVantelCtrl c;
        make(c, mode);
        c.SetSelected(0, true);
        c.SetSelected(3, true);
        c.SetSelected(4, true);
        QCOMPARE(c.SelCount(), 3);
        c.SetSelected(3, false);
        QCOMPARE(c.SelCount(), 2);
        QVERIFY(c.Selected(0) && c.Selected(4) && !c.Selected(3));
        // ListIndex moves the caret only; the selection stays.
        c.SetListIndex(2);
        QCOMPARE(c.ListIndex(), 2);
        QCOMPARE(c.Text(), QStringLiteral("item 2"));
        QCOMPARE(c.SelCount(), 2);
        QVERIFY(!c.Selected(2));
    }

    void settingListIndexRaisesClickOnce() {
        CVantelCtrl c;
        make(c, 0);
        QSignalSpy clicks(&c, &CVantelCtrl::Click);
        int seenIndex = -5;
        connect(&c, &CVantelCtrl::Click, this, [&] { seenIndex = c.ListIndex(); });
        c.SetListIndex(3);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(seenIndex, 3); // already current inside the handler
        try {
            c.SetListIndex(5);
            QFAIL("accepted");
        } catch (const VantelError& e) {
            QCOMPARE(e.number(), 381);
        }
        QCOMPARE(clicks.count(), 1);
    }

    void selectionFollowsInsertedAndRemovedEntries() {
        CVantelCtrl c;
        make(c, 0);
        c.SetListIndex(2);
        c.AddItem(QStringLiteral("new"), 0);
        QCOMPARE(c.ListIndex(), 3);
        QCOMPARE(c.Text(), QStringLiteral("item 2"));
        c.RemoveItem(0);
        QCOMPARE(c.ListIndex(), 2);
        c.RemoveItem(2);
        QCOMPARE(c.ListIndex(), -1);

        CVantelCtrl m;
        make(m, 2);
        m.SetSelected(1, true);
        m.SetSelected(3, true);
        m.AddItem(QStringLiteral("front"), 0);
        QVERIFY(m.Selected(2) && m.Selected(4));
        m.RemoveItem(2);
        QCOMPARE(m.SelCount(), 1);
        QVERIFY(m.Selected(3));
        m.Clear();
        QCOMPARE(m.SelCount(), 0);
    }

    void unselectableEntriesStillSelect() {
        CVantelCtrl c;
        make(c, 2);
        c.SetSelectEnable(1, false);
        c.SetSelected(1, true);
        QVERIFY(c.Selected(1));
        QCOMPARE(c.SelCount(), 1);
    }

    void topIndexScrolls() {
        CVantelCtrl c;
        c.resize(200, 100);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        make(c, 0, 50);
        c.SetTopIndex(10);
        QCOMPARE(c.TopIndex(), 10);
        c.SetTopIndex(49); // as far as a full page allows
        QVERIFY(c.TopIndex() < 49 && c.TopIndex() > 40);
        c.SetListIndex(0);
        QCOMPARE(c.TopIndex(), 0);
    }
};

QTEST_MAIN(TestVantelSelection)
#include "tst_vantelselection.moc"
