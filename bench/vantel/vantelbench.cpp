// Fills one list control as a file pane does (AddItem + ItemData +
// ItemImage + ItemForeColor per file), paints a page, scrolls to the end and
// paints again, clears, and prints each time and the memory used.
//
//   vantel-bench [entries]      (default 100000)

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vantel/vantelctrl.h>

namespace {

qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

qint64 statusKiB(const char* key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

QPixmap icon(QColor color) {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.fillRect(2, 1, 11, 14, Qt::white);
    painter.setPen(color);
    painter.drawRect(2, 1, 11, 14);
    return p;
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    CVantelCtrl list;
    list.setAmbientUserMode(false);
    list.SetMultiSelect(2);
    list.setAmbientUserMode(true);
    list.SetItemDefHeight(17);
    list.SetSelectStyle(1);
    list.SetVerticalTextAlign(1);
    list.SetVerticalImageAlign(1);
    list.SetImageOffset(4);
    list.SetTextOffset(24);
    list.SetNumTabs(3);
    list.SetTabStops(0, 200);
    list.SetTabStops(1, -(200 + 70 + 90 - 22));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    list.SetFont(font);
    list.resize(420, 700);
    list.show();
    app.processEvents();

    const QColor colours[] = {Qt::black,   Qt::darkBlue,    Qt::darkGreen,  Qt::darkCyan,
                              Qt::darkRed, Qt::darkMagenta, Qt::darkYellow, Qt::lightGray};
    QPixmap icons[8];
    for (int i = 0; i < 8; ++i)
        icons[i] = icon(colours[i]);

    // The texts exist before the fill, as the loader's would; the list
    // shares them, so what the fill adds is the list's own cost.
    QStringList texts;
    texts.reserve(count);
    qint64 textBytes = 0;
    for (int i = 0; i < count; ++i) {
        texts << QStringLiteral("file%1.%2\t%3/%4/99\t%5")
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(QLatin1String(i % 3 ? "txt" : "zip"))
                     .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                     .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                     .arg(QLocale::c().toString(qlonglong(i) * 37));
        textBytes += texts.last().size() * 2;
    }
    const qint64 heapBefore = heapInUse();
    const qint64 rssBefore = statusKiB("VmRSS");

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const int at = list.AddItem(texts.at(i));
        list.SetItemData(at, i);
        list.SetItemImage(at, icons[i % 8]);
        if (i % 8)
            list.SetItemForeColor(at, qint32(toOleColor(colours[i % 8])));
    }
    const double fillMs = ms(timer);
    const qint64 heapAfter = heapInUse();
    const qint64 rssAfter = statusKiB("VmRSS");

    timer.restart();
    app.processEvents(); // the one deferred layout and paint
    const double settleMs = ms(timer);

    QWidget* surface = list.listBox()->viewport();
    const int rounds = 50;
    double total = 0, worst = 0;
    for (int r = 0; r < rounds; ++r) {
        timer.restart();
        surface->repaint();
        const double t = ms(timer);
        total += t;
        worst = std::max(worst, t);
    }
    const int perPage = list.listBox()->visibleCount();

    timer.restart();
    list.SetTopIndex(count - 1);
    surface->repaint();
    const double scrollMs = ms(timer);
    const int top = list.TopIndex();

    timer.restart();
    list.Clear();
    const double clearMs = ms(timer);
    timer.restart();
    app.processEvents();
    const double clearSettleMs = ms(timer);

    QTextStream out(stdout);
    out << "vantel-bench: " << count << " entries, " << perPage << " visible per page\n";
    out << QStringLiteral("fill (AddItem+ItemData+ItemImage+ItemForeColor): %1 ms\n")
               .arg(fillMs, 0, 'f', 1);
    out << QStringLiteral("first layout and paint after the fill:            %1 ms\n")
               .arg(settleMs, 0, 'f', 2);
    out << QStringLiteral("page paint: mean %1 ms, worst %2 ms over %3 paints\n")
               .arg(total / rounds, 0, 'f', 2)
               .arg(worst, 0, 'f', 2)
               .arg(rounds);
    out << QStringLiteral("scroll to the end (top index %1) and paint:        %2 ms\n")
               .arg(top)
               .arg(scrollMs, 0, 'f', 2);
    out << QStringLiteral("Clear: %1 ms (+ %2 ms for the repaint it asks for)\n")
               .arg(clearMs, 0, 'f', 2)
               .arg(clearSettleMs, 0, 'f', 2);
    out << QStringLiteral("heap added by the fill: %1 bytes per entry (texts shared, %2 bytes per "
                          "text not counted)\n")
               .arg(double(heapAfter - heapBefore) / count, 0, 'f', 1)
               .arg(double(textBytes) / count, 0, 'f', 1);
    out << QStringLiteral("resident memory added by the fill: %1 bytes per entry\n")
               .arg(double(rssAfter - rssBefore) * 1024.0 / count, 0, 'f', 1);
    out << QStringLiteral("peak resident memory: %1 MiB\n")
               .arg(double(statusKiB("VmHWM")) / 1024.0, 0, 'f', 1)
        << "\n";
    return 0;
}
