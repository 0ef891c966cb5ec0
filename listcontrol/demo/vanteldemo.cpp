// Shows a Vantel list filled like a local file pane (icons, colours by file
// type, a date column and a right-aligned size column, a selection) and,
// given a path, saves a picture of it there and quits.
//
//   vantel-demo [picture.png]

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <vantel/vantelctrl.h>

namespace {

struct FileType {
    const char* extension;
    QColor colour; // invalid: the list's own text colour
};

const FileType fileTypes[] = {
    {"", QColor()},
    {"txt", QColor(0, 0, 128)},
    {"exe", QColor(0, 128, 0)},
    {"gif", QColor(0, 128, 128)},
    {"mdb", QColor(128, 0, 0)},
    {"zip", QColor(128, 0, 128)},
    {"asp", QColor(128, 128, 0)},
    {"cpp", QColor(150, 150, 150)},
};

// A small page with a folded corner and a mark in the type's colour.
QPixmap pageIcon(int type) {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPolygon page(
        {QPoint(2, 0), QPoint(10, 0), QPoint(13, 3), QPoint(13, 15), QPoint(2, 15)});
    painter.setBrush(Qt::white);
    painter.setPen(QColor(90, 90, 90));
    painter.drawPolygon(page);
    painter.drawLine(10, 0, 10, 3);
    painter.drawLine(10, 3, 13, 3);
    const QColor mark =
        fileTypes[type].colour.isValid() ? fileTypes[type].colour : QColor(160, 160, 160);
    if (type == 0)
        return p;
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark);
    if (type == 1 || type == 7) {
        for (int y = 5; y <= 12; y += 2)
            painter.drawRect(4, y, 7, 0);
    } else {
        painter.drawRect(4, 6, 7, 6);
    }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantel"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* list = new CVantelCtrl(&window);
    layout->addWidget(list);

    list->setAmbientUserMode(false);
    list->SetMultiSelect(2);
    list->setAmbientUserMode(true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    list->SetFont(font);
    list->SetItemDefHeight(18);
    list->SetSelectStyle(1);
    list->SetVerticalTextAlign(1);
    list->SetVerticalImageAlign(1);
    list->SetImageOffset(4);
    list->SetTextOffset(24);
    const short nameWidth = 190, dateWidth = 80, sizeWidth = 90;
    list->SetNumTabs(3);
    list->SetTabStops(0, nameWidth);
    list->SetTabStops(1, short(-(nameWidth + dateWidth + sizeWidth - 22)));

    struct Sample {
        const char* name;
        int type;
        qint64 size;
        int day;
    };
    const Sample samples[] = {
        {"autoexec.bat", 2, 412, 3},        {"backup-2024.zip", 5, 48213377, 9},
        {"budget.mdb", 4, 1234567, 12},     {"changes.txt", 1, 5321, 14},
        {"default.asp", 6, 2290, 2},        {"holiday.gif", 3, 873402, 21},
        {"index.htm", 1, 17422, 22},        {"listing.cpp", 7, 30961, 23},
        {"Makefile", 0, 1880, 24},          {"notes.doc", 1, 96256, 25},
        {"photo-0001.jpg", 3, 2411093, 26}, {"readme", 0, 0, 27},
        {"setup.exe", 2, 10485760, 28},     {"sources.zip", 5, 733184, 28},
        {"tarlen.ini", 0, 1042, 29},        {"viewer.com", 2, 64512, 30},
    };
    QLocale locale(QLocale::English, QLocale::UnitedStates);
    int i = 0;
    for (const Sample& s : samples) {
        const QString date = QDate(1999, 12, s.day).toString(QStringLiteral("MM/dd/yy"));
        const QString text =
            QStringLiteral("%1\t%2\t%3").arg(QLatin1String(s.name), date, locale.toString(s.size));
        const int at = list->AddItem(text);
        list->SetItemData(at, i++);
        list->SetItemImage(at, pageIcon(s.type));
        if (fileTypes[s.type].colour.isValid())
            list->SetItemForeColor(at, qint32(toOleColor(fileTypes[s.type].colour)));
    }
    list->SetSelected(3, true);
    list->SetSelected(4, true);
    list->SetSelected(5, true);
    list->SetSelected(9, true);
    list->SetListIndex(9);

    window.resize(nameWidth + dateWidth + sizeWidth + 16 + 8, 18 * 16 + 16 + 8);
    window.show();
    list->setFocus();

    if (output.isEmpty())
        return app.exec();
    QTimer::singleShot(300, &app, [&] {
        window.activateWindow();
        list->setFocus();
        app.processEvents();
        const bool saved = window.grab().save(output, "PNG");
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
