#include "vanteldialogunits.h"

#include <QFontMetrics>

VantelDialogUnits::VantelDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int sample = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (sample / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

int VantelDialogUnits::x(int units) const {
    return (units * m_baseX + 2) / 4;
}

int VantelDialogUnits::y(int units) const {
    return (units * m_baseY + 4) / 8;
}

QRect VantelDialogUnits::rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
}

QFont vantelDialogFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}
