#pragma once

#include <QHash>
#include <QRectF>

class QWidget;

// Keeps the geometry of widgets in twips (1/1440 inch) and converts it to
// pixels only when it is applied to a widget, so that twips figures survive
// any number of layout passes without rounding drift.
class TwipsGeometry {
public:
    // Twips per pixel of the primary screen, as a whole number (15 at 96 DPI).
    static int screenTwipsPerPixel();

    explicit TwipsGeometry(int twipsPerPixel = screenTwipsPerPixel())
        : m_tpp(twipsPerPixel) {}

    int twipsPerPixel() const { return m_tpp; }
    int toPixels(double twips) const;

    void place(QWidget* w, double left, double top, double width, double height);
    double left(const QWidget* w) const { return box(w).x(); }
    double top(const QWidget* w) const { return box(w).y(); }
    double width(const QWidget* w) const { return box(w).width(); }
    double height(const QWidget* w) const { return box(w).height(); }
    void setLeft(QWidget* w, double twips);
    void setTop(QWidget* w, double twips);
    void setWidth(QWidget* w, double twips);
    void setHeight(QWidget* w, double twips);

private:
    // The twips of `w`. A window can be moved and sized by the user and the
    // window manager: where its pixels no longer match the twips last set,
    // the twips follow the pixels.
    QRectF box(const QWidget* w) const;
    QRect pixelsOf(const QRectF& twips) const;
    void apply(QWidget* w, const QRectF& twips);

    int m_tpp;
    mutable QHash<const QWidget*, QRectF> m_boxes;
};
