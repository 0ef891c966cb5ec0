#include "file_icons.h"

#include "file_images.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {

const QColor kInk(40, 40, 40);

// A whole number, so that one pixel of the design covers whole pixels.
qreal pixelRatio() {
    return qGuiApp ? std::ceil(qGuiApp->devicePixelRatio()) : 1.0;
}

QImage blankImage(int w, int h) {
    const qreal ratio = pixelRatio();
    QImage img(int(w * ratio), int(h * ratio), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::transparent);
    return img;
}

// A page with a folded corner, the base of several icons.
void drawPage(QPainter& p) {
    QPolygonF page({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}});
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawLine(QPointF(10, 1), QPointF(10, 4));
    p.drawLine(QPointF(10, 4), QPointF(13, 4));
}

void drawTextLines(QPainter& p, const QColor& color, int from, int to) {
    p.setPen(QPen(color, 1));
    for (int y = from; y <= to; y += 2)
        p.drawLine(5, y, 11, y);
}

void drawProgram(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, QColor(0, 0, 128));
    p.fillRect(11, 4, 2, 1, Qt::white);
}

void drawPaintPot(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0, 128, 128));
    p.drawRect(2, 8, 8, 6);
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QRectF(1.5, 6.5, 9, 3));
    p.setPen(QPen(QColor(128, 64, 0), 2));
    p.drawLine(8, 7, 13, 1);
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(5, 7, 7, 1);
}

void drawForm(QPainter& p) {
    drawPage(p);
    p.setPen(QPen(QColor(128, 0, 0), 1));
    p.setBrush(Qt::NoBrush);
    for (int y = 6; y <= 12; y += 3)
        p.drawRect(5, y, 6, 2);
}

void drawArchive(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(220, 190, 120));
    p.drawRect(2, 3, 12, 11);
    p.setBrush(QColor(128, 0, 128));
    p.drawRect(7, 3, 2, 11);
    p.fillRect(6, 8, 4, 2, QColor(240, 220, 0));
}

void drawSignBoard(QPainter& p) {
    p.setPen(QPen(QColor(100, 60, 20), 2));
    p.drawLine(8, 9, 8, 15);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(128, 128, 0));
    p.drawRect(1, 2, 14, 7);
    drawTextLines(p, Qt::white, 4, 6);
}

void drawSource(QPainter& p) {
    drawPage(p);
    p.setPen(QPen(QColor(0, 0, 160), 1));
    p.drawLine(5, 7, 4, 9);
    p.drawLine(4, 9, 5, 11);
    p.drawLine(11, 7, 12, 9);
    p.drawLine(12, 9, 11, 11);
    p.drawLine(9, 6, 7, 12);
}

} // namespace

QPixmap FileIcons::icon(int k) {
    QImage img = blankImage(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (k) {
    case 1:
        drawPage(p);
        drawTextLines(p, QColor(0, 0, 128), 6, 13);
        break;
    case 2:
        drawProgram(p);
        break;
    case 3:
        drawPaintPot(p);
        break;
    case 4:
        drawForm(p);
        break;
    case 5:
        drawArchive(p);
        break;
    case 6:
        drawSignBoard(p);
        break;
    case 7:
        drawSource(p);
        break;
    default:
        drawPage(p);
        break;
    }
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap FileIcons::sortArrow(int i) {
    QImage img = blankImage(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    const QPolygonF down({{8, 9}, {15, 9}, {11.5, 14}});
    const QPolygonF up({{8, 14}, {15, 14}, {11.5, 9}});
    p.drawPolygon(i == 0 ? down : up);
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap FileIcons::transferArrow(bool pointsRight) {
    QImage img = blankImage(24, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0, 128, 0));
    QPolygonF arrow({{2, 5}, {13, 5}, {13, 1}, {22, 8}, {13, 15}, {13, 11}, {2, 11}});
    if (!pointsRight)
        for (QPointF& pt : arrow)
            pt.setX(24 - pt.x());
    p.drawPolygon(arrow);
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap FileIcons::dragImage(bool pointsRight) {
    QImage img = blankImage(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(230, 190, 60));
    p.drawPolygon(QPolygonF({{2, 9}, {11, 9}, {14, 12}, {29, 12}, {29, 29}, {2, 29}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    QPolygonF arrow({{6, 17}, {17, 17}, {17, 13}, {26, 20.5}, {17, 28}, {17, 24}, {6, 24}});
    if (!pointsRight)
        for (QPointF& pt : arrow)
            pt.setX(32 - pt.x());
    p.drawPolygon(arrow);
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap FileIcons::menuIcon() {
    QImage img = blankImage(16, 16);
    QPainter p(&img);
    for (int y : {3, 7, 11})
        p.fillRect(2, y, 12, 2, kInk);
    p.end();
    return QPixmap::fromImage(img);
}

FileImages::FileImages() {
    for (int k = 0; k < FileIcons::Count; ++k)
        Img_Icons[size_t(k)] = FileIcons::icon(k);
    Img_Arrow[0] = FileIcons::sortArrow(0);
    Img_Arrow[1] = FileIcons::sortArrow(1);
}
