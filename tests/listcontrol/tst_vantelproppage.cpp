// The property page, the property frame of the Properties verb and the
// about box, driven without waiting on them.
#include "vanteltestsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <vantel/vantelaboutbox.h>
#include <vantel/vantelctrl.h>
#include <vantel/vanteldispatch.h>
#include <vantel/vantelpropertyframe.h>
#include <vantel/vantelproppage.h>

namespace {

QComboBox* combo(CVantelPropPage& page, int id) {
    return qobject_cast<QComboBox*>(page.field(id));
}
QLineEdit* edit(CVantelPropPage& page, int id) {
    return qobject_cast<QLineEdit*>(page.field(id));
}
QStringList items(QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestVantelPropPage : public QObject {
    Q_OBJECT
private slots:
    void pageStartsAtZeroWithItsFieldsInPlace() {
        CVantelPropPage page;
        QCOMPARE(page.windowTitle(), QStringLiteral("Vantel Property Page"));
        QCOMPARE(page.caption(), QStringLiteral("General"));
        for (int id = 203; id <= 212; ++id) {
            QVERIFY(page.field(id));
            QCOMPARE(page.fieldValue(id), 0);
        }
        QCOMPARE(edit(page, CVantelPropPage::IdImageOffset)->text(), QStringLiteral("0"));
        QCOMPARE(items(combo(page, CVantelPropPage::IdMultiSelect)),
                 QStringList({"0 - None", "1 - Simple", "2 - Extended"}));
        QCOMPARE(items(combo(page, CVantelPropPage::IdSelectStyle)),
                 QStringList({"0 - Invert", "1 - Standard"}));
        QCOMPARE(items(combo(page, CVantelPropPage::IdVerticalTextAlign)),
                 QStringList({"0 - Top", "1 - Center", "2 - Bottom"}));
        QCOMPARE(qobject_cast<QCheckBox*>(page.field(CVantelPropPage::IdHScroll))->text(),
                 QStringLiteral("Hscroll"));

        // Laid out in dialog units of the page's font: the page is 329 x 116
        // units, the right column starts at 229 units, the edit boxes are 12
        // units high, and the columns line up.
        const QFontMetrics fm(page.font());
        const int baseX = (fm.horizontalAdvance(QStringLiteral(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                               26 +
                           1) /
                          2;
        QCOMPARE(page.width(), (329 * baseX + 2) / 4);
        QCOMPARE(page.height(), (116 * fm.height() + 4) / 8);
        const QRect image = page.field(CVantelPropPage::IdImageOffset)->geometry();
        const QRect text = page.field(CVantelPropPage::IdTextOffset)->geometry();
        const QRect columns = page.field(CVantelPropPage::IdColumns)->geometry();
        QCOMPARE(text.x(), (229 * baseX + 2) / 4);
        QCOMPARE(image.height(), (12 * fm.height() + 4) / 8);
        QCOMPARE(text.y(), image.y());
        QCOMPARE(columns.x(), image.x());
        QVERIFY(columns.y() > page.field(CVantelPropPage::IdItemDefHeight)->geometry().bottom());
        auto* label = page.findChild<QLabel*>();
        QVERIFY(label && label->buddy());
    }

    void pageShowsAndAppliesTheControlsProperties() {
        CVantelCtrl control;
        control.setAmbientUserMode(false);
        control.SetMultiSelect(2);
        control.SetTextOffset(18);
        control.SetHScroll(true);
        control.SetVerticalTextAlign(1);
        CVantelPropPage page;
        page.setObjects({&control});
        page.show();
        QCOMPARE(combo(page, CVantelPropPage::IdMultiSelect)->currentText(),
                 QStringLiteral("2 - Extended"));
        QCOMPARE(combo(page, CVantelPropPage::IdVerticalTextAlign)->currentText(),
                 QStringLiteral("1 - Center"));
        QCOMPARE(edit(page, CVantelPropPage::IdTextOffset)->text(), QStringLiteral("18"));
        QVERIFY(qobject_cast<QCheckBox*>(page.field(CVantelPropPage::IdHScroll))->isChecked());
        QCOMPARE(edit(page, CVantelPropPage::IdItemDefHeight)->text(), QStringLiteral("16"));
        QVERIFY(!page.isDirty());

        QComboBox* multi = combo(page, CVantelPropPage::IdMultiSelect);
        multi->setCurrentIndex(multi->findText(QStringLiteral("0 - None")));
        QVERIFY(page.isDirty());
        QCOMPARE(control.MultiSelect(), short(2)); // nothing is written before Apply
        QVERIFY(page.apply());
        QCOMPARE(control.MultiSelect(), short(0));
        QCOMPARE(control.listBox()->selectionMode(), 0);
        QCOMPARE(page.fieldValue(CVantelPropPage::IdMultiSelect), 0);
        QVERIFY(!page.isDirty());
    }

    void changedFieldsGoToEveryControl() {
        // At run time MultiSelect and Sorted cannot be set: a page that
        // wrote every field would fail; only the changed ones are written.
        CVantelCtrl a;
        CVantelCtrl b;
        CVantelPropPage page;
        page.setObjects({&a, &b});
        edit(page, CVantelPropPage::IdImageOffset)->setText(QStringLiteral("5"));
        combo(page, CVantelPropPage::IdSelectStyle)->setCurrentIndex(1);
        QVERIFY(page.apply());
        QCOMPARE(a.ImageOffset(), short(5));
        QCOMPARE(b.ImageOffset(), short(5));
        QCOMPARE(b.SelectStyle(), short(1));
        QVERIFY(page.lastError().isEmpty());
    }

    void rejectedValueIsReportedByTheControl() {
        CVantelCtrl control;
        control.SetTextOffset(3);
        CVantelPropPage page;
        page.setObjects({&control});
        page.show();
        edit(page, CVantelPropPage::IdTextOffset)->setText(QStringLiteral("-4"));
        QVERIFY(!page.apply());
        QVERIFY2(page.lastError().startsWith(QLatin1String("Invalid property value")),
                 qPrintable(page.lastError()));
        QCOMPARE(control.TextOffset(), short(3));
        QVERIFY(page.isDirty());
        auto* box = page.findChild<QMessageBox*>();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), page.lastError());
        box->close();

        // Setting Sorted at run time: the control's 383.
        qobject_cast<QCheckBox*>(page.field(CVantelPropPage::IdSorted))->setChecked(true);
        edit(page, CVantelPropPage::IdTextOffset)->setText(QStringLiteral("4"));
        QVERIFY(!page.apply());
        QVERIFY(page.lastError().startsWith(QLatin1String("Property cannot be set")));
        QCOMPARE(control.TextOffset(), short(4)); // written before Sorted in exchange order

        // Text that is not a number never reaches the control.
        edit(page, CVantelPropPage::IdColumns)->setText(QStringLiteral("two"));
        QVERIFY(!page.apply());
        QVERIFY(page.lastError().contains(QLatin1String("Columns")));
    }

    void propertiesVerbOpensThePagesInOrder() {
        CVantelCtrl control;
        control.setAmbientUserMode(false);
        control.setAmbientDisplayName(QStringLiteral("Vantel1"));
        VantelPropertyFrame* frame = control.OpenPropertyFrame();
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->windowTitle(), QStringLiteral("Vantel1 Properties"));
        QCOMPARE(frame->pageCount(), 3);
        QCOMPARE(frame->tabs()->tabText(0), QStringLiteral("General"));
        QCOMPARE(frame->tabs()->tabText(1), QStringLiteral("Font"));
        QCOMPARE(frame->tabs()->tabText(2), QStringLiteral("Color"));
        auto* page = qobject_cast<CVantelPropPage*>(frame->page(0));
        QVERIFY(page);
        qobject_cast<QCheckBox*>(page->field(CVantelPropPage::IdSorted))->setChecked(true);
        frame->applyButton()->click();
        QVERIFY(control.Sorted());
        QPointer<VantelPropertyFrame> guard(frame);
        frame->close();
        QTRY_VERIFY(!guard);
        QCOMPARE(control.DoVerb(0), qint32(0x80040180u));
    }

    void aboutBox() {
        CVantelAboutBox box;
        box.show();
        QCOMPARE(box.windowTitle(), QStringLiteral("About Vantel Custom Control"));
        QCOMPARE(box.findChild<QLabel*>(QStringLiteral("version"))->text(),
                 QStringLiteral("Vantel Control, Version 1.0"));
        QVERIFY(!box.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().isNull());
        auto* ok = box.findChild<QPushButton*>(QStringLiteral("ok"));
        QCOMPARE(ok->property("controlId").toInt(), 1);
        QVERIFY(ok->geometry().left() > box.width() / 2);
        ok->click();
        QCOMPARE(box.result(), int(QDialog::Accepted));

        // The AboutBox member shows it modally; close it from inside.
        CVantelCtrl control;
        bool seen = false;
        QTimer::singleShot(0, [&seen] {
            auto* modal = qobject_cast<CVantelAboutBox*>(QApplication::activeModalWidget());
            seen = modal != nullptr;
            if (modal)
                modal->accept();
        });
        VantelDispatch(control).call(QStringLiteral("AboutBox"));
        QVERIFY(seen);
    }
};

QTEST_MAIN(TestVantelPropPage)
#include "tst_vantelproppage.moc"
