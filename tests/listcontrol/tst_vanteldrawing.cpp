// How entries look: entries are rendered into images and their pixels are
// checked. The text uses a fixed font without antialiasing.
#include "vanteltestsupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <vantel/olecolor.h>
#include <vantel/vantelctrl.h>

using vanteltest::inkBounds;
using vanteltest::renderEntry;

namespace {
const QColor White(255, 255, 255);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

QPixmap solid(int w, int h, QColor color) {
    QPixmap p(w, h);
    p.fill(color);
    return p;
}

// Rectangle covered by exactly the given colour inside area.
QRect colourBounds(const QImage& image, const QRect& area, QColor color) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == color)
                box |= QRect(x, y, 1, 1);
    return box;
}
} // namespace

class TestVantelDrawing : public QObject {
    Q_OBJECT
private slots:
    void pictureAndTextPositions() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("HH"));
        c.SetItemImage(0, solid(32, 16, Red));
        c.SetImageOffset(2);
        c.SetTextOffset(40);
        c.SetVerticalImageAlign(1);
        const int left = 10;
        const QRect entry(left, 100, 200, 20);
        const QImage image = renderEntry(c, 0, entry, 0);
        QCOMPARE(colourBounds(image, image.rect(), Red),
                 QRect(QPoint(left + 2, 102), QPoint(left + 33, 117)));
        const QRect text = inkBounds(image, entry, White, Red);
        QVERIFY2(text.left() >= left + 40 && text.left() <= left + 43,
                 qPrintable(QString::number(text.left())));
        // Outside the entry nothing was touched.
        QCOMPARE(inkBounds(image, QRect(0, 0, 240, 100), QColor(0, 255, 0)), QRect());

        // Without the picture the text starts at the entry's left edge.
        c.SetItemImage(0, QPixmap());
        const QRect bare = inkBounds(renderEntry(c, 0, entry, 0), entry, White);
        QVERIFY2(bare.left() >= left && bare.left() <= left + 3,
                 qPrintable(QString::number(bare.left())));
        QCOMPARE(bare.width(), text.width());
    }

    void imageAlignment() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QString());
        c.SetItemImage(0, solid(8, 6, Red));
        const QRect entry(0, 50, 100, 21);
        const int expectedTop[] = {50, 50 + (21 - 6) / 2, 50 + 21 - 6};
        for (short align = 0; align < 3; ++align) {
            c.SetVerticalImageAlign(align);
            const QImage image = renderEntry(c, 0, entry, 0);
            QCOMPARE(colourBounds(image, image.rect(), Red).top(), expectedTop[align]);
        }
    }

    void textAlignmentOffsets() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("Hx"));
        const QRect entry(0, 40, 120, 30);
        const int th = QFontMetrics(vanteltest::fixedFont()).height();
        int tops[3];
        for (short align = 0; align < 3; ++align) {
            c.SetVerticalTextAlign(align);
            tops[align] = inkBounds(renderEntry(c, 0, entry, 0), entry, White).top();
        }
        QCOMPARE(tops[1] - tops[0], (30 - th) / 2);
        QCOMPARE(tops[2] - tops[0], 30 - th);
    }

    void negativeTabStopRightAlignsTheColumn() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("a\tb\t12345"));
        c.AddItem(QStringLiteral("a\tb\t7"));
        c.SetNumTabs(2);
        c.SetTabStops(0, 60);
        c.SetTabStops(1, -150);
        const QFontMetrics fm(vanteltest::fixedFont());
        for (int i = 0; i < 2; ++i) {
            const QRect entry(0, 20, 200, 20);
            const QImage image = renderEntry(c, i, entry, 0);
            const QRect right = inkBounds(image, QRect(100, 20, 100, 20), White);
            QVERIFY2(right.right() <= 149 && right.right() >= 146,
                     qPrintable(QString::number(right.right())));
            const QRect middle = inkBounds(image, QRect(55, 20, 30, 20), White);
            QVERIFY2(middle.left() >= 60 && middle.left() <= 62,
                     qPrintable(QString::number(middle.left())));
        }
        QCOMPARE(c.WidestText(), short(150));
    }

    void defaultTabsAndWidestText() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("a\tb"));
        c.AddItem(QString());
        const QFontMetrics fm(vanteltest::fixedFont());
        const int step = 8 * fm.averageCharWidth();
        const QImage image = renderEntry(c, 0, QRect(0, 0, 240, 20), 0);
        const QRect b = inkBounds(image, QRect(step - 2, 0, 40, 20), White);
        QVERIFY(b.left() >= step && b.left() <= step + 2);
        QCOMPARE(int(c.WidestText()), step + fm.horizontalAdvance(QLatin1Char('b')));
        // An empty text draws nothing and leaves the widest text as it was.
        const short widest = c.WidestText();
        const QImage empty = renderEntry(c, 1, QRect(0, 0, 240, 20), 0);
        QCOMPARE(inkBounds(empty, QRect(0, 0, 240, 20), White), QRect());
        QCOMPARE(c.WidestText(), widest);
        c.SetHScroll(true);
        QCOMPARE(c.listBox()->horizontalExtent(), int(widest));
        c.SetHScroll(false);
        QCOMPARE(c.listBox()->horizontalExtent(), 0);
    }

    void selectionStyles() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("H"));
        c.SetItemBackColor(0, qint32(oleRgb(255, 0, 0)));
        const QRect entry(0, 0, 100, 20);
        const QPoint bg(90, 10);

        // Invert: drawn in its own colours, then inverted (red -> cyan).
        c.SetSelectStyle(0);
        QImage image = renderEntry(c, 0, entry, VantelDrawRequest::Selected);
        QCOMPARE(image.pixelColor(bg), QColor(0, 255, 255));
        QVERIFY(!inkBounds(image, entry, QColor(0, 255, 255)).isEmpty()); // inverted text
        QCOMPARE(inkBounds(image, entry, QColor(0, 255, 255), White), QRect());

        // Standard: the system highlight colours.
        c.SetSelectStyle(1);
        image = renderEntry(c, 0, entry, VantelDrawRequest::Selected);
        const QPalette pal = c.palette();
        QCOMPARE(image.pixelColor(bg), pal.color(QPalette::Active, QPalette::Highlight));
        const QRect text =
            inkBounds(image, entry, pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(image.pixelColor(text.center()).rgb() & 0xFFFFFF,
                 pal.color(QPalette::Active, QPalette::HighlightedText).rgb() & 0xFFFFFF);

        // Selected and disabled is still shown selected; with the focus flag
        // it is not.
        image = renderEntry(c, 0, entry, VantelDrawRequest::Selected | VantelDrawRequest::Disabled);
        QCOMPARE(image.pixelColor(bg), pal.color(QPalette::Active, QPalette::Highlight));
        image = renderEntry(c, 0, entry, VantelDrawRequest::Selected | VantelDrawRequest::Focus);
        QCOMPARE(image.pixelColor(bg), Red);
    }

    void unselectableEntryIsDrawnUnhighlighted() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("H"));
        c.SetItemForeColor(0, qint32(oleRgb(0, 0, 128)));
        c.SetSelectEnable(0, false);
        const QRect entry(0, 0, 100, 20);
        for (short style = 0; style < 2; ++style) {
            c.SetSelectStyle(style);
            const QImage image = renderEntry(c, 0, entry, VantelDrawRequest::Selected);
            QCOMPARE(image.pixelColor(90, 10), White);
            const QRect text = inkBounds(image, entry, White);
            QVERIFY(!text.isEmpty());
            QVERIFY(!colourBounds(image, text, QColor(0, 0, 128)).isEmpty());
        }
    }

    void absentColoursUseTheControlsAndSystemColoursTranslate() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("a"));
        c.SetItemBackColor(0, 255);
        QCOMPARE(renderEntry(c, 0, QRect(0, 0, 50, 16), 0).pixelColor(40, 8), Red);
        c.SetItemBackColor(0, -1);
        QCOMPARE(renderEntry(c, 0, QRect(0, 0, 50, 16), 0).pixelColor(40, 8), White);
        c.SetBackColor(SysColor::ButtonFace);
        QCOMPARE(renderEntry(c, 0, QRect(0, 0, 50, 16), 0).pixelColor(40, 8),
                 c.palette().color(QPalette::Button));
    }

    void focusChangeDrawsOnlyTheFocusRectangle() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("H"));
        QImage image(60, 30, QImage::Format_RGB32);
        image.fill(White);
        QPainter painter(&image);
        VantelDrawRequest request{0, VantelDrawRequest::FocusChange, VantelDrawRequest::Focus,
                                  &painter, QRect(5, 5, 40, 16)};
        c.DrawItem(request);
        painter.end();
        QCOMPARE(inkBounds(image, image.rect(), White), QRect(5, 5, 40, 16));
        QCOMPARE(image.pixelColor(20, 12), White); // inside untouched
    }

    void textIsClippedToTheEntryAtRunTimeOnly() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("WWWWWWWWWWWWWWWW"));
        const QRect entry(0, 0, 30, 20);
        QImage image = renderEntry(c, 0, entry, 0, QSize(240, 40));
        QCOMPARE(inkBounds(image, QRect(30, 0, 210, 40), QColor(0, 255, 0)), QRect());
        c.setAmbientUserMode(false);
        c.setAmbientDisplayName(QStringLiteral("WWWWWWWWWWWWWWWW"));
        image = renderEntry(c, 0, entry, 0, QSize(240, 40));
        QVERIFY(!inkBounds(image, QRect(30, 0, 210, 40), QColor(0, 255, 0)).isEmpty());
    }

    void multiColumnWidths() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.setAmbientUserMode(false);
        c.SetColumns(4);
        c.setAmbientUserMode(true);
        c.resize(403, 80);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCOMPARE(c.listBox()->columnWidth(), 100);
        for (int i = 0; i < 20; ++i)
            c.AddItem(QStringLiteral("%1").arg(i));
        VantelListBox* list = c.listBox();
        const int rows = list->rowsPerColumn();
        c.SetItemBackColor(rows, qint32(oleRgb(255, 0, 0))); // top of the second column
        list->updateLayoutNow();
        QCOMPARE(list->itemRect(rows).topLeft(), QPoint(100, 0));
        const QImage image = list->viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(150, 8), Red);
        QCOMPARE(image.pixelColor(50, 8), White);
        QCOMPARE(image.pixelColor(250, 8), White);
        // A resize at run time sets the width again.
        c.resize(300, 80);
        QCOMPARE(list->columnWidth(), 75);
    }

    void emptyListShowsOnlyTheBackground() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.SetBackColor(oleRgb(0, 128, 0));
        c.resize(120, 90);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        const QImage image = c.listBox()->viewport()->grab().toImage();
        QCOMPARE(inkBounds(image, image.rect(), QColor(0, 128, 0)), QRect());

        // A painted list: entries from the top, background below them.
        c.AddItem(QStringLiteral("H"));
        c.SetItemBackColor(0, 255);
        const QImage filled = c.listBox()->viewport()->grab().toImage();
        QCOMPARE(filled.pixelColor(60, 8), Red);
        QCOMPARE(filled.pixelColor(60, 40), QColor(0, 128, 0));

        // Painting onto a foreign surface leaves room for the border.
        QImage printed(120, 90, QImage::Format_RGB32);
        printed.fill(Black);
        QPainter painter(&printed);
        c.PaintControl(painter, printed.rect(), false);
        painter.end();
        const int frame = c.listBox()->frameWidth();
        QCOMPARE(printed.pixelColor(0, 0), QColor(0, 128, 0));
        QCOMPARE(printed.pixelColor(frame + 50, frame + 8), Red);
        QCOMPARE(printed.pixelColor(frame + 50, frame + 17), QColor(0, 128, 0));
    }

    void scrolledColumnsMoveWithTheirText() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.resize(200, 80);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.SetHScroll(true);
        c.SetNumTabs(2);
        c.SetTabStops(0, 150);
        c.SetTabStops(1, 400);
        c.AddItem(QStringLiteral("a\tb\tc"));
        VantelListBox* list = c.listBox();
        list->viewport()->repaint(); // drawing finds the widest text
        QVERIFY(c.WidestText() > 400);
        list->updateLayoutNow();
        QCOMPARE(list->horizontalExtent(), int(c.WidestText()));
        QVERIFY(list->horizontalScrollBar()->maximum() > 200);
        list->horizontalScrollBar()->setValue(100);
        const QImage image = list->viewport()->grab().toImage();
        const QRect b = inkBounds(image, QRect(20, 0, 100, 16), White);
        QVERIFY2(b.left() >= 50 && b.left() <= 52, qPrintable(QString::number(b.left())));
        const QRect cc = inkBounds(image, QRect(280, 0, image.width() - 280, 16), White);
        QVERIFY2(cc.left() >= 300 || cc.isEmpty(), qPrintable(QString::number(cc.left())));
    }

    void integralHeightShowsWholeEntries() {
        CVantelCtrl c;
        c.setAmbientUserMode(false);
        c.SetIntegralHeight(true);
        c.SetItemDefHeight(17);
        c.setAmbientUserMode(true);
        c.resize(100, 100);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        const int viewportHeight = c.listBox()->viewport()->height();
        QCOMPARE(viewportHeight % 17, 0);
    }

    // Item colours chosen for a light list stay as they are there, and are
    // turned into ones that read on a dark palette's background.
    void itemColoursReadOnDarkPalettes() {
        const QColor navy(0, 0, 128);
        struct Case {
            QColor background;
            bool keepsColour;
        } cases[] = {{White, true}, {QColor(30, 30, 30), false}};
        for (const Case& test : cases) {
            CVantelCtrl c;
            vanteltest::prepare(c);
            QPalette dark = c.palette();
            for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
                dark.setColor(role, test.background);
            dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
            dark.setColor(QPalette::Text, QColor(230, 230, 230));
            c.setPalette(dark);
            c.SetBackColor(SysColor::Window); // the list follows the palette
            c.AddItem(QStringLiteral("HHHH"));
            c.SetItemForeColor(0, toOleColor(navy));
            const QRect entry(0, 0, 240, 20);
            const QImage image = renderEntry(c, 0, entry, 0);
            QVERIFY(!inkBounds(image, entry, test.background).isEmpty());
            QCOMPARE(!colourBounds(image, entry, navy).isEmpty(), test.keepsColour);
            // The strongest ink pixel stands out from the background.
            double best = 1;
            const auto lum = [](const QColor& k) {
                return 0.2126 * k.redF() + 0.7152 * k.greenF() + 0.0722 * k.blueF();
            };
            for (int y = entry.top(); y <= entry.bottom(); ++y)
                for (int x = entry.left(); x <= entry.right(); ++x) {
                    const double a = lum(image.pixelColor(x, y)), b = lum(test.background);
                    best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
                }
            QVERIFY2(best >= 3, qPrintable(QString::number(best)));
        }
    }

    void readableColours_data() {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("drawn");
        QTest::newRow("navy on white stays") << QColor(0, 0, 128) << White << QColor(0, 0, 128);
        QTest::newRow("white on black stays") << White << Black << White;
        QTest::newRow("black on black turns white") << Black << Black << White;
        QTest::newRow("grey on grey gives black")
            << QColor(128, 128, 128) << QColor(140, 140, 140) << Black;
    }

    void readableColours() {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(QColor, drawn);
        QCOMPARE(readableOn(text, background).rgb(), drawn.rgb());
    }

    // A picture drawn for a screen scaled 200 % takes its design size.
    void scaledPictureTakesItsDesignSize() {
        CVantelCtrl c;
        vanteltest::prepare(c);
        c.AddItem(QStringLiteral("H"));
        QPixmap sharp = solid(32, 32, Red);
        sharp.setDevicePixelRatio(2);
        c.SetItemImage(0, sharp);
        c.SetImageOffset(0);
        c.SetVerticalImageAlign(0);
        const QImage image = renderEntry(c, 0, QRect(0, 0, 240, 20), 0);
        QCOMPARE(colourBounds(image, image.rect(), Red).size(), QSize(16, 16));
    }
};

QTEST_MAIN(TestVantelDrawing)
#include "tst_vanteldrawing.moc"
