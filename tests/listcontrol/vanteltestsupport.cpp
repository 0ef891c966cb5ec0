#include "vanteltestsupport.h"

#include <QPainter>
#include <QTextStream>
#include <vantel/vantelctrl.h>
#include <vantel/vantelpropertybag.h>

namespace vanteltest {

QFont fixedFont(int pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void prepare(CVantelCtrl& control) {
    control.SetFont(fixedFont());
    control.SetBackColor(oleRgb(255, 255, 255));
    control.SetForeColor(oleRgb(0, 0, 0));
}

QString snapshot(const CVantelCtrl& c) {
    QString text;
    QTextStream out(&text);
    VantelPropertyBag bag;
    c.SaveProperties(bag);
    for (const QString& name : bag.names())
        out << name << '=' << bag.read(name)->toString() << ';';
    const VantelListBox* list = c.listBox();
    out << "modified=" << c.isModified() << ";count=" << list->count() << ";cur=" << list->curSel()
        << ";caret=" << list->caretIndex() << ";widest=" << c.WidestText();
    if (c.ambientUserMode())
        out << ";new=" << c.NewIndex() << ";top=" << c.TopIndex();
    for (int i = 0; i < 200; ++i)
        out << ",t" << c.TabStops(i);
    for (int i = 0; i < list->count(); ++i) {
        const CVantelItem& r = c.record(i);
        out << "\n[" << i << "] " << list->text(i) << '|' << list->itemData(i) << '|'
            << list->isSelected(i) << '|' << list->itemHeight(i) << '|' << c.ItemBackColor(i) << '|'
            << c.ItemForeColor(i) << '|' << c.ItemFont(i).toString() << '|'
            << c.ItemImage(i).cacheKey() << '|' << r.selectable;
    }
    return text;
}

QRect inkBounds(const QImage& image, const QRect& area, QColor background, QColor ignore) {
    QRect box;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == background || (ignore.isValid() && c == ignore))
                continue;
            box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QImage renderEntry(CVantelCtrl& control, int index, const QRect& rect, unsigned state,
                   QSize imageSize, QColor fill) {
    QImage image(imageSize, QImage::Format_RGB32);
    image.fill(fill);
    QPainter painter(&image);
    VantelDrawRequest request;
    request.index = index;
    request.action = VantelDrawRequest::DrawEntire;
    request.state = state;
    request.painter = &painter;
    request.rect = rect;
    control.DrawItem(request);
    painter.end();
    return image;
}

} // namespace vanteltest
