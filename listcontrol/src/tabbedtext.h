#pragma once

#include <QString>

class QFontMetrics;
class QPainter;

// Text with tab characters laid out on tab positions, as the list's entries
// show it. Positions are pixels from origin. No positions: every eight
// average character widths; one: every multiple of it; several: the first
// position beyond what is drawn so far. A negative position ends the text
// after its tab at the position's absolute value.
struct TabStopTable {
    const qint32* positions = nullptr;
    int count = 0;
    int origin = 0;
};

// Draws text with its top at top, starting at x; returns the width drawn.
int drawTabbedText(QPainter* painter, int x, int top, const QString& text, const TabStopTable& tabs,
                   const QFontMetrics& metrics);

// The width drawTabbedText would return, without drawing.
inline int tabbedTextWidth(int x, const QString& text, const TabStopTable& tabs,
                           const QFontMetrics& metrics) {
    return drawTabbedText(nullptr, x, 0, text, tabs, metrics);
}
