#include "entry_marks.h"

#include <QFont>
#include <QPainter>

QPixmap markPicture(const EntryMark& mark) {
    static QHash<QString, QPixmap> made;
    const QString key = mark.symbol + mark.tint.name();
    if (const auto found = made.constFind(key); found != made.cend())
        return *found;
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(mark.tint.darker(160));
    painter.setBrush(mark.tint);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(mark.tint.lightness() > 140 ? Qt::black : Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, mark.symbol);
    painter.end();
    made.insert(key, picture);
    return picture;
}
