#include "twips_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

int TwipsGeometry::screenTwipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? std::max(1, int(std::lround(1440.0 / dpi))) : 15;
}

int TwipsGeometry::toPixels(double twips) const {
    return int(std::lround(twips / m_tpp));
}

void TwipsGeometry::place(QWidget* w, double left, double top, double width, double height) {
    apply(w, QRectF(left, top, width, height));
}

void TwipsGeometry::setLeft(QWidget* w, double twips) {
    QRectF r = box(w);
    r.moveLeft(twips);
    apply(w, r);
}

void TwipsGeometry::setTop(QWidget* w, double twips) {
    QRectF r = box(w);
    r.moveTop(twips);
    apply(w, r);
}

void TwipsGeometry::setWidth(QWidget* w, double twips) {
    QRectF r = box(w);
    r.setWidth(twips);
    apply(w, r);
}

void TwipsGeometry::setHeight(QWidget* w, double twips) {
    QRectF r = box(w);
    r.setHeight(twips);
    apply(w, r);
}

QRect TwipsGeometry::pixelsOf(const QRectF& twips) const {
    return QRect(toPixels(twips.x()), toPixels(twips.y()), std::max(0, toPixels(twips.width())),
                 std::max(0, toPixels(twips.height())));
}

QRectF TwipsGeometry::box(const QWidget* w) const {
    const auto it = m_boxes.find(w);
    if (it == m_boxes.end())
        return {};
    if (!w->isWindow())
        return *it;
    const QRect known = pixelsOf(*it);
    const QPoint at = w->pos();
    const QSize size = w->size();
    if (at.x() != known.x())
        it->moveLeft(double(at.x()) * m_tpp);
    if (at.y() != known.y())
        it->moveTop(double(at.y()) * m_tpp);
    if (size.width() != known.width())
        it->setWidth(double(size.width()) * m_tpp);
    if (size.height() != known.height())
        it->setHeight(double(size.height()) * m_tpp);
    return *it;
}

void TwipsGeometry::apply(QWidget* w, const QRectF& twips) {
    m_boxes.insert(w, twips);
    const QRect pixels = pixelsOf(twips);
    if (w->isWindow()) {
        w->move(pixels.topLeft());
        w->resize(pixels.size());
    } else {
        w->setGeometry(pixels);
    }
}
