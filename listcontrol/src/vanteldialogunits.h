#pragma once

#include <QFont>
#include <QRect>

// Dialog units of a font: a quarter of its average character width across,
// an eighth of its height down.
class VantelDialogUnits {
public:
    explicit VantelDialogUnits(const QFont& font);
    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const { return QSize(x(width), y(height)); }

private:
    int m_baseX;
    int m_baseY;
};

// The font dialogs of the module are laid out for: 8-point "MS Sans Serif"
// (or the sans-serif face the system puts in its place).
QFont vantelDialogFont();
