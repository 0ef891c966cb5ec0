#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class CVantelCtrl;

namespace vanteltest {

// DejaVu Sans at a fixed pixel size, so that text measures the same on
// every machine.
QFont fixedFont(int pixelSize = 12);

// A control at run time with the fixed font, white background, black text.
void prepare(CVantelCtrl& control);

// Everything a caller can observe of the control, as text, to compare the
// state before and after a failing call.
QString snapshot(const CVantelCtrl& control);

// The bounding box of the pixels within area that differ from background
// (and, when given, from ignore); empty when there are none.
QRect inkBounds(const QImage& image, const QRect& area, QColor background,
                QColor ignore = QColor());

// Renders entry index as the list would draw it, into a fresh image filled
// with fill, with the entry rectangle rect.
QImage renderEntry(CVantelCtrl& control, int index, const QRect& rect, unsigned state = 1,
                   QSize imageSize = QSize(240, 160), QColor fill = QColor(0, 255, 0));

} // namespace vanteltest
