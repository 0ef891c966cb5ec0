#include "text_room.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>
#include <map>

namespace {

// A push button's text and icon, with the frame and margins the style draws
// around them (but not the smallest width some styles give every button).
QSize pushButtonRoom(const QPushButton* button) {
    const QFontMetrics metrics = button->fontMetrics();
    QSize room = metrics.size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull()) {
        room.rwidth() += button->iconSize().width() + (button->text().isEmpty() ? 0 : 4);
        room.setHeight(std::max(room.height(), button->iconSize().height()));
    }
    const QStyle* style = button->style();
    const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                        2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    return {room.width() + margins, room.height() + 2};
}

// The frame of a line edit or combo box around one line of text.
int fieldHeight(const QWidget* field) {
    return field->fontMetrics().height() + 4;
}

} // namespace

int textWidthNeeded(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return pushButtonRoom(button).width();
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return w->sizeHint().width();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->wordWrap() || label->text().isEmpty() ? 0 : label->sizeHint().width();
    return 0;
}

int textHeightNeeded(const QWidget* w) {
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return pushButtonRoom(button).height();
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return w->sizeHint().height();
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty())
            return 0;
        return label->wordWrap() ? label->heightForWidth(label->width())
                                 : label->sizeHint().height();
    }
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w))
        return fieldHeight(w);
    return 0;
}

int growHeightsToFit(const QList<QWidget*>& controls) {
    QList<QWidget*> byTop = controls;
    std::stable_sort(byTop.begin(), byTop.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    // How far everything at or below a design bottom moves.
    std::multimap<int, int> moves;
    int lowest = 0;
    for (QWidget* w : byTop) {
        const QRect design = w->geometry();
        int shift = 0;
        for (auto it = moves.begin(); it != moves.end() && it->first <= design.top(); ++it)
            shift = std::max(shift, it->second);
        const int height = std::max(design.height(), textHeightNeeded(w));
        w->setGeometry(design.x(), design.y() + shift, design.width(), height);
        const int after = shift + height - design.height();
        moves.emplace(design.bottom() + 1, after);
        lowest = std::max(lowest, after);
    }
    return lowest;
}
