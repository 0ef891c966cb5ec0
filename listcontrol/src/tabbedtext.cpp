#include "tabbedtext.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

namespace {

// The next multiple of step after pos, both relative to the origin.
int nextMultiple(int pos, int step) {
    if (step <= 0)
        return pos;
    const int q = pos >= 0 ? pos / step + 1 : -((-pos) / step);
    return q * step;
}

} // namespace

int drawTabbedText(QPainter* painter, int x, int top, const QString& text, const TabStopTable& tabs,
                   const QFontMetrics& metrics) {
    const int defaultStep = 8 * metrics.averageCharWidth();
    int step = defaultStep;
    if (tabs.count == 1 && tabs.positions[0] != 0)
        step = std::abs(tabs.positions[0]);
    const int baseline = top + metrics.ascent();

    int pos = x;
    qsizetype start = 0;
    bool afterTab = false;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\t'), start);
        if (end < 0)
            end = text.size();
        const QString segment = text.mid(start, end - start);
        const int width = segment.isEmpty() ? 0 : metrics.horizontalAdvance(segment);
        int segmentX = pos;
        if (afterTab) {
            const int rel = pos - tabs.origin;
            int target = -1;
            bool rightAlign = false;
            if (tabs.count > 1) {
                for (int k = 0; k < tabs.count; ++k) {
                    if (std::abs(tabs.positions[k]) > rel) {
                        target = std::abs(tabs.positions[k]);
                        rightAlign = tabs.positions[k] < 0;
                        break;
                    }
                }
            }
            if (target < 0)
                target = nextMultiple(rel, tabs.count > 1 ? defaultStep : step);
            segmentX = tabs.origin + (rightAlign ? target - width : target);
        }
        if (painter && !segment.isEmpty())
            painter->drawText(QPoint(segmentX, baseline), segment);
        pos = segmentX + width;
        if (end >= text.size())
            break;
        start = end + 1;
        afterTab = true;
    }
    return pos - x;
}
