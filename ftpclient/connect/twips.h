#pragma once

#include <QRect>

#include <cmath>

// Dialog geometry is laid down in twips, 1/1440 inch; on the screen a twip is
// 1/(logical DPI) of 1440 pixels, so 15 twips make a pixel at 96 DPI.
inline int twipsToPixels(double twips, double logicalDpi) {
    return int(std::lround(twips * logicalDpi / 1440.0));
}

inline QRect twipsRect(double left, double top, double width, double height, double dpiX,
                       double dpiY) {
    return QRect(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY), twipsToPixels(width, dpiX),
                 twipsToPixels(height, dpiY));
}
