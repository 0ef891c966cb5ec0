// What a file entry is made of: the extension rule, the texts and keys of a
// local entry, and the shortening of names too wide for their column.
#include "panes/extension_rule.h"
#include "panes/local_formats.h"
#include "panes/work_list.h"
#include "text/name_order.h"

#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QTest>

#include <limits>

#include <cmath>

class TestFileModel : public QObject {
    Q_OBJECT

private slots:
    void extensionRule_data();
    void extensionRule();
    void dateText_data();
    void dateText();
    void sizeTextAndKey_data();
    void sizeTextAndKey();
    void sizeKeysSortAsNumbers();
    void sizeTextFollowsTheLocale();
    void namesSortWithoutRegardToCase_data();
    void namesSortWithoutRegardToCase();
    void shortening_data();
    void shortening();
    void shorteningMeasuresTheFont();
    void shorteningNeverSplitsACharacter();
};

namespace {

constexpr qint32 DarkBlue = 0x800000;
constexpr qint32 DarkGreen = 0x008000;
constexpr qint32 DarkCyan = 0x808000;
constexpr qint32 DarkRed = 0x000080;
constexpr qint32 DarkMagenta = 0x800080;
constexpr qint32 DarkYellow = 0x008080;
constexpr qint32 LightGrey = 0xC0C0C0;

} // namespace

void TestFileModel::extensionRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("localIcon");
    QTest::addColumn<int>("localColor");
    QTest::addColumn<int>("remoteIcon");
    QTest::addColumn<int>("remoteColor");

    QTest::newRow("txt upper case") << "README.TXT" << 1 << DarkBlue << 1 << DarkBlue;
    QTest::newRow("html counts as htm") << "Index.HTML" << 1 << DarkBlue << 1 << DarkBlue;
    QTest::newRow("bat") << "run.bat" << 2 << DarkGreen << 2 << DarkGreen;
    QTest::newRow("exe") << "setup.exe" << 2 << DarkGreen << 2 << DarkGreen;
    QTest::newRow("jpg") << "photo.jpg" << 3 << DarkCyan << 3 << DarkCyan;
    QTest::newRow("jpeg is jpe, no match") << "photo.jpeg" << 0 << -1 << 0 << -1;
    QTest::newRow("mdb") << "store.mdb" << 4 << DarkRed << 4 << DarkRed;
    QTest::newRow("zip") << "backup.zip" << 5 << DarkMagenta << 5 << DarkMagenta;
    QTest::newRow("asp differs") << "page.asp" << 6 << DarkYellow << 1 << DarkBlue;
    QTest::newRow("cpp") << "main.cpp" << 7 << LightGrey << 7 << LightGrey;
    QTest::newRow("two letters") << "a.tx" << 0 << -1 << 0 << -1;
    QTest::newRow("a letter that folds to s")
        << QStringView(u"page.a\u017Fp").toString() << 6 << DarkYellow << 1 << DarkBlue;
    QTest::newRow("accented, no match")
        << QStringView(u"x.z\u00EFp").toString() << 0 << -1 << 0 << -1;
    QTest::newRow("no dot") << "Makefile" << 0 << -1 << 0 << -1;
    QTest::newRow("dot at the start") << ".profile" << 0 << -1 << 0 << -1;
    // The local rule sees the whole path: a dot in a directory name counts.
    QTest::newRow("my.dir/readme") << "/home/u/my.dir/readme" << 0 << -1 << 0 << -1;
    QTest::newRow("old.zip/readme")
        << "/home/u/old.zip/readme" << 5 << DarkMagenta << 5 << DarkMagenta;
    QTest::newRow("x.exe/readme") << "/srv/x.exe/readme" << 2 << DarkGreen << 2 << DarkGreen;
}

void TestFileModel::extensionRule() {
    QFETCH(QString, name);
    QFETCH(int, localIcon);
    QFETCH(int, localColor);
    QFETCH(int, remoteIcon);
    QFETCH(int, remoteColor);
    const FileKind local = extensionKind(name, Pane::Local);
    const FileKind remote = extensionKind(name, Pane::Remote);
    QCOMPARE(local.icon, localIcon);
    QCOMPARE(local.color, localColor);
    QCOMPARE(remote.icon, remoteIcon);
    QCOMPARE(remote.color, remoteColor);
}

void TestFileModel::dateText_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("two-digit fields") << QDateTime(QDate(1999, 3, 1), QTime(0, 0)) << "03/01/99";
    QTest::newRow("year 2000") << QDateTime(QDate(2000, 1, 15), QTime(23, 59, 59)) << "01/15/00";
    QTest::newRow("last second of a day")
        << QDateTime(QDate(2004, 2, 29), QTime(23, 59, 59)) << "02/29/04";
    QTest::newRow("first second of the next")
        << QDateTime(QDate(2004, 3, 1), QTime(0, 0)) << "03/01/04";
    QTest::newRow("before 1970") << QDateTime(QDate(1969, 7, 20), QTime(20, 17)) << "07/20/69";
    QTest::newRow("first second of a day seen before")
        << QDateTime(QDate(2004, 2, 29), QTime(0, 0)) << "02/29/04";
    QTest::newRow("last second before a day seen before")
        << QDateTime(QDate(2004, 2, 28), QTime(23, 59, 59)) << "02/28/04";
}

// Local time of the day the file was last written, whatever its hour.
void TestFileModel::dateText() {
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    LocalEntryTexts texts;
    QCOMPARE(texts.date(time.toSecsSinceEpoch()), text);
    // A second file of the same day, from the texts kept so far.
    QCOMPARE(texts.date(time.toSecsSinceEpoch()), text);
    // One object for every row, as for the files of one directory: the
    // days of the rows before must not swallow this time.
    static LocalEntryTexts directory;
    QCOMPARE(directory.date(time.toSecsSinceEpoch()), text);
}

void TestFileModel::sizeTextAndKey_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << qint64(0) << "0"
                           << "000000000000";
    QTest::newRow("a thousand") << qint64(1000) << "1,000"
                                << "000000001000";
    QTest::newRow("millions") << qint64(1234567) << "1,234,567"
                              << "000001234567";
    QTest::newRow("beyond 32 bits") << qint64(5000000000) << "5,000,000,000"
                                    << "005000000000";
    QTest::newRow("largest of twelve digits") << qint64(999999999999) << "999,999,999,999"
                                              << "999999999999";
    QTest::newRow("a terabyte") << qint64(1000000000000) << "1,000,000,000,000"
                                << ":0000001000000000000";
    QTest::newRow("largest length")
        << std::numeric_limits<qint64>::max() << "9,223,372,036,854,775,807"
        << ":9223372036854775807";
}

// A sorted work list of size keys is in the order of the sizes, across the
// twelve-digit boundary and up to the largest length there is.
void TestFileModel::sizeKeysSortAsNumbers() {
    const QList<qint64> sizes{std::numeric_limits<qint64>::max(),
                              1000000000000,
                              7,
                              999999999999,
                              qint64(1) << 40,
                              0,
                              5000000000000000,
                              1000000000001};
    WorkList keys(true);
    for (int i = 0; i < sizes.size(); ++i)
        keys.add(LocalEntryTexts::sizeKey(sizes[i]), i);
    QList<qint64> order;
    for (int j = 0; j < keys.count(); ++j)
        order << sizes[keys.data(j)];
    QList<qint64> expected = sizes;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(order, expected);
}

void TestFileModel::sizeTextAndKey() {
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QCOMPARE(LocalEntryTexts(QLocale(QLocale::English, QLocale::UnitedStates)).size(size), text);
    QCOMPARE(LocalEntryTexts::sizeKey(size), key);
}

void TestFileModel::sizeTextFollowsTheLocale() {
    QCOMPARE(LocalEntryTexts(QLocale(QLocale::German, QLocale::Germany)).size(1234567),
             QStringLiteral("1.234.567"));
    // The "C" locale leaves out grouping unless told otherwise.
    QCOMPARE(LocalEntryTexts(QLocale::c()).size(1234567), QStringLiteral("1,234,567"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(LocalEntryTexts().size(1000), QStringLiteral("1.000"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFileModel::namesSortWithoutRegardToCase_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("case ignored") << QStringList{"b", "A", "c"} << QStringList{"A", "b", "c"};
    QTest::newRow("equal but for case") << QStringList{"a", "A"} << QStringList{"A", "a"};
    QTest::newRow("underscore before letters of either case")
        << QStringList{"B", "a", "_a"} << QStringList{"_a", "a", "B"};
    QTest::newRow("a prefix first, past eight characters")
        << QStringList{"abcdefghij", "ABCDEFGH"} << QStringList{"ABCDEFGH", "abcdefghij"};
    QTest::newRow("differing past eight characters")
        << QStringList{"abcdefghZ", "ABCDEFGHa"} << QStringList{"ABCDEFGHa", "abcdefghZ"};
    QTest::newRow("differing past nine characters")
        << QStringList{"abcdefghiZ", "ABCDEFGHIa"} << QStringList{"ABCDEFGHIa", "abcdefghiZ"};
    QTest::newRow("DEL after every letter") << QStringList{"ab\x7F"
                                                           "b",
                                                           "ab\x7F"
                                                           "a",
                                                           "abz"}
                                            << QStringList{"abz",
                                                           "ab\x7F"
                                                           "a",
                                                           "ab\x7F"
                                                           "b"};
    QTest::newRow("an accent after the eighth character")
        << QStringList{QStringLiteral("abcdefgh\u00E9"), "abcdefghz"}
        << QStringList{"abcdefghz", QStringLiteral("abcdefgh\u00E9")};
    QTest::newRow("accented letters after ASCII ones")
        << QStringList{QStringLiteral("\u00C9clair"), "eclair", "Zebra",
                       QStringLiteral("\u00E9b\u00E8ne")}
        << QStringList{"eclair", "Zebra", QStringLiteral("\u00E9b\u00E8ne"),
                       QStringLiteral("\u00C9clair")};
    QTest::newRow("alike for longer than nine characters")
        << QStringList{"Report_2024_summary_b.txt",
                       "report_2024_summary_a.txt",
                       "report_2024_summary_A.txt",
                       "report_2024_summ",
                       QStringLiteral("report_2024_summary_\u00E9.txt"),
                       "report_2024_summary_z.txt",
                       "report_2024_summary_a.tx"}
        << QStringList{"report_2024_summ",
                       "report_2024_summary_a.tx",
                       "report_2024_summary_A.txt",
                       "report_2024_summary_a.txt",
                       "Report_2024_summary_b.txt",
                       "report_2024_summary_z.txt",
                       QStringLiteral("report_2024_summary_\u00E9.txt")};
    QTest::newRow("alike for exactly eighteen characters")
        << QStringList{"abcdefghijklmnopqrs", "abcdefghijklmnopqr", "ABCDEFGHIJKLMNOPQR",
                       QStringLiteral("abcdefghijklmnopq\u00E9"), "abcdefghijklmnopqz"}
        << QStringList{"ABCDEFGHIJKLMNOPQR", "abcdefghijklmnopqr", "abcdefghijklmnopqrs",
                       "abcdefghijklmnopqz", QStringLiteral("abcdefghijklmnopq\u00E9")};
    QTest::newRow("the Kelvin sign is a k") << QStringList{"kb", QStringLiteral("\u212Aa"), "ka"}
                                            << QStringList{"ka", QStringLiteral("\u212Aa"), "kb"};
    // Long enough to be sorted in two halves, each with names that need a
    // folded copy: capitals fold before the accented letter.
    QStringList names, ascii, accented;
    for (int i = 0; i < 30000; ++i) {
        const QString number = QString::number(i).rightJustified(5, u'0');
        (i % 2 == 0 ? ascii : accented) << (i % 2 == 0 ? u'E' : u'\u00E9') + number;
        names.prepend((i % 2 == 0 ? ascii : accented).last());
    }
    QTest::newRow("a long list, in two halves") << names << ascii + accented;
    QStringList alike, alikeSorted;
    for (int i = 0; i < 30001; ++i) {
        alikeSorted << (i % 3 == 0 ? u'Q' : u'q') + QStringLiteral("uarterly_report_") +
                           QString::number(i).rightJustified(5, u'0');
        alike.prepend(alikeSorted.last());
    }
    QTest::newRow("a long list of names alike for 17 characters") << alike << alikeSorted;
}

// The order of file names in the lists: case-folded, ties in case-sensitive
// order, the same for names of ASCII alone and for the others.
void TestFileModel::namesSortWithoutRegardToCase() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    const std::vector<QString> texts(names.cbegin(), names.cend());
    QStringList order;
    for (int index : caseInsensitiveOrder(texts, true))
        order << texts[size_t(index)];
    QCOMPARE(order, sorted);
}

void TestFileModel::shortening_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::newRow("fits") << "a.txt" << 200;
    QTest::newRow("too wide") << "a_rather_long_file_name.txt" << 60;
    QTest::newRow("just too wide") << "abcdefgh" << -1;
    QTest::newRow("nothing fits") << "abcdef.txt" << 0;
    QTest::newRow("negative room") << "abcdef.txt" << -30;
    QTest::newRow("one character") << "W" << 0;
}

// Checked against the measuring itself: the result fits (unless it is the
// last resort), and one character more would not.
void TestFileModel::shortening() {
    QFETCH(QString, name);
    QFETCH(int, width);
    const QFont font(QStringLiteral("DejaVu Sans"), 8);
    NameShortener probe(font, 0);
    if (width == -1)
        width = int(std::ceil(probe.width(name))) - 1;
    NameShortener shortener(font, width);
    const QString shown = shortener.shorten(name);

    if (shortener.width(name) <= width || name.size() == 1) {
        QCOMPARE(shown, name);
        return;
    }
    QVERIFY(shown.endsWith(u'~'));
    const qsizetype kept = shown.size() - 1;
    QVERIFY(kept >= 1 && kept < name.size());
    QCOMPARE(shown.left(kept), name.left(kept));
    if (shortener.width(shown) > width) {
        QCOMPARE(shown, name.left(1) + u'~'); // the last resort
        return;
    }
    if (kept + 1 < name.size())
        QVERIFY(shortener.width(name.left(kept + 1) + u'~') > width);
}

// The widths are those the font gives the text, give or take kerning.
void TestFileModel::shorteningMeasuresTheFont() {
    const QFont font(QStringLiteral("DejaVu Sans"), 8);
    NameShortener shortener(font, 100);
    const QFontMetricsF metrics(font);
    for (const QString& text : {QStringLiteral("readme.txt"), QStringLiteral("WWWWW"),
                                QStringLiteral("iiiii"), QStringLiteral("Ünïcödé_name.doc")})
        QVERIFY2(std::abs(shortener.width(text) - metrics.horizontalAdvance(text)) <= 1.5,
                 qPrintable(text));
    QVERIFY(shortener.width(u"WWWWW") > shortener.width(u"iiiii"));
}

void TestFileModel::shorteningNeverSplitsACharacter() {
    const QFont font(QStringLiteral("DejaVu Sans"), 8);
    const QString name =
        QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("cdefghijkl");
    for (int width = 0; width < NameShortener(font, 0).width(name); width += 3) {
        const QString shown = NameShortener(font, width).shorten(name);
        QVERIFY2(!shown.at(shown.size() - 2).isHighSurrogate(), qPrintable(shown));
    }
    // A single character outside the basic plane stays whole.
    const QString face = QString::fromUcs4(U"\U0001F600");
    QCOMPARE(NameShortener(font, 0).shorten(face), face);
}

QTEST_MAIN(TestFileModel)
#include "tst_file_model.moc"
