// Real key and mouse input on a shown control: the list's own selection
// behaviour in each mode and the events with their codes.
#include "vanteltestsupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <vantel/vantelctrl.h>
#include <vantel/vanteldispatch.h>
#include <vantel/virtualkeys.h>

class TestVantelEvents : public QObject {
    Q_OBJECT

    std::unique_ptr<CVantelCtrl> make(short mode = 0, int entries = 10) {
        auto c = std::make_unique<CVantelCtrl>();
        vanteltest::prepare(*c);
        if (mode != 0) {
            c->setAmbientUserMode(false);
            c->SetMultiSelect(mode);
            c->setAmbientUserMode(true);
        }
        const char* names[] = {"alpha", "bravo", "charlie", "delta", "echo"};
        for (int i = 0; i < entries; ++i)
            c->AddItem(QStringLiteral("%1 %2").arg(QLatin1String(names[i % 5])).arg(i));
        c->resize(200, 120);
        c->show();
        c->activateWindow();
        c->setFocus();
        if (!QTest::qWaitForWindowExposed(c.get()))
            return nullptr;
        return c;
    }

    static QPoint centreOf(CVantelCtrl& c, int index) {
        c.listBox()->updateLayoutNow();
        return c.listBox()->itemRect(index).center();
    }
    static QWidget* surface(CVantelCtrl& c) { return c.listBox()->viewport(); }
    static QWidget* keys(CVantelCtrl& c) { return c.listBox(); }

private slots:
    void downMovesTheSelectionAndReportsKeyCode40() {
        auto c = make();
        QVERIFY(c);
        c->SetListIndex(2);
        QList<QPair<short, short>> down, up;
        connect(c.get(), &CVantelCtrl::KeyDown, this, [&](short& code, short shift) {
            down.append({code, shift});
        });
        connect(c.get(), &CVantelCtrl::KeyUp, this, [&](short& code, short shift) {
            up.append({code, shift});
        });
        QTest::keyClick(keys(*c), Qt::Key_Down);
        QCOMPARE(c->ListIndex(), 3);
        QVERIFY(c->Selected(3));
        QCOMPARE(c->SelCount(), 1);
        QCOMPARE(down, (QList<QPair<short, short>>{{40, 0}}));
        QCOMPARE(up, (QList<QPair<short, short>>{{40, 0}}));
        QTest::keyClick(keys(*c), Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(c->ListIndex(), 2);
        // The Shift key itself goes down first, with its own code.
        QCOMPARE(down.mid(1), (QList<QPair<short, short>>{{16, 1}, {38, 1}}));
        QVERIFY(c->listBox()->hasFocus() || !QApplication::focusWidget());
    }

    void keyCodesSeenAndChangedByTheHandler() {
        auto c = make();
        QVERIFY(c);
        c->SetListIndex(5);
        QList<short> codes;
        short replacement = -1;
        connect(c.get(), &CVantelCtrl::KeyDown, this, [&](short& keyCode, short) {
            codes << keyCode;
            if (replacement >= 0)
                keyCode = replacement;
        });
        QTest::keyClick(keys(*c), Qt::Key_Delete);
        QTest::keyClick(keys(*c), Qt::Key_A);
        QTest::keyClick(keys(*c), Qt::Key_7);
        QTest::keyClick(keys(*c), Qt::Key_F2);
        QCOMPARE(codes, QList<short>({46, 65, 55, 113}));
        QCOMPARE(c->ListIndex(), 0); // "a" found "alpha 0" after the caret, wrapping

        c->SetListIndex(5);
        replacement = 0; // the handler swallows the key
        QTest::keyClick(keys(*c), Qt::Key_Down);
        QCOMPARE(c->ListIndex(), 5);
        replacement = VirtualKey::Up; // and turns Down into Up
        QTest::keyClick(keys(*c), Qt::Key_Down);
        QCOMPARE(c->ListIndex(), 4);
    }

    void keyPressCarriesTheCharacterByReference() {
        auto c = make();
        QVERIFY(c);
        c->SetListIndex(0);
        QList<short> chars;
        bool swallow = false;
        connect(c.get(), &CVantelCtrl::KeyPress, this, [&](short& keyAscii) {
            chars << keyAscii;
            if (swallow)
                keyAscii = 0;
        });
        QTest::keyClick(keys(*c), Qt::Key_D);
        QCOMPARE(chars.last(), short('d'));
        QCOMPARE(c->ListIndex(), 3); // "delta 3"
        swallow = true;
        QTest::keyClick(keys(*c), Qt::Key_B);
        QCOMPARE(c->ListIndex(), 3);
        QTest::keyClick(keys(*c), Qt::Key_Return);
        QCOMPARE(chars.last(), short(13));
    }

    void mouseEventsCarryButtonShiftAndPosition() {
        auto c = make();
        QVERIFY(c);
        QSignalSpy downs(c.get(), &CVantelCtrl::MouseDown);
        QSignalSpy ups(c.get(), &CVantelCtrl::MouseUp);
        QSignalSpy moves(c.get(), &CVantelCtrl::MouseMove);
        QSignalSpy clicks(c.get(), &CVantelCtrl::Click);
        const QPoint at = centreOf(*c, 1);
        const QPoint inControl = surface(*c)->mapTo(c.get(), at);
        QTest::mouseClick(surface(*c), Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier,
                          at);
        QCOMPARE(downs.count(), 1);
        const auto d = downs.at(0);
        QCOMPARE(d.at(0).value<short>(), short(2));
        QCOMPARE(d.at(1).value<short>(), short(3));
        QCOMPARE(d.at(2).toInt(), inControl.x());
        QCOMPARE(d.at(3).toInt(), inControl.y());
        QCOMPARE(ups.count(), 1);
        QCOMPARE(clicks.count(), 0);  // right button: no Click
        QCOMPARE(c->ListIndex(), -1); // and no selection

        QTest::mouseClick(surface(*c), Qt::LeftButton, Qt::AltModifier, at);
        QCOMPARE(downs.last().at(0).value<short>(), short(1));
        QCOMPARE(downs.last().at(1).value<short>(), short(4));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(c->ListIndex(), 1);

        QTest::mouseMove(surface(*c), centreOf(*c, 2));
        QVERIFY(!moves.isEmpty());
        QCOMPARE(moves.last().at(0).value<short>(), short(0));

        QTest::mousePress(surface(*c), Qt::MiddleButton, {}, at);
        QCOMPARE(downs.last().at(0).value<short>(), short(4));
        QTest::mouseRelease(surface(*c), Qt::MiddleButton, {}, at);
        QCOMPARE(ups.last().at(0).value<short>(), short(4));
    }

    void keysTheListDoesNotUseGoOnToTheContainer() {
        auto c = make();
        QVERIFY(c);
        int downs = 0;
        connect(c.get(), &CVantelCtrl::KeyDown, this, [&](short&, short) { ++downs; });
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(keys(*c), &enter);
        QVERIFY(!enter.isAccepted());
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(keys(*c), &down);
        QVERIFY(down.isAccepted());
        QCOMPARE(downs, 2);
    }

    void doubleClickRaisesDblClick() {
        auto c = make();
        QVERIFY(c);
        QSignalSpy dbl(c.get(), &CVantelCtrl::DblClick);
        QTest::mouseDClick(surface(*c), Qt::LeftButton, {}, centreOf(*c, 3));
        QCOMPARE(dbl.count(), 1);
        QCOMPARE(c->ListIndex(), 3);
    }

    void clickSelectsByMode() {
        // Single: a click moves the one selection.
        auto s = make(0);
        QVERIFY(s);
        QTest::mouseClick(surface(*s), Qt::LeftButton, {}, centreOf(*s, 1));
        QTest::mouseClick(surface(*s), Qt::LeftButton, Qt::ControlModifier, centreOf(*s, 4));
        QCOMPARE(s->SelCount(), 1);
        QCOMPARE(s->ListIndex(), 4);
        s.reset();

        // Simple: each click toggles.
        auto m = make(1);
        QVERIFY(m);
        QTest::mouseClick(surface(*m), Qt::LeftButton, {}, centreOf(*m, 1));
        QTest::mouseClick(surface(*m), Qt::LeftButton, {}, centreOf(*m, 3));
        QCOMPARE(m->SelCount(), 2);
        QTest::mouseClick(surface(*m), Qt::LeftButton, {}, centreOf(*m, 1));
        QCOMPARE(m->SelCount(), 1);
        QVERIFY(m->Selected(3));
        QTest::keyClick(keys(*m), Qt::Key_Down); // caret moves, selection stays
        QCOMPARE(m->ListIndex(), 2);
        QCOMPARE(m->SelCount(), 1);
        QTest::keyClick(keys(*m), Qt::Key_Space);
        QVERIFY(m->Selected(2));
        QCOMPARE(m->SelCount(), 2);
        m.reset();

        // Extended: click, shift-click range, control-click toggle.
        auto e = make(2);
        QVERIFY(e);
        QTest::mouseClick(surface(*e), Qt::LeftButton, {}, centreOf(*e, 1));
        QTest::mouseClick(surface(*e), Qt::LeftButton, Qt::ShiftModifier, centreOf(*e, 4));
        QCOMPARE(e->SelCount(), 4);
        QTest::mouseClick(surface(*e), Qt::LeftButton, Qt::ControlModifier, centreOf(*e, 2));
        QCOMPARE(e->SelCount(), 3);
        QVERIFY(!e->Selected(2));
        QTest::mouseClick(surface(*e), Qt::LeftButton, {}, centreOf(*e, 0));
        QCOMPARE(e->SelCount(), 1);
        QTest::keyClick(keys(*e), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(keys(*e), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(e->SelCount(), 3);
        QTest::keyClick(keys(*e), Qt::Key_Down);
        QCOMPARE(e->SelCount(), 1);
        QVERIFY(e->Selected(3));
    }

    void clickingAnUnselectableEntrySelectsItUnhighlighted() {
        auto c = make(2);
        QVERIFY(c);
        c->SetSelectStyle(1);
        c->SetSelectEnable(2, false);
        QTest::mouseClick(surface(*c), Qt::LeftButton, {}, centreOf(*c, 2));
        QVERIFY(c->Selected(2));
        QCOMPARE(c->SelCount(), 1);
        const QRect rect = c->listBox()->itemRect(2);
        const QImage image = surface(*c)->grab().toImage();
        QCOMPARE(image.pixelColor(rect.right() - 3, rect.center().y()), QColor(255, 255, 255));
        // A selectable one next to it shows the highlight.
        QTest::mouseClick(surface(*c), Qt::LeftButton, {}, centreOf(*c, 1));
        const QImage after = surface(*c)->grab().toImage();
        const QRect r1 = c->listBox()->itemRect(1);
        QCOMPARE(after.pixelColor(r1.right() - 3, r1.center().y()),
                 c->palette().color(QPalette::Active, QPalette::Highlight));
    }

    void disabledControlTakesNoInput() {
        auto c = make();
        QVERIFY(c);
        c->SetEnabled(false);
        QSignalSpy downs(c.get(), &CVantelCtrl::MouseDown);
        int keysDown = 0;
        connect(c.get(), &CVantelCtrl::KeyDown, this, [&](short&, short) { ++keysDown; });
        QTest::mouseClick(surface(*c), Qt::LeftButton, {}, centreOf(*c, 1));
        QTest::keyClick(keys(*c), Qt::Key_Down);
        QCOMPARE(downs.count(), 0);
        QCOMPARE(keysDown, 0);
        QCOMPARE(c->ListIndex(), -1);
        c->SetEnabled(true);
        QTest::mouseClick(surface(*c), Qt::LeftButton, {}, centreOf(*c, 1));
        QCOMPARE(downs.count(), 1);
    }

    void lateBoundEventsSeeAndChangeKeyCodes() {
        auto c = make();
        QVERIFY(c);
        c->SetListIndex(5);
        QList<int> ids;
        VantelDispatch::connectEvents(*c, [&](int id, QVariantList& p) {
            ids << id;
            if (id == VantelDispId::KeyDown && p.at(0).toInt() == VirtualKey::Down)
                p[0] = 0;
        });
        QTest::keyClick(keys(*c), Qt::Key_Down);
        QCOMPARE(c->ListIndex(), 5);
        QVERIFY(ids.contains(VantelDispId::KeyDown));
        QVERIFY(ids.contains(VantelDispId::KeyUp));
        c->SetListIndex(1);
        QCOMPARE(ids.last(), int(VantelDispId::Click));
    }
};

QTEST_MAIN(TestVantelEvents)
#include "tst_vantelevents.moc"
