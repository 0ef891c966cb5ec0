#include "vantel/olecolor.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

QColor systemColor(quint32 index, const QPalette& pal) {
    switch (index) {
    case 0:  // scroll bar
    case 15: // button face
        return pal.color(QPalette::Button);
    case 1:  // desktop
    case 4:  // menu
    case 30: // menu bar
        return pal.color(QPalette::Window);
    case 2:  // active caption
    case 13: // highlight
    case 27: // gradient active caption
    case 29: // menu highlight
        return pal.color(QPalette::Active, QPalette::Highlight);
    case 3:  // inactive caption
    case 28: // gradient inactive caption
        return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 5: // window
        return pal.color(QPalette::Base);
    case 6:  // window frame
    case 21: // 3D dark shadow
        return pal.color(QPalette::Shadow);
    case 7: // menu text
        return pal.color(QPalette::WindowText);
    case 8: // window text
        return pal.color(QPalette::Text);
    case 9:  // caption text
    case 14: // highlight text
        return pal.color(QPalette::Active, QPalette::HighlightedText);
    case 10: // active border
    case 11: // inactive border
        return pal.color(QPalette::Window);
    case 12: // application workspace
        return pal.color(QPalette::Mid);
    case 16: // button shadow
        return pal.color(QPalette::Dark);
    case 17: // grey text
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return pal.color(QPalette::ButtonText);
    case 19: // inactive caption text
        return pal.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: // button highlight
        return pal.color(QPalette::Light);
    case 22: // 3D light
        return pal.color(QPalette::Midlight);
    case 23: // tooltip text
        return pal.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return pal.color(QPalette::ToolTipBase);
    case 26: // hot-tracked item
        return pal.color(QPalette::Link);
    default:
        return QColor(Qt::black);
    }
}

} // namespace

QColor translateOleColor(OleColor color, const QPalette& palette) {
    if (isSystemColor(color))
        return systemColor(color & 0x00FFFFFFu, palette);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

OleColor toOleColor(const QColor& color) {
    return oleRgb(color.red(), color.green(), color.blue());
}

namespace {

// Relative luminance as the web's accessibility guidelines define it.
double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

QColor readableOn(const QColor& text, const QColor& background) {
    constexpr double Readable = 3.0;
    if (contrast(text, background) >= Readable)
        return text;
    const QColor hsl = text.toHsl();
    const QColor turned =
        QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), 1.0 - hsl.lightnessF()).toRgb();
    if (contrast(turned, background) >= Readable)
        return turned;
    return luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
}
